// The Tools menu: Compare with VELMARO, Write to All VELMAROs and Verify after Write (whose
// transfers are in device_commands_win.cpp), and the file tools: Import JSON, Export JSON and
// the wiring sheet, each written through the same engine functions as velmaroctl's.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "app/app.h"
#include "config/config_file.h"
#include "config/config_history.h"
#include "config/config_model.h"
#include "config/config_snapshot.h"
#include "config/json_codec.h"
#include "config/json_file.h"
#include "config/scratch_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "resource.h"
#include "sheet/wiring_sheet.h"

namespace {

const char* const JSON_FILTER = "JSON configuration (*.json)\0*.json\0All files\0*.*\0";
const char* const SVG_FILTER = "SVG picture (*.svg)\0*.svg\0All files\0*.*\0";
const char* const DEFAULT_FILE_NAME = "Config.QZC";
const char* const SAVE_FAILED = "Error saving the file";

// `path` with its extension (after the last dot of the last part) replaced by `extension`.
std::string with_extension(const std::string& path, const char* extension) {
    const std::size_t part = path.find_last_of("\\/:");
    const std::size_t dot = path.find_last_of('.');
    const bool has_extension = dot != std::string::npos && (part == std::string::npos || dot > part);
    return (has_extension ? path.substr(0, dot) : path) + extension;
}

// The configuration file's name (Save's default when there is none yet) with `extension`.
std::string proposed_name(const char* extension) {
    const char* name = config_model.config_file_name;
    return with_extension(name[0] ? name : DEFAULT_FILE_NAME, extension);
}

// The configuration as a file holds it, as a value: the editor's image decoded as Open would
// decode the file. A pin that several lines share is kept, as velmaroctl's export and sheet of
// such a file keep it (Save and Write refuse it); false after the engine reported a problem.
bool saved_configuration(ConfigSnapshot& snapshot) {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    int shared_pin = 0;
    if (!build_config_image_keeping_shared_pin(image, shared_pin)) return false;
    bool decoded = false;
    on_scratch_model([&] { decoded = snapshot_from_image(image, snapshot); });
    return decoded;
}

// The save dialog of a file tool over the proposed name; false when cancelled.
bool choose_output(const char* title, const char* filter, const char* extension, std::string& path) {
    char name[CONFIG_FILE_NAME_SIZE] = {};
    const std::string proposed = proposed_name(extension);
    std::strncpy(name, proposed.c_str(), sizeof name - 1);
    if (!choose_file_titled(true, title, filter, name, sizeof name)) return false;
    path = name;
    return true;
}

bool write_text_file(const std::string& path, const std::string& text) {
    if (write_file_atomically(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) return true;
    report_error_message(SAVE_FAILED);
    return false;
}

// The document as import reads it, and the image that import saves from it; false after
// import's own message (the file, the line, the field).
bool imported_image(const std::string& path, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    bool imported = false;
    on_scratch_model([&] {
        std::string text;
        imported = read_document_file(path, text) && import_image(text, path, image);
    });
    return imported;
}

// Loaded as Open loads a file, as one step of the history, but counted as changed: the configuration exists in no file
// yet, and Save proposes the document's name as a configuration file.
void import_json() {
    if (!ask_save_changes()) return;
    char name[CONFIG_FILE_NAME_SIZE] = {};
    if (!choose_file_titled(false, "Import JSON", JSON_FILTER, name, sizeof name)) return;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!imported_image(name, image)) return;
    const HistoryPlace place{fn_view_active, FOCUS_NONE, 0, 0};
    history_begin_edit();  // the step changes the configuration and its file name: Undo takes back both
    const bool parsed = parse_config_image(image);
    if (parsed) set_config_file_name(with_extension(name, ".QZC"));
    history_record_step(place);
    if (!parsed) {
        report_error_message("Invalid configuration file");
        return;
    }
    config_model.config_changed = 1;  // also when it equals the editor's: no file holds it yet
    refresh_matrix_editor();
}

void export_json() {
    static ConfigSnapshot snapshot;
    std::string path;
    if (!saved_configuration(snapshot) || !choose_output("Export JSON", JSON_FILTER, ".json", path)) return;
    std::string text;
    on_scratch_model([&] { text = configuration_to_json(snapshot, false); });
    write_text_file(path, text);
}

// The sheet goes to the program that Windows opens SVG files with (a browser shows and prints
// it); when there is none, the user is told where the file is.
void open_wiring_sheet(const std::string& path) {
    const HINSTANCE opened = ShellExecuteA(main_window, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(opened) > 32) return;
    const std::string text = "The wiring sheet was saved to " + path;
    ui->message_box(MESSAGE_PLAIN, text.c_str());
}

void save_wiring_sheet() {
    static ConfigSnapshot snapshot;
    std::string path;
    if (!saved_configuration(snapshot) || !choose_output("Save Wiring Sheet", SVG_FILTER, ".svg", path)) return;
    const char* file = config_model.config_file_name;
    const SheetLabels labels = {file[0] ? sheet_file_label(file) : SHEET_NOT_SAVED_LABEL, sheet_date_today()};
    std::string svg;
    on_scratch_model([&] { svg = wiring_sheet_svg(snapshot, labels); });
    if (write_text_file(path, svg)) open_wiring_sheet(path);
}

}  // namespace

void run_tools_command(int command) {
    switch (command) {
    case CMD_COMPARE: compare_with_device(); break;
    case CMD_WRITE_ALL: write_to_all_devices(); break;
    case CMD_VERIFY_AFTER_WRITE: toggle_verify_after_write(); break;
    case CMD_IMPORT_JSON: import_json(); break;
    case CMD_EXPORT_JSON: export_json(); break;
    case CMD_WIRING_SHEET: save_wiring_sheet(); break;
    case CMD_KEY_TESTER: show_key_tester(); break;
    default: break;
    }
}
