// What the matrix editor and pinout picture tests share: a started program with one unit
// attached, and small helpers that act on the main window as the user would (a selection in
// a combo box arrives as CBN_SELCHANGE, a scroll bar request as WM_HSCROLL or WM_VSCROLL).
#pragma once
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

// A control's rectangle in the main window's client coordinates.
inline RECT client_rect_of(HWND control) {
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(HWND_DESKTOP, main_window, reinterpret_cast<POINT*>(&box), 2);
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
