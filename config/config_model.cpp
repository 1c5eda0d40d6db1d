// The configuration model, its defaults (New) and the unsaved-changes question.
#include "config/config_model.h"

#include <cstring>

#include "config/config_file.h"
#include "config/config_history.h"
#include "config/ui_ops.h"
#include "keys/key_codes.h"

ConfigModel config_model;
bool fn_view_active = false;

namespace {
// Pin indexes (pin number - 1) of the default layout: columns on pins 1-4, rows on 5-9,
// the further lines taking the free pins from the top down.
const int DEFAULT_COLUMN_PINS[MATRIX_MAX_LINES] = {0, 1, 2, 3, 8, 7, 6, 5};
const int DEFAULT_ROW_PINS[MATRIX_MAX_LINES] = {4, 5, 6, 7, 8, 7, 6, 5};
constexpr int DEFAULT_ROWS = 5;
constexpr int DEFAULT_COLUMNS = 4;

const char* const SAVE_CHANGES_TEXT =
    "The current configuration has changed.\nDo you want to save the changes?";

void clear_macro_slots() {
    std::memset(config_model.macro_slots, 0, sizeof config_model.macro_slots);
}
}  // namespace

bool model_refers_to_macro(int number, int rows, int columns) {
    for (int row = 0; row < rows && row < MATRIX_MAX_LINES; ++row)
        for (int column = 0; column < columns && column < MATRIX_MAX_LINES; ++column) {
            const int cell = cell_index(row, column);
            if (code_runs_macro(config_model.key_table[cell], number) ||
                code_runs_macro(config_model.fn_key_table[cell], number))
                return true;
        }
    return false;
}

bool ask_save_changes() {
    if (config_model.config_changed == 0) return true;
    switch (ui->message_box(MESSAGE_SAVE_CHANGES, SAVE_CHANGES_TEXT)) {
    case ANSWER_NO:
        return true;
    case ANSWER_YES:
        return save_configuration_file();
    default:  // Cancel, or a box that could not be shown
        return false;
    }
}

void load_default_configuration() {
    fn_view_active = false;
    view->select_row_count(DEFAULT_ROWS);
    view->select_column_count(DEFAULT_COLUMNS);
    std::memcpy(config_model.column_pins, DEFAULT_COLUMN_PINS, sizeof DEFAULT_COLUMN_PINS);
    std::memcpy(config_model.row_pins, DEFAULT_ROW_PINS, sizeof DEFAULT_ROW_PINS);
    std::memset(config_model.key_table, 0, sizeof config_model.key_table);
    std::memset(config_model.fn_key_table, 0, sizeof config_model.fn_key_table);
    clear_macro_slots();
    view->set_single_key_checked(false);
    view->set_ghost_filter_checked(false);
    config_model.config_changed = 0;
    view->refresh_matrix_editor();
}

void new_configuration() {
    if (!ask_save_changes()) return;
    load_default_configuration();
    history_reset();
}

void set_config_file_name(const std::string& name) {
    std::strncpy(config_model.config_file_name, name.c_str(), CONFIG_FILE_NAME_SIZE - 1);
    config_model.config_file_name[CONFIG_FILE_NAME_SIZE - 1] = '\0';
}
