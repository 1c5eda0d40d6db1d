// The view operations over the main window: the row and column counts are the selections
// of the two count combo boxes, the options the states of the two check boxes.
#include "app/app.h"
#include "config/config_model.h"

namespace {

int selected_count(HWND combo) {
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)) + 1;
}

void select_count(HWND combo, int count) { SendMessageA(combo, CB_SETCURSEL, count - 1, 0); }

bool checked(HWND check_box) { return SendMessageA(check_box, BM_GETCHECK, 0, 0) != 0; }

void set_checked(HWND check_box, bool on) {
    SendMessageA(check_box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int window_row_count() { return selected_count(rows_combo); }
void window_select_row_count(int rows) { select_count(rows_combo, rows); }
int window_column_count() { return selected_count(columns_combo); }
void window_select_column_count(int columns) { select_count(columns_combo, columns); }
bool window_single_key() { return checked(single_key_check); }
void window_set_single_key(bool on) { set_checked(single_key_check, on); }
bool window_ghost_filter() { return checked(ghost_filter_check); }
void window_set_ghost_filter(bool on) { set_checked(ghost_filter_check, on); }
void window_refresh() { refresh_matrix_editor(); }

}  // namespace

const ViewOps window_view_ops = {
    window_row_count,     window_select_row_count, window_column_count,
    window_select_column_count, window_single_key, window_set_single_key,
    window_ghost_filter,  window_set_ghost_filter, window_refresh,
};
