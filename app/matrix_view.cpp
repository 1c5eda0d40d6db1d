// The matrix editor's view: places the grid of cell buttons, the column and row headers and
// the scroll bars in the main window, scrolls the grid over the model, snaps the window size
// to half cells and writes every label, pin selection and cell caption from the model. Every
// figure is given for 96 DPI and scaled to the window's DPI.
#include <cstdio>
#include <cstring>
#include "app/app.h"
#include "app/matrix_view.h"
#include "config/config_model.h"
#include "keys/key_codes.h"
#include "keys/key_names.h"

int visible_columns, visible_rows;

namespace {

constexpr int LAYOUT_WIDTH_MARGIN = 85;    // grid origin plus the vertical scroll bar
constexpr int LAYOUT_HEIGHT_MARGIN = 118;  // grid origin plus the horizontal scroll bar
constexpr int SNAP_WIDTH_BASE = 85;
constexpr int SNAP_HEIGHT_BASE = 117;
constexpr int FAR_SCROLL = 1024;           // a request to go to either end

// Set when the scale changed: the next layout places every control even if the counts stay.
bool layout_stale = false;

int selected_count(HWND combo) {
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= MATRIX_MAX_LINES) return 1;
    return static_cast<int>(index) + 1;
}

int lines_that_fit(int extent, int margin, int cell) {
    int fit = (extent - margin) / cell;
    return fit > 0 ? fit : 0;
}

// Moves a control to (x, y) keeping its size, activation and owner order.
void move_control(HWND control, int x, int y) {
    SetWindowPos(control, nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// Moves a combo box keeping its current height (it changes while the list is open).
void move_combo(HWND combo, int x, int y, int width) {
    RECT box;
    GetWindowRect(combo, &box);
    MoveWindow(combo, x, y, width, box.bottom - box.top, TRUE);
}

void place_count_controls() {
    InvalidateRect(rows_caption, nullptr, FALSE);
    InvalidateRect(columns_caption, nullptr, FALSE);
    move_control(rows_caption, scaled(0), scaled(8));
    move_control(rows_combo, scaled(20), scaled(24));
    move_control(columns_caption, scaled(147), scaled(8));
    move_control(columns_combo, scaled(160), scaled(24));
}

void place_scroll_bars() {
    const int left = scaled(GRID_LEFT), top = scaled(GRID_TOP), bar = scaled(SCROLL_BAR_SIZE);
    const int width = scaled(CELL_WIDTH) * visible_columns, height = scaled(CELL_HEIGHT) * visible_rows;
    MoveWindow(horizontal_scroll_bar, left, top + height, width, bar, TRUE);
    MoveWindow(vertical_scroll_bar, left + width, top, bar, height, TRUE);
}

void place_cell_buttons() {
    int shown = visible_cell_count();
    for (int k = 0; k < 20; ++k) {
        if (k >= shown) {
            ShowWindow(cell_buttons[k], SW_HIDE);
            continue;
        }
        const int row = k / visible_columns, column = k % visible_columns;
        const int width = scaled(CELL_WIDTH), height = scaled(CELL_HEIGHT);
        MoveWindow(cell_buttons[k], scaled(GRID_LEFT) + width * column, scaled(GRID_TOP) + height * row, width,
                   height, TRUE);
        ShowWindow(cell_buttons[k], SW_SHOW);
    }
}

void place_header(int index, int x, int label_y, int combo_y) {
    MoveWindow(header_labels[index], x, label_y, scaled(HEADER_WIDTH), scaled(HEADER_LABEL_HEIGHT), TRUE);
    move_combo(pin_combos[index], x, combo_y, scaled(HEADER_WIDTH));
    ShowWindow(header_labels[index], SW_SHOW);
    ShowWindow(pin_combos[index], SW_SHOW);
}

void place_headers() {
    const int width = scaled(CELL_WIDTH), height = scaled(CELL_HEIGHT);
    for (int c = 0; c < visible_columns; ++c) place_header(c, scaled(104) + width * c, scaled(96), scaled(112));
    for (int r = 0; r < visible_rows; ++r)
        place_header(visible_columns + r, scaled(8), scaled(168) + height * r, scaled(184) + height * r);
    for (int i = visible_columns + visible_rows; i < MATRIX_MAX_PINS; ++i) {
        ShowWindow(header_labels[i], SW_HIDE);
        ShowWindow(pin_combos[i], SW_HIDE);
    }
}

void set_scroll_range(HWND bar, int maximum) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = maximum > 0 ? maximum : 0;
    info.nPage = 1;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    ShowWindow(bar, maximum > 0 ? SW_SHOW : SW_HIDE);
}

void set_text_if_changed(HWND window, const char* text) {
    char current[CELL_CAPTION_SIZE];
    GetWindowTextA(window, current, sizeof current);
    if (std::strcmp(current, text) != 0) SetWindowTextA(window, text);
}

void select_pin(HWND combo, const int* pins, int line) {
    if (line < 0 || line >= MATRIX_MAX_LINES) return;
    int pin = pins[line];
    if (pin < 0 || pin >= MATRIX_MAX_PINS) pin = -1;  // shows no selection rather than a wrong pin
    if (SendMessageA(combo, CB_GETCURSEL, 0, 0) != pin) SendMessageA(combo, CB_SETCURSEL, pin, 0);
}

void refresh_headers(int h, int v) {
    char text[16];
    for (int c = 0; c < visible_columns; ++c) {
        select_pin(pin_combos[c], config_model.column_pins, c + h);
        std::snprintf(text, sizeof text, "Col %d", c + h + 1);
        set_text_if_changed(header_labels[c], text);
    }
    for (int r = 0; r < visible_rows; ++r) {
        select_pin(pin_combos[visible_columns + r], config_model.row_pins, r + v);
        std::snprintf(text, sizeof text, "Row %d", r + v + 1);
        set_text_if_changed(header_labels[visible_columns + r], text);
    }
}

bool is_macro_cell(int code) {
    return (code & 0x1FF) > KEY_FLAG_MACRO && (code & KEY_NUMBER_MASK) >= 1;
}

// "Macro\n(" with the names of the first two steps, ", ..." when there are more, and ")".
void build_macro_caption(int code, char* caption) {
    std::strcpy(caption, (code & KEY_FLAG_REPEAT) ? "[Repeat]\nMacro\n(" : "Macro\n(");
    const std::size_t length = std::strlen(caption);
    format_macro_summary(config_model.macro_slots[(code & KEY_NUMBER_MASK) - 1], caption + length,
                         CELL_CAPTION_SIZE - length - 1);
    std::strcat(caption, ")");
}

void refresh_cells(int h, int v) {
    const int* table = fn_view_active ? config_model.fn_key_table : config_model.key_table;
    char caption[CELL_CAPTION_SIZE];
    for (int k = 0; k < visible_cell_count(); ++k) {
        int row = k / visible_columns + v, column = k % visible_columns + h;
        if (row >= MATRIX_MAX_LINES || column >= MATRIX_MAX_LINES) continue;
        build_cell_caption(table[cell_index(row, column)], caption);
        set_text_if_changed(cell_buttons[k], caption);
    }
}

// Where the focus goes when the grid scrolls by `delta` lines: it follows the same model line
// while that line stays in view, else it stops at the near edge of the visible lines.
int follow_line(int line, int delta, int visible) {
    if (line - delta < 0) return 0;
    if (line - delta >= visible) return visible - 1;
    return line - delta;
}

void move_focus_for_columns(int delta) {
    HWND focus = GetFocus();
    int k = grid_position_of(focus);
    if (k >= 0) {
        int row_start = k - k % visible_columns;
        SetFocus(cell_buttons[row_start + follow_line(k % visible_columns, delta, visible_columns)]);
        return;
    }
    int j = pin_combo_index_of(focus);
    if (j >= 0 && j < visible_columns) SetFocus(pin_combos[follow_line(j, delta, visible_columns)]);
}

void move_focus_for_rows(int delta) {
    HWND focus = GetFocus();
    int k = grid_position_of(focus);
    if (k >= 0) {
        int row = follow_line(k / visible_columns, delta, visible_rows);
        SetFocus(cell_buttons[row * visible_columns + k % visible_columns]);
        return;
    }
    int j = pin_combo_index_of(focus) - visible_columns;
    if (j >= 0 && j < visible_rows)
        SetFocus(pin_combos[visible_columns + follow_line(j, delta, visible_rows)]);
}

// Moves a scroll bar by `delta` within its range. Returns the delta actually applied.
int move_scroll_bar(HWND bar, int delta, bool redraw) {
    int position = GetScrollPos(bar, SB_CTL), minimum = 0, maximum = 0;
    GetScrollRange(bar, SB_CTL, &minimum, &maximum);
    if (position + delta < minimum) delta = minimum - position;
    if (position + delta > maximum) delta = maximum - position;
    if (delta != 0) SetScrollPos(bar, SB_CTL, position + delta, redraw ? TRUE : FALSE);
    return delta;
}

// The delta a scroll bar request asks for; `page` is the visible count of that direction.
// Sets `redraw` and returns false for requests that move nothing.
bool scroll_request_delta(WPARAM wparam, int current, int page, int* delta, bool* redraw) {
    *redraw = true;
    switch (LOWORD(wparam)) {
    case SB_LINEUP: *delta = -1; return true;
    case SB_LINEDOWN: *delta = 1; return true;
    case SB_PAGEUP: *delta = 1 - page; return true;
    case SB_PAGEDOWN: *delta = page - 1; return true;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        *delta = static_cast<int>(HIWORD(wparam)) - current;
        *redraw = false;
        return true;
    case SB_TOP: *delta = -FAR_SCROLL; return true;
    case SB_BOTTOM: *delta = FAR_SCROLL; return true;
    default: return false;
    }
}

int half_cell_width() { return scaled(CELL_WIDTH) / 2; }
int half_cell_height() { return scaled(CELL_HEIGHT) / 2; }

// Half a cell less on a side until the window fits `room`, but never below the smallest size
// that dragging a border gives.
int extent_within(int client, int frame, int base, int step, int room) {
    while (client + frame > room && client - step >= base + step * SNAP_FIRST) client -= step;
    return client;
}

}  // namespace

void build_cell_caption(int code, char* caption) {
    caption[0] = '\0';
    if (is_macro_cell(code)) {
        build_macro_caption(code, caption);
    } else {
        format_key_name(code & 0xFFFF, 0, caption);
    }
    if (fn_view_active && !is_fn_key(code)) std::strcat(caption, "\n\n<FN ON>");
}

void build_normal_cell_caption(int code, char* caption) {
    const bool fn_view = fn_view_active;
    fn_view_active = false;  // the names that depend on the view (the FN key's) as the normal view has them
    build_cell_caption(code, caption);
    fn_view_active = fn_view;
}

int matrix_row_count() { return selected_count(rows_combo); }
int matrix_column_count() { return selected_count(columns_combo); }
int horizontal_position() { return GetScrollPos(horizontal_scroll_bar, SB_CTL); }
int vertical_position() { return GetScrollPos(vertical_scroll_bar, SB_CTL); }
int visible_cell_count() { return visible_columns * visible_rows; }

int grid_position_of(HWND window) {
    if (window == nullptr) return -1;
    for (int k = 0; k < visible_cell_count() && k < 20; ++k)
        if (cell_buttons[k] == window) return k;
    return -1;
}

int pin_combo_index_of(HWND window) {
    if (window == nullptr) return -1;
    for (int i = 0; i < visible_columns + visible_rows && i < MATRIX_MAX_PINS; ++i)
        if (pin_combos[i] == window) return i;
    return -1;
}

void layout_matrix_editor() {
    RECT client;
    GetClientRect(main_window, &client);
    int columns = lines_that_fit(client.right - client.left, scaled(LAYOUT_WIDTH_MARGIN), scaled(CELL_WIDTH));
    int rows = lines_that_fit(client.bottom - client.top, scaled(LAYOUT_HEIGHT_MARGIN), scaled(CELL_HEIGHT));
    if (columns > matrix_column_count()) columns = matrix_column_count();
    if (rows > matrix_row_count()) rows = matrix_row_count();
    place_count_controls();
    if (!layout_stale && columns == visible_columns && rows == visible_rows) return;
    layout_stale = false;
    visible_columns = columns;
    visible_rows = rows;
    place_scroll_bars();
    place_cell_buttons();
    place_headers();
}

void update_scroll_ranges() {
    set_scroll_range(vertical_scroll_bar, matrix_row_count() - visible_rows);
    set_scroll_range(horizontal_scroll_bar, matrix_column_count() - visible_columns);
}

void refresh_cell_captions() {
    InvalidateRect(main_window, nullptr, TRUE);
    int h = horizontal_position(), v = vertical_position();
    refresh_headers(h, v);
    refresh_cells(h, v);
}

void refresh_matrix_editor() {
    layout_matrix_editor();
    update_scroll_ranges();
    refresh_cell_captions();
}

void scroll_columns(int delta, bool redraw) {
    delta = move_scroll_bar(horizontal_scroll_bar, delta, redraw);
    if (delta == 0) return;
    if (visible_cell_count() > 0) move_focus_for_columns(delta);
    refresh_cell_captions();
}

void scroll_rows(int delta, bool redraw) {
    delta = move_scroll_bar(vertical_scroll_bar, delta, redraw);
    if (delta == 0) return;
    if (visible_cell_count() > 0) move_focus_for_rows(delta);
    refresh_cell_captions();
}

void matrix_on_size() { refresh_matrix_editor(); }

void relayout_matrix_editor() {
    layout_stale = true;
    refresh_matrix_editor();
}

int snap_window_extent(int proposed, int frame, int base, int step, bool ties_to_larger) {
    int offset = proposed - frame - base;
    int k = SNAP_FIRST;
    if (offset >= step * SNAP_LAST) {
        k = SNAP_LAST;
    } else if (offset > step * SNAP_FIRST) {
        k = offset / step;
        int rest = offset - k * step;
        if (2 * rest > step || (2 * rest == step && ties_to_larger)) ++k;
    }
    return frame + base + step * k;
}

void matrix_on_sizing(WPARAM edge, RECT* proposed) {
    if (proposed == nullptr) return;
    const SIZE frame = main_window_frame();
    int width = snap_window_extent(proposed->right - proposed->left, frame.cx, scaled(SNAP_WIDTH_BASE),
                                   half_cell_width(), true);
    int height = snap_window_extent(proposed->bottom - proposed->top, frame.cy, scaled(SNAP_HEIGHT_BASE),
                                    half_cell_height(), false);
    if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
        proposed->left = proposed->right - width;
    else
        proposed->right = proposed->left + width;
    if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
        proposed->top = proposed->bottom - height;
    else
        proposed->bottom = proposed->top + height;
}

SIZE client_size_within(SIZE client, const RECT& work) {
    const SIZE frame = main_window_frame();
    const int room_width = work.right - work.left, room_height = work.bottom - work.top;
    client.cx = extent_within(client.cx, frame.cx, scaled(SNAP_WIDTH_BASE), half_cell_width(), room_width);
    client.cy = extent_within(client.cy, frame.cy, scaled(SNAP_HEIGHT_BASE), half_cell_height(), room_height);
    return client;
}

void matrix_on_scroll(UINT message, WPARAM wparam) {
    bool horizontal = message == WM_HSCROLL;
    int current = horizontal ? horizontal_position() : vertical_position();
    int page = horizontal ? visible_columns : visible_rows;
    int delta = 0;
    bool redraw = true;
    if (!scroll_request_delta(wparam, current, page, &delta, &redraw)) return;
    if (horizontal)
        scroll_columns(delta, redraw);
    else
        scroll_rows(delta, redraw);
}
