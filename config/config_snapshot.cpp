// Moving configurations between plain values, the engine's model and images, and which macros
// a value's image keeps.
#include "config/config_snapshot.h"

#include <cstring>

#include "keys/key_codes.h"

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

std::vector<int> step_list(const int steps[MACRO_STEP_COUNT]) {
    return std::vector<int>(steps, steps + step_count(steps));
}

MatrixLines snapshot_lines(const ConfigSnapshot& snapshot) {
    MatrixLines lines;
    lines.rows = snapshot.rows;
    lines.columns = snapshot.columns;
    for (int i = 0; i < MATRIX_MAX_LINES; ++i) {
        lines.column_pins[i] = snapshot.column_pins[i] - 1;
        lines.row_pins[i] = snapshot.row_pins[i] - 1;
    }
    return lines;
}

namespace {
// Both tables indexed by cell_index, as the image code takes them.
struct CellTables {
    int keys[KEY_TABLE_SIZE];
    int fn_keys[KEY_TABLE_SIZE];
};

CellTables cell_tables(const ConfigSnapshot& snapshot) {
    CellTables tables;
    for (int row = 0; row < MATRIX_MAX_LINES; ++row)
        for (int column = 0; column < MATRIX_MAX_LINES; ++column) {
            tables.keys[cell_index(row, column)] = snapshot.keys[row][column];
            tables.fn_keys[cell_index(row, column)] = snapshot.fn_keys[row][column];
        }
    return tables;
}
}  // namespace

bool macro_referenced(const ConfigSnapshot& snapshot, int number) {
    const CellTables tables = cell_tables(snapshot);
    return held_cell_runs_macro(snapshot_lines(snapshot), tables.keys, tables.fn_keys, number);
}

int highest_macro_kept(const ConfigSnapshot& snapshot) {
    const CellTables tables = cell_tables(snapshot);
    return macros_reached(snapshot_lines(snapshot), tables.keys, tables.fn_keys);
}

std::vector<int> drop_macros_a_file_does_not_keep(ConfigSnapshot& snapshot) {
    std::vector<int> dropped;
    for (int number = highest_macro_kept(snapshot) + 1; number <= MACRO_SLOT_COUNT; ++number) {
        MacroSlot& slot = snapshot.macros[number - 1];
        if (slot.in_use && (slot.make_steps[0] != 0 || slot.break_steps[0] != 0)) dropped.push_back(number);
        slot = MacroSlot{};
    }
    return dropped;
}

bool macro_listed(const ConfigSnapshot& snapshot, int number) {
    if (number < 1 || number > MACRO_SLOT_COUNT || number > highest_macro_kept(snapshot)) return false;
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
