// The editors' rules for changing a cell: the FN key's table entry and the macros that no
// cell can reach any more.
#include "config/config_edit.h"

#include "config/config_model.h"
#include "keys/key_codes.h"

void free_macro_if_unreachable(int old_code) {
    const int number = macro_number_of(old_code);
    if (number < 1 || number > HIGHEST_MACRO_NUMBER) return;
    if (model_refers_to_macro(number, MATRIX_MAX_LINES, MATRIX_MAX_LINES)) return;
    config_model.macro_slots[number - 1] = MacroSlot();
}

bool store_cell_code(bool fn_table, int cell, int code) {
    if (cell < 0 || cell >= KEY_TABLE_SIZE) return false;
    int* table = fn_table ? config_model.fn_key_table : config_model.key_table;
    const int old_code = table[cell];
    const int old_fn_entry = config_model.fn_key_table[cell];
    if (!fn_table && is_fn_key(old_code) && !is_fn_key(code)) config_model.fn_key_table[cell] = 0;
    table[cell] = code;
    const bool changed = table[cell] != old_code || config_model.fn_key_table[cell] != old_fn_entry;
    if (!changed) return false;
    free_macro_if_unreachable(old_code);
    if (config_model.fn_key_table[cell] != old_fn_entry) free_macro_if_unreachable(old_fn_entry);
    return true;
}
