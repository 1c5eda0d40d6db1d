// Configuration files: Save and Open, the scrambling of the image, safe writing, and
// configuration values loaded from and saved to files.
#include "config/config_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "config/config_history.h"
#include "config/config_model.h"
#include "config/ui_ops.h"

#ifdef _WIN32
// The one Windows call the portable core makes, declared here rather than through the
// Windows headers.
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char* existing, const char* target,
                                                            unsigned long flags);
#endif

namespace {
constexpr const char* DEFAULT_FILE_NAME = "Config.QZC";
constexpr const char* TEMPORARY_SUFFIX = ".velmaro-save.tmp";

void show_error(const char* text) { ui->message_box(MESSAGE_ERROR, text); }

// Writes all bytes and closes the file; false if any of the three steps fails.
bool write_and_close(std::FILE* file, const std::uint8_t* bytes, std::size_t size) {
    bool ok = std::fwrite(bytes, 1, size, file) == size;
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// Puts the finished temporary file in the place of the target. On Windows the names take the
// same road as in fopen and the file dialogs (the ANSI code page) all the way to the rename,
// so any name the save dialog returns works: std::filesystem's narrow-name conversion there
// is right for ASCII and Latin-1 only.
bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    constexpr unsigned long MOVE_REPLACE_EXISTING = 0x1, MOVE_WRITE_THROUGH = 0x8;
    return MoveFileExA(from.c_str(), to.c_str(), MOVE_REPLACE_EXISTING | MOVE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

void terminate_file_name() { config_model.config_file_name[CONFIG_FILE_NAME_SIZE - 1] = '\0'; }
}  // namespace

void scramble_config_bytes(std::uint8_t bytes[CONFIG_IMAGE_SIZE]) {
    for (int i = 0; i < CONFIG_IMAGE_SIZE; ++i)
        bytes[i] ^= static_cast<std::uint8_t>(SCRAMBLE_BASE ^ ((CONFIG_IMAGE_SIZE - i) & 0xFF));
}

bool write_file_atomically(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    if (path.empty()) return false;
    const std::string temporary = path + TEMPORARY_SUFFIX;
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    if (write_and_close(file, bytes, size) && replace_file(temporary, path)) return true;
    std::remove(temporary.c_str());
    return false;
}

FileReadResult read_config_file(const std::string& path, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    std::memset(image, 0, CONFIG_IMAGE_SIZE);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return FileReadResult::CANNOT_OPEN;
    const std::size_t got = std::fread(image, 1, CONFIG_IMAGE_SIZE, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return FileReadResult::CANNOT_OPEN;
    if (got < static_cast<std::size_t>(CONFIG_IMAGE_SIZE)) {
        std::memset(image, 0, CONFIG_IMAGE_SIZE);
        return FileReadResult::TOO_SHORT;
    }
    scramble_config_bytes(image);
    return FileReadResult::OK;
}

bool save_configuration_file() {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!build_config_image(image)) return false;
    scramble_config_bytes(image);
    char* name = config_model.config_file_name;
    if (name[0] == '\0') std::strcpy(name, DEFAULT_FILE_NAME);
    if (!ui->choose_file(true, name, CONFIG_FILE_NAME_SIZE)) {
        name[0] = '\0';
        return false;
    }
    terminate_file_name();
    if (!write_file_atomically(name, image, CONFIG_IMAGE_SIZE)) {
        show_error("Error saving the file");
        return false;
    }
    history_mark_saved();
    return true;
}

namespace {
// Reads and loads the file config_model.config_file_name names, with Open's messages.
bool load_named_configuration_file() {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    switch (read_config_file(config_model.config_file_name, image)) {
    case FileReadResult::CANNOT_OPEN:
        show_error("Error opening the file");
        return false;
    case FileReadResult::TOO_SHORT:
        show_error("Invalid configuration file");
        return false;
    case FileReadResult::OK:
        break;
    }
    if (!parse_config_image(image)) {
        show_error("Invalid configuration file");
        return false;
    }
    history_reset();  // a fresh history, the opened configuration saved
    view->refresh_matrix_editor();
    return true;
}
}  // namespace

void open_configuration_file() {
    if (!ask_save_changes()) return;
    char* name = config_model.config_file_name;
    char previous[CONFIG_FILE_NAME_SIZE];
    std::memcpy(previous, name, CONFIG_FILE_NAME_SIZE);
    if (!ui->choose_file(false, name, CONFIG_FILE_NAME_SIZE)) {
        std::memcpy(name, previous, CONFIG_FILE_NAME_SIZE);  // a cancelled dialog changes nothing
        return;
    }
    terminate_file_name();
    load_named_configuration_file();
}

bool open_configuration_path(const char* path) {
    char* name = config_model.config_file_name;
    char previous[CONFIG_FILE_NAME_SIZE];
    std::memcpy(previous, name, CONFIG_FILE_NAME_SIZE);
    set_config_file_name(path);
    if (load_named_configuration_file()) return true;
    std::memcpy(name, previous, CONFIG_FILE_NAME_SIZE);
    return false;
}

bool refuse_directory(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) return false;
    report_error_message("Error opening the file: " + path + " is a directory");
    return true;
}

bool load_config_file(const std::string& path, ConfigSnapshot& snapshot) {
    if (refuse_directory(path)) return false;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    switch (read_config_file(path, image)) {
    case FileReadResult::CANNOT_OPEN:
        report_error_message("Error opening the file: " + path);
        return false;
    case FileReadResult::TOO_SHORT:
        report_error_message("Invalid configuration file: " + path + " (shorter than 512 bytes)");
        return false;
    case FileReadResult::OK:
        break;
    }
    if (snapshot_from_image(image, snapshot)) return true;
    report_error_message("Invalid configuration file: " + path);
    return false;
}

bool save_image_file(const std::string& path, const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    std::uint8_t bytes[CONFIG_IMAGE_SIZE];
    std::memcpy(bytes, image, CONFIG_IMAGE_SIZE);
    scramble_config_bytes(bytes);
    if (write_file_atomically(path, bytes, CONFIG_IMAGE_SIZE)) return true;
    report_error_message("Error saving the file: " + path);
    return false;
}

bool save_config_file(const std::string& path, const ConfigSnapshot& snapshot) {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    return image_from_snapshot(snapshot, image) && save_image_file(path, image);
}
