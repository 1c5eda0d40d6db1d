// The matrix editor's input: notifications of the option check boxes and of the count and pin
// combo boxes, clicks on the cell buttons, and the keyboard on cell buttons and combo boxes
// (Tab order, arrows, Enter).
#include "app/app.h"
#include "app/matrix_view.h"
#include "config/config_history.h"
#include "config/config_model.h"
#include "device/device_protocol.h"

WNDPROC previous_combo_box_proc;
WNDPROC previous_cell_button_proc;

namespace {

// The last selection of each count combo box that the program set or accepted; put back when
// the user changes a count while a transfer is running.
int accepted_rows_index = -1;
int accepted_columns_index = -1;

// A choice made in an open list is one step, recorded when the list closes: the combo box whose
// list is open, its count as it opened, and the place of the choice made in it since.
HWND open_list_combo = nullptr;
int count_as_list_opened = 0;
bool choice_in_open_list = false;
HistoryPlace open_list_place;

// Remembers the count selections the program sets, for refusing changes during a transfer.
void note_count_selection(HWND combo, int index) {
    if (combo == rows_combo) accepted_rows_index = index;
    if (combo == columns_combo) accepted_columns_index = index;
}

bool shift_held() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

int current_selection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

bool is_combo_box(HWND window) {
    if (window == rows_combo || window == columns_combo) return true;
    for (HWND combo : pin_combos)
        if (combo == window) return true;
    return false;
}

void set_combo_height(HWND combo, int height) {
    RECT box;
    GetWindowRect(combo, &box);
    SetWindowPos(combo, nullptr, 0, 0, box.right - box.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void toggle_check_box(HWND check) {
    if (transfer_in_progress) return;
    bool checked = SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
    history_begin_edit();
    SendMessageA(check, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    history_record_step(HistoryPlace{fn_view_active, FOCUS_NONE, 0, 0});
}

// Keeps rows + columns <= 9 by lowering the other count: `changed` was just chosen.
void keep_counts_in_header(HWND changed, HWND other) {
    int chosen = current_selection(changed), other_index = current_selection(other);
    if (chosen < 0 || other_index < 0) return;
    if (chosen + other_index > MATRIX_MAX_PINS - 2)
        SendMessageA(other, CB_SETCURSEL, MATRIX_MAX_PINS - 2 - chosen, 0);
}

// A pin chosen in the pin combo box at index `j` of pin_combos; `place` receives the line.
void store_pin_choice(int j, int pin, HistoryPlace& place) {
    if (j < 0 || pin < 0 || pin >= MATRIX_MAX_PINS) return;
    if (j < visible_columns) {
        int column = j + horizontal_position();
        if (column < MATRIX_MAX_LINES) config_model.column_pins[column] = pin;
        place = HistoryPlace{fn_view_active, FOCUS_COLUMN, 0, column};
    } else if (j - visible_columns < visible_rows) {
        int row = j - visible_columns + vertical_position();
        if (row < MATRIX_MAX_LINES) config_model.row_pins[row] = pin;
        place = HistoryPlace{fn_view_active, FOCUS_ROW, row, 0};
    }
}

// The place of a count change: the last line of the larger count, the lines that come or go.
HistoryPlace count_place(bool rows, int before, int after) {
    const int line = (before > after ? before : after) - 1;
    return rows ? HistoryPlace{fn_view_active, FOCUS_ROW, line, 0} : HistoryPlace{fn_view_active, FOCUS_COLUMN, 0, line};
}

// Puts back the selection a combo box had before the user changed it.
void refuse_selection_change(HWND combo) {
    int j = pin_combo_index_of(combo);
    if (combo == rows_combo) {
        SendMessageA(combo, CB_SETCURSEL, accepted_rows_index, 0);
    } else if (combo == columns_combo) {
        SendMessageA(combo, CB_SETCURSEL, accepted_columns_index, 0);
    } else if (j >= 0) {
        refresh_cell_captions();  // selects the model's pins again
    }
}

// The combo box shows the new choice already: the configuration before it is the one last
// recorded. A choice in an open list waits for the list to close; one that equals the current
// configuration is no step and leaves the unsaved flag as it was.
void on_selection_change(HWND combo) {
    if (transfer_in_progress) {
        refuse_selection_change(combo);
        return;
    }
    HistoryPlace place{fn_view_active, FOCUS_NONE, 0, 0};
    const bool list_open = combo == open_list_combo;
    if (combo == rows_combo || combo == columns_combo) {
        const bool rows = combo == rows_combo;
        keep_counts_in_header(combo, rows ? columns_combo : rows_combo);
        const int before = list_open ? count_as_list_opened : (rows ? accepted_rows_index : accepted_columns_index) + 1;
        place = count_place(rows, before, current_selection(combo) + 1);
        note_count_selection(combo, current_selection(combo));
    } else {
        store_pin_choice(pin_combo_index_of(combo), current_selection(combo), place);
    }
    if (list_open) {
        open_list_place = place;
        choice_in_open_list = true;
    } else {
        history_record_step(place);
    }
    refresh_matrix_editor();
}

void on_list_opened(HWND combo) {
    set_combo_height(combo, scaled(COMBO_OPEN_HEIGHT));
    open_list_combo = combo;
    count_as_list_opened = current_selection(combo) + 1;
    choice_in_open_list = false;
}

void on_list_closed(HWND combo) {
    set_combo_height(combo, scaled(COMBO_CLOSED_HEIGHT));
    if (combo != open_list_combo) return;
    open_list_combo = nullptr;
    if (choice_in_open_list) history_record_step(open_list_place);
    choice_in_open_list = false;
}

void on_combo_notification(HWND combo, int code) {
    switch (code) {
    case CBN_DROPDOWN: on_list_opened(combo); break;
    case CBN_CLOSEUP: on_list_closed(combo); break;
    case CBN_SELCHANGE: on_selection_change(combo); break;
    default: break;
    }
}

void focus_cell(int k) { SetFocus(cell_buttons[k]); }

// Sets a scroll position directly (keyboard scrolling has no focus rule) and refreshes.
void step_scroll_bar(HWND bar, int position) {
    SetScrollPos(bar, SB_CTL, position, TRUE);
    refresh_cell_captions();
}

void cell_tab(int k) {
    int column = k % visible_columns, row = k / visible_columns;
    if (shift_held()) {
        if (column > 0)
            focus_cell(k - 1);
        else
            SetFocus(pin_combos[visible_columns + row]);
    } else if (column < visible_columns - 1) {
        focus_cell(k + 1);
    } else if (row < visible_rows - 1) {
        SetFocus(pin_combos[visible_columns + row + 1]);
    } else {
        SetFocus(rows_combo);
    }
}

void cell_left(int k) {
    int h = horizontal_position();
    if (k % visible_columns > 0)
        focus_cell(k - 1);
    else if (h > 0)
        step_scroll_bar(horizontal_scroll_bar, h - 1);
}

void cell_right(int k) {
    int column = k % visible_columns, h = horizontal_position();
    if (column + h >= matrix_column_count() - 1) return;
    if (column < visible_columns - 1)
        focus_cell(k + 1);
    else
        step_scroll_bar(horizontal_scroll_bar, h + 1);
}

void cell_up(int k) {
    int v = vertical_position();
    if (k / visible_columns > 0)
        focus_cell(k - visible_columns);
    else if (v > 0)
        step_scroll_bar(vertical_scroll_bar, v - 1);
}

void cell_down(int k) {
    int row = k / visible_columns, v = vertical_position();
    if (row + v >= matrix_row_count() - 1) return;
    if (row < visible_rows - 1)
        focus_cell(k + visible_columns);
    else
        step_scroll_bar(vertical_scroll_bar, v + 1);
}

void on_cell_key(HWND button, WPARAM key) {
    int k = grid_position_of(button);
    if (k < 0 || visible_cell_count() == 0) return;
    switch (key) {
    case VK_TAB: cell_tab(k); break;
    case VK_RETURN: SendMessageA(button, BM_CLICK, 0, 0); break;
    case VK_LEFT: cell_left(k); break;
    case VK_RIGHT: cell_right(k); break;
    case VK_UP: cell_up(k); break;
    case VK_DOWN: cell_down(k); break;
    default: break;
    }
}

// Tab and Shift+Tab from the pin combo box at index `j` of pin_combos.
void pin_combo_tab(int j, bool backwards) {
    int vc = visible_columns;
    if (j < vc) {
        if (!backwards)
            SetFocus(pin_combos[j + 1]);  // after the last column pin, the pin of grid row 0
        else
            SetFocus(j == 0 ? columns_combo : pin_combos[j - 1]);
        return;
    }
    int row = j - vc;
    if (!backwards)
        focus_cell(row * vc);
    else if (row == 0)
        SetFocus(pin_combos[vc - 1]);
    else
        focus_cell(row * vc - 1);
}

void on_combo_tab(HWND combo) {
    if (visible_cell_count() == 0) return;
    bool backwards = shift_held();
    if (combo == rows_combo) {
        if (backwards)
            focus_cell(visible_cell_count() - 1);
        else
            SetFocus(columns_combo);
    } else if (combo == columns_combo) {
        SetFocus(backwards ? rows_combo : pin_combos[0]);
    } else {
        int j = pin_combo_index_of(combo);
        if (j >= 0) pin_combo_tab(j, backwards);
    }
}

}  // namespace

void matrix_on_command(WPARAM wparam, LPARAM lparam) {
    HWND control = reinterpret_cast<HWND>(lparam);
    if (control == nullptr) return;
    int k = grid_position_of(control);
    if (k >= 0) {
        if (!transfer_in_progress) on_cell_clicked(k);
        return;
    }
    if (control == single_key_check || control == ghost_filter_check) {
        toggle_check_box(control);
        return;
    }
    if (is_combo_box(control)) on_combo_notification(control, HIWORD(wparam));
}

LRESULT CALLBACK cell_button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN: on_cell_key(button, wparam); break;
    default: break;
    }
    return CallWindowProcA(previous_cell_button_proc, button, message, wparam, lparam);
}

LRESULT CALLBACK combo_box_proc(HWND combo, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wparam == VK_TAB) on_combo_tab(combo);
        break;
    case CB_SETCURSEL: note_count_selection(combo, static_cast<int>(wparam)); break;
    default: break;
    }
    return CallWindowProcA(previous_combo_box_proc, combo, message, wparam, lparam);
}
