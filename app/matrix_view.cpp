// Placeholder: the matrix editor view.
#include "app/app.h"
int visible_columns, visible_rows;
void layout_matrix_editor() {}
void update_scroll_ranges() {}
void refresh_cell_captions() {}
void refresh_matrix_editor() {}
void scroll_columns(int, bool) {}
void scroll_rows(int, bool) {}
void matrix_on_size() {}
void matrix_on_sizing(WPARAM, RECT*) {}
void matrix_on_scroll(UINT, WPARAM) {}
