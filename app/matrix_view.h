// Helpers shared by the matrix editor's view and input: what the grid shows now and where
// each control sits in it. The grid state itself is declared in app.h.
#pragma once
#include <windows.h>

// Grid geometry of the main window's client area, in pixels.
constexpr int GRID_LEFT = 68;
constexpr int GRID_TOP = 140;
constexpr int CELL_WIDTH = 128;
constexpr int CELL_HEIGHT = 96;
constexpr int SCROLL_BAR_SIZE = 17;
constexpr int HEADER_WIDTH = 56;
constexpr int HEADER_LABEL_HEIGHT = 16;
constexpr int COMBO_OPEN_HEIGHT = 256;   // a combo box's window while its list is dropped down
constexpr int COMBO_CLOSED_HEIGHT = 24;

// A cell's caption for its code, in the view shown (build_cell_caption) or in the normal view
// whichever is shown (build_normal_cell_caption), into a buffer of CELL_CAPTION_SIZE.
constexpr int CELL_CAPTION_SIZE = 100;
void build_cell_caption(int code, char* caption);
void build_normal_cell_caption(int code, char* caption);

// The counts as the two count combo boxes hold them (1..8; 1 when nothing is selected).
int matrix_row_count();
int matrix_column_count();

// The scroll positions, held only by the two scroll bars.
int horizontal_position();
int vertical_position();

// Number of visible cells (visible_columns x visible_rows); 0 when the client area is too
// small for one cell.
int visible_cell_count();

// Grid position of a visible cell button, or -1 when `window` is none.
int grid_position_of(HWND window);
// Index into pin_combos of a visible pin combo box, or -1.
int pin_combo_index_of(HWND window);

// Window sizes snap to whole half cells: the candidates for one side are the outer sizes
// `frame` + `base` + `step` * k for k = SNAP_FIRST .. SNAP_LAST, where `frame` is what the
// window adds to its client area on that side. Returns the candidate nearest to `proposed`
// (on a tie the larger one when `ties_to_larger`, else the smaller one).
constexpr int SNAP_FIRST = 4;
constexpr int SNAP_LAST = 1023;
int snap_window_extent(int proposed, int frame, int base, int step, bool ties_to_larger);
