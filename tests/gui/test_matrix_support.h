// What the matrix editor and pinout picture tests share: a started program with one unit
// attached, and small helpers that act on the main window as the user would (a selection in
// a combo box arrives as CBN_SELCHANGE, a scroll bar request as WM_HSCROLL or WM_VSCROLL).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <string>
#include "harness.h"
#include "app/matrix_view.h"
#include "config/config_model.h"
#include "keys/key_codes.h"
#include "keys/key_names.h"

class MatrixEditorTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        attach_unit(1);
        start_app();
    }
};

inline void notify_main_window(HWND control, int code) {
    SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(control));
    pump_idle();
}

// The user picks item `index` in a drop-down list: the control changes its selection by
// itself (not through the editor's window procedure, which watches what the program selects)
// and tells the main window.
inline void choose_item(HWND combo, int index) {
    CallWindowProcA(previous_combo_box_proc, combo, CB_SETCURSEL, index, 0);
    notify_main_window(combo, CBN_SELCHANGE);
}

inline void choose_rows(int rows) { choose_item(rows_combo, rows - 1); }
inline void choose_columns(int columns) { choose_item(columns_combo, columns - 1); }

inline int selection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

// Gives the main window a client area of width x height and lets the layout run.
inline void set_client_size(int width, int height) {
    RECT outer = {0, 0, width, height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(main_window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_idle();
}

inline SIZE client_size() {
    RECT client;
    GetClientRect(main_window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

// A control's rectangle in the main window's (or `parent`'s) client coordinates.
inline RECT client_rect_of(HWND control, HWND parent = main_window) {
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

inline int scroll_position(HWND bar) { return GetScrollPos(bar, SB_CTL); }

inline int scroll_maximum(HWND bar) {
    int minimum = 0, maximum = 0;
    GetScrollRange(bar, SB_CTL, &minimum, &maximum);
    return maximum;
}

inline bool shown(HWND window) { return IsWindowVisible(window) != FALSE; }

// A scroll bar request as the scroll bar sends it.
inline void request_scroll(UINT message, int request, int thumb = 0) {
    HWND bar = message == WM_HSCROLL ? horizontal_scroll_bar : vertical_scroll_bar;
    SendMessageA(main_window, message, MAKEWPARAM(request, thumb), reinterpret_cast<LPARAM>(bar));
    pump_idle();
}

inline std::string caption_of(int k) { return window_text(cell_buttons[k]); }

// The caption of a plain key code as the key names give it.
inline std::string key_caption(int code) {
    char name[64] = {};
    format_key_name(code, 0, name);
    return name;
}

inline std::string short_key_name(int key_number) {
    char name[64] = {};
    format_key_name(key_number, 1, name);
    return name;
}

// Puts a scroll position directly, as the arrow keys do, and refreshes the captions.
inline void set_horizontal(int position) {
    SetScrollPos(horizontal_scroll_bar, SB_CTL, position, TRUE);
    refresh_cell_captions();
}

inline void set_vertical(int position) {
    SetScrollPos(vertical_scroll_bar, SB_CTL, position, TRUE);
    refresh_cell_captions();
}

// ---- The display scale ------------------------------------------------------------------------

// A figure of the 96-DPI layout at `dpi`.
inline int at_dpi(int figure, int dpi) { return MulDiv(figure, dpi, 96); }

inline std::string box_text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// A control of `parent` at x, y, width x height of the 96-DPI layout scaled to `dpi` (a height
// of 0 is not checked: a combo box's height follows its font).
inline void expect_place(HWND parent, HWND control, int dpi, int x, int y, int width, int height) {
    RECT actual = client_rect_of(control, parent);
    if (height == 0) actual.bottom = actual.top;
    const RECT expected = {at_dpi(x, dpi), at_dpi(y, dpi), at_dpi(x, dpi) + at_dpi(width, dpi),
                           at_dpi(y, dpi) + at_dpi(height, dpi)};
    EXPECT_EQ(box_text(expected), box_text(actual)) << window_text(control);
}

// Every control of the main window at its place in the 96-DPI layout, scaled to `dpi`.
inline void expect_scaled_layout(int dpi) {
    expect_place(main_window, rows_caption, dpi, 0, 8, 96, 16);
    expect_place(main_window, columns_caption, dpi, 147, 8, 96, 16);
    expect_place(main_window, rows_combo, dpi, 20, 24, 64, 0);
    expect_place(main_window, columns_combo, dpi, 160, 24, 64, 0);
    expect_place(main_window, single_key_check, dpi, 20, 47, 116, 47);
    expect_place(main_window, picture_caption, dpi, 275, 60, 296, 16);
    const int columns = visible_columns, rows = visible_rows;
    ASSERT_GT(columns * rows, 0);
    for (int k = 0; k < columns * rows; ++k)
        expect_place(main_window, cell_buttons[k], dpi, 68 + 128 * (k % columns), 140 + 96 * (k / columns), 128, 96);
    for (int i = 0; i < columns + rows; ++i) {
        const int x = i < columns ? 104 + 128 * i : 8, y = i < columns ? 96 : 168 + 96 * (i - columns);
        expect_place(main_window, header_labels[i], dpi, x, y, 56, 16);
        expect_place(main_window, pin_combos[i], dpi, x, y + 16, 56, 0);
    }
}

// Every visible text of `parent`'s controls whole in the control's font: a button's as it
// measures itself, a combo box's choice in its field, a static's words as they break.
inline void expect_texts_whole(HWND parent) {
    for (HWND control = GetWindow(parent, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const std::string text = window_text(control);
        if (!shown(control) || text.empty()) continue;
        RECT room, need = {0, 0, 0, 0};
        GetClientRect(control, &room);
        COMBOBOXINFO combo = {sizeof(COMBOBOXINFO), {}, {}, 0, nullptr, nullptr, nullptr};
        const bool is_combo = GetComboBoxInfo(control, &combo) != FALSE;
        if (is_combo) room = combo.rcItem;
        SIZE ideal = {0, 0};  // what a button measures for itself; other controls do not answer
        if (SendMessageA(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) {
            need = {0, 0, ideal.cx, ideal.cy};
        } else {
            HDC dc = GetDC(control);
            SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
            need.right = room.right - room.left;
            DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | (is_combo ? DT_SINGLELINE : DT_WORDBREAK));
            ReleaseDC(control, dc);
        }
        EXPECT_GT(need.right, 0) << text;
        EXPECT_LE(need.right, room.right - room.left) << text;
        EXPECT_LE(need.bottom, room.bottom - room.top) << text;
    }
}
