// A click on a cell of the matrix editor: with the right mouse button held it switches the
// grid between the normal and the FN table, with Ctrl held it opens the cell's macro, and
// otherwise it opens the key selection. The modifier keys are read when the click arrives.
#include "app/app.h"
#include "config/config_edit.h"
#include "config/config_history.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_protocol.h"
#include "keys/key_codes.h"
#include "keys/key_dialogs.h"
#include "resource.h"

namespace {

constexpr int MACRO_RESULT_KEEP = KEY_FLAG_REPEAT | KEY_NUMBER_MASK;  // of a macro editor result

bool key_held(int virtual_key) { return (GetKeyState(virtual_key) & 0x8000) != 0; }

int* current_table() { return fn_view_active ? config_model.fn_key_table : config_model.key_table; }

// The model cell behind grid position k, or -1 when k shows no cell.
int cell_of_grid_position(int k) {
    if (visible_columns <= 0 || visible_rows <= 0) return -1;
    if (k < 0 || k >= visible_columns * visible_rows) return -1;
    int row = k / visible_columns + GetScrollPos(vertical_scroll_bar, SB_CTL);
    int column = k % visible_columns + GetScrollPos(horizontal_scroll_bar, SB_CTL);
    if (row < 0 || row >= MATRIX_MAX_LINES || column < 0 || column >= MATRIX_MAX_LINES) return -1;
    return cell_index(row, column);
}

// The place of an edit of cell ci in the current view, for Undo and Redo.
HistoryPlace cell_place(int ci) {
    return HistoryPlace{fn_view_active, FOCUS_CELL, ci / MATRIX_MAX_LINES, ci % MATRIX_MAX_LINES};
}

void finish_cell_edit(int k) {
    refresh_cell_captions();
    constexpr int cell_button_count = sizeof cell_buttons / sizeof cell_buttons[0];
    if (k >= 0 && k < cell_button_count && cell_buttons[k] != nullptr) SetFocus(cell_buttons[k]);
}

void toggle_fn_view(int ci) {
    if (!is_fn_key(config_model.key_table[ci])) return;
    // The gesture stores the FN key in the FN table too; only that is a step, made in the
    // view the gesture leaves.
    const HistoryPlace place = cell_place(ci);
    history_begin_edit();
    config_model.fn_key_table[ci] = KEY_FN;
    fn_view_active = !fn_view_active;
    history_record_step(place);
    refresh_cell_captions();
}

int lowest_free_macro_slot() {
    for (int s = 0; s < MACRO_SLOT_COUNT; ++s)
        if (!config_model.macro_slots[s].in_use) return s;
    return -1;
}

// The slot that Ctrl+click edits for a cell code: its own macro, else the lowest free slot.
int macro_slot_for_code(int code) {
    if (code & KEY_FLAG_MACRO) return (code & KEY_NUMBER_MASK) - 1;
    return lowest_free_macro_slot();
}

void edit_cell_macro(int k, int ci) {
    if (fn_view_active && (is_fn_key(config_model.key_table[ci]) || is_fn_key(config_model.fn_key_table[ci])))
        return;
    int code = current_table()[ci];
    int slot = macro_slot_for_code(code);
    if (slot < 0 || slot >= MACRO_SLOT_COUNT) return;
    history_begin_edit();  // the whole session, as it ends, is one step
    current_macro_slot = slot;
    macro_backup = config_model.macro_slots[slot];
    macro_repeat_initial = (code & KEY_FLAG_REPEAT) ? 1 : 0;
    INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_MACRO), main_window, macro_dialog_proc, 0);
    if (result >= 0) {
        int new_code = static_cast<int>(result);
        if (new_code & MACRO_RESULT_FLAG) new_code = (new_code & MACRO_RESULT_KEEP) | KEY_FLAG_MACRO;
        store_cell_code(fn_view_active, ci, new_code);
    }
    history_record_step(cell_place(ci));
    finish_cell_edit(k);
}

// The cell of the normal table that holds the FN key (the last one), or -1.
int fn_key_cell() {
    int found = -1;
    for (int c = 0; c < KEY_TABLE_SIZE; ++c)
        if (is_fn_key(config_model.key_table[c])) found = c;
    return found;
}

void select_cell_key(int k, int ci) {
    int fn_cell = fn_view_active ? -1 : fn_key_cell();
    int code = current_table()[ci];
    if (fn_view_active && is_fn_key(code)) return;
    INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_SELECT_KEY), main_window,
                                     select_key_dialog_proc, code);
    if (result < 0) {
        finish_cell_edit(k);
        return;
    }
    int new_code = static_cast<int>(result);
    // The FN key sends nothing itself, so a repeat flag on it means nothing: FN is FN.
    if ((new_code & ~KEY_FLAG_REPEAT) == KEY_FN) {
        if (fn_view_active || (fn_cell >= 0 && fn_cell != ci)) {
            ui->message_box(MESSAGE_ERROR, "FN key already in matrix!");
            return;
        }
        new_code = KEY_FN;
    }
    history_begin_edit();  // only a key taken is an edit: a cancel or a refusal leaves none begun
    store_cell_code(fn_view_active, ci, new_code);
    history_record_step(cell_place(ci));  // the same key again is no step
    finish_cell_edit(k);
}

}  // namespace

void on_cell_clicked(int grid_position) {
    if (transfer_in_progress) return;
    int ci = cell_of_grid_position(grid_position);
    if (ci < 0) return;
    if (key_held(VK_RBUTTON))
        toggle_fn_view(ci);
    else if (key_held(VK_CONTROL))
        edit_cell_macro(grid_position, ci);
    else
        select_cell_key(grid_position, ci);
}
