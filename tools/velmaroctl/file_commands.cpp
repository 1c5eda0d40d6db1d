// velmaroctl's file commands over the engine: show, export, import, new and diff.
#include "file_commands.h"

#include <cctype>
#include <iostream>

#include "config/config_file.h"
#include "config/config_diff.h"
#include "config/json_codec.h"
#include "config/json_file.h"
#include "text_output.h"
#include "unit_commands.h"
#include "velmaroctl.h"
#include "sheet/wiring_sheet.h"

namespace {
constexpr const char* UNIT_PREFIX = "unit:";
constexpr const char* STANDARD_INPUT = "-";
constexpr int NOT_A_UNIT = 0;
constexpr int BAD_UNIT = -1;

// The document of import: standard input for "-", else the file as the window reads it.
bool read_text_file(const std::string& path, std::string& text) {
    return path == STANDARD_INPUT ? read_document_stream(path, std::cin, text) : read_document_file(path, text);
}

// The unit number of a "unit:N" source, NOT_A_UNIT for a file, BAD_UNIT for "unit:" with
// anything but 1..4 after it.
int unit_of_source(const std::string& source) {
    const std::string prefix = UNIT_PREFIX;
    if (source.compare(0, prefix.size(), prefix) != 0) return NOT_A_UNIT;
    const std::string number = source.substr(prefix.size());
    if (number.size() != 1 || number[0] < '1' || number[0] > '0' + MAX_UNITS) return BAD_UNIT;
    return number[0] - '0';
}

bool is_json_name(const std::string& name) {
    const std::string suffix = ".json";
    if (name.size() < suffix.size()) return false;
    std::string end = name.substr(name.size() - suffix.size());
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == suffix;
}

// What the sheet names as its source: the file, or the unit with its serial number.
std::string sheet_source_label(const std::string& source) {
    const int unit = unit_of_source(source);
    if (unit == NOT_A_UNIT) return sheet_file_label(source);
    read_unit_serial(unit);
    return "VELMARO (" + std::to_string(unit) + ")  SN- " + std::to_string(unit_serial[unit]);
}
}  // namespace

bool load_source(const std::string& source, ConfigSnapshot& snapshot) {
    const int unit = unit_of_source(source);
    if (unit == NOT_A_UNIT && is_json_name(source)) return load_json_file(source, snapshot);
    if (unit == NOT_A_UNIT) return load_config_file(source, snapshot);
    if (!unit_library_ready()) return false;
    bool opened[MAX_UNITS + 1] = {};
    search_units(opened);
    return load_unit_configuration(unit, snapshot);
}

bool valid_source_name(const std::string& source) {
    if (unit_of_source(source) != BAD_UNIT) return true;
    report_error("Bad source \"" + source + "\": units are unit:1 to unit:4");
    return false;
}

int run_show_command(const std::string& file) {
    ConfigSnapshot snapshot;
    if (!load_config_file(file, snapshot)) return CTL_EXIT_FAILED;
    show_configuration(snapshot, *ctl_out);
    return CTL_EXIT_OK;
}

int run_export_command(const std::string& file, bool numeric) {
    ConfigSnapshot snapshot;
    if (!load_config_file(file, snapshot)) return CTL_EXIT_FAILED;
    *ctl_out << configuration_to_json(snapshot, numeric);
    return CTL_EXIT_OK;
}

int run_import_command(const std::string& json_file, const std::string& output) {
    std::string text;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!read_text_file(json_file, text) || !import_image(text, json_file, image) || !save_image_file(output, image))
        return CTL_EXIT_FAILED;
    return CTL_EXIT_OK;
}

int run_new_command(const std::string& output) {
    ConfigSnapshot snapshot;
    default_snapshot(snapshot);
    return save_config_file(output, snapshot) ? CTL_EXIT_OK : CTL_EXIT_FAILED;
}

int run_diff_command(const std::string& a, const std::string& b) {
    if (!valid_source_name(a) || !valid_source_name(b)) return CTL_EXIT_USAGE;
    static ConfigSnapshot first;  // 16 KB each: off the stack
    static ConfigSnapshot second;
    const int unit_a = unit_of_source(a), unit_b = unit_of_source(b);
    if ((unit_a == NOT_A_UNIT) != (unit_b == NOT_A_UNIT)) {  // a configuration and a unit
        const bool unit_first = unit_a != NOT_A_UNIT;
        if (!load_source(unit_first ? b : a, first)) return CTL_EXIT_NOT_COMPARED;
        return run_unit_diff(first, unit_first ? unit_a : unit_b, unit_first);
    }
    if (!load_source(a, first) || !load_source(b, second)) return CTL_EXIT_NOT_COMPARED;
    const std::vector<std::string> differences = compare_configurations(first, second);
    for (const std::string& line : differences) *ctl_out << line << "\n";
    return differences.empty() ? CTL_EXIT_OK : CTL_EXIT_FAILED;
}

int run_sheet_command(const std::string& source, const std::string& output) {
    if (!valid_source_name(source)) return CTL_EXIT_USAGE;
    static ConfigSnapshot snapshot;
    if (!load_source(source, snapshot)) return CTL_EXIT_FAILED;
    const std::string svg = wiring_sheet_svg(snapshot, {sheet_source_label(source), sheet_date_today()});
    if (write_file_atomically(output, reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()))
        return CTL_EXIT_OK;
    report_error("Error saving the file: " + output);
    return CTL_EXIT_FAILED;
}
