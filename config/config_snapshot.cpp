// Moving configurations between velmaroctl's snapshots, the engine's model, images and files.
#include "config/config_snapshot.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "config/config_file.h"
#include "keys/key_codes.h"
#include "config/ui_ops.h"

void capture_configuration(ConfigSnapshot& snapshot) {
    snapshot.rows = view->row_count();
    snapshot.columns = view->column_count();
    for (int i = 0; i < MATRIX_MAX_LINES; ++i) {
        snapshot.column_pins[i] = config_model.column_pins[i] + 1;
        snapshot.row_pins[i] = config_model.row_pins[i] + 1;
    }
    snapshot.single_key_at_a_time = view->single_key_checked();
    snapshot.filter_ghost_keys = view->ghost_filter_checked();
    for (int row = 0; row < MATRIX_MAX_LINES; ++row) {
        for (int column = 0; column < MATRIX_MAX_LINES; ++column) {
            snapshot.keys[row][column] = config_model.key_table[cell_index(row, column)];
            snapshot.fn_keys[row][column] = config_model.fn_key_table[cell_index(row, column)];
        }
    }
    std::memcpy(snapshot.macros, config_model.macro_slots, sizeof snapshot.macros);
}

void apply_configuration(const ConfigSnapshot& snapshot) {
    load_default_configuration();
    view->select_row_count(snapshot.rows);
    view->select_column_count(snapshot.columns);
    for (int i = 0; i < MATRIX_MAX_LINES; ++i) {
        config_model.column_pins[i] = snapshot.column_pins[i] - 1;
        config_model.row_pins[i] = snapshot.row_pins[i] - 1;
    }
    view->set_single_key_checked(snapshot.single_key_at_a_time);
    view->set_ghost_filter_checked(snapshot.filter_ghost_keys);
    for (int row = 0; row < MATRIX_MAX_LINES; ++row) {
        for (int column = 0; column < MATRIX_MAX_LINES; ++column) {
            config_model.key_table[cell_index(row, column)] = snapshot.keys[row][column];
            config_model.fn_key_table[cell_index(row, column)] = snapshot.fn_keys[row][column];
        }
    }
    std::memcpy(config_model.macro_slots, snapshot.macros, sizeof snapshot.macros);
}

void default_snapshot(ConfigSnapshot& snapshot) {
    load_default_configuration();
    capture_configuration(snapshot);
}

bool snapshot_from_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], ConfigSnapshot& snapshot) {
    load_default_configuration();  // cells the image does not cover read as "Not Used"
    if (!parse_config_image(image)) return false;
    capture_configuration(snapshot);
    return true;
}

bool image_from_snapshot(const ConfigSnapshot& snapshot, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    apply_configuration(snapshot);
    return build_config_image(image);
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

std::vector<int> step_list(const int steps[MACRO_STEP_COUNT]) {
    return std::vector<int>(steps, steps + step_count(steps));
}

bool macro_referenced(const ConfigSnapshot& snapshot, int number) {
    for (int row = 0; row < snapshot.rows; ++row) {
        for (int column = 0; column < snapshot.columns; ++column) {
            if (code_runs_macro(snapshot.keys[row][column], number)) return true;
            if (code_runs_macro(snapshot.fn_keys[row][column], number)) return true;
        }
    }
    return false;
}

int highest_macro_referenced(const ConfigSnapshot& snapshot) {
    int highest = 0;
    for (int row = 0; row < snapshot.rows; ++row)
        for (int column = 0; column < snapshot.columns; ++column)
            for (int code : {snapshot.keys[row][column], snapshot.fn_keys[row][column]})
                highest = std::max(highest, macro_number_of(code));
    return highest;
}

std::vector<int> drop_macros_a_file_does_not_keep(ConfigSnapshot& snapshot) {
    std::vector<int> dropped;
    for (int number = highest_macro_referenced(snapshot) + 1; number <= MACRO_SLOT_COUNT; ++number) {
        MacroSlot& slot = snapshot.macros[number - 1];
        if (slot.in_use && (slot.make_steps[0] != 0 || slot.break_steps[0] != 0)) dropped.push_back(number);
        slot = MacroSlot{};
    }
    return dropped;
}

bool macro_listed(const ConfigSnapshot& snapshot, int number) {
    if (number < 1 || number > MACRO_SLOT_COUNT) return false;
    if (macro_referenced(snapshot, number)) return true;
    const MacroSlot& slot = snapshot.macros[number - 1];
    return slot.in_use && (slot.make_steps[0] != 0 || slot.break_steps[0] != 0);
}

std::vector<int> macro_make_steps(const ConfigSnapshot& snapshot, int number) {
    const MacroSlot& slot = snapshot.macros[number - 1];
    return slot.in_use ? step_list(slot.make_steps) : std::vector<int>();
}

std::vector<int> macro_break_steps(const ConfigSnapshot& snapshot, int number) {
    const MacroSlot& slot = snapshot.macros[number - 1];
    return slot.in_use ? step_list(slot.break_steps) : std::vector<int>();
}
