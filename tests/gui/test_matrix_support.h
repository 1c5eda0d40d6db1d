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

// ---- The display scale ------------------------------------------------------------------------

// A figure of the 96-DPI layout at `dpi`.
inline int at_dpi(int figure, int dpi) { return MulDiv(figure, dpi, 96); }

inline std::string box_text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// A control at x, y with width x height in the main window's client area (a height of 0 is
// not checked: a combo box's height follows its font).
inline void expect_box(HWND control, int x, int y, int width, int height) {
    RECT actual = client_rect_of(control);
    if (height == 0) actual.bottom = actual.top;
    EXPECT_EQ(box_text({x, y, x + width, y + height}), box_text(actual)) << window_text(control);
}

// Every control of the main window at its 96-DPI figure scaled to `dpi`; the cells step by the
// scaled cell, the headers and the scroll bar beside them.
inline void expect_scaled_layout(int dpi) {
    auto at = [dpi](int figure) { return at_dpi(figure, dpi); };
    expect_box(rows_caption, at(0), at(8), at(96), at(16));
    expect_box(columns_caption, at(147), at(8), at(96), at(16));
    expect_box(rows_combo, at(20), at(24), at(64), 0);
    expect_box(columns_combo, at(160), at(24), at(64), 0);
    expect_box(single_key_check, at(20), at(47), at(116), at(47));
    expect_box(ghost_filter_check, at(161), at(47), at(106), at(47));
    expect_box(picture_caption, at(275), at(60), at(296), at(16));
    const int width = at(128), height = at(96), columns = visible_columns, rows = visible_rows;
    ASSERT_GT(columns * rows, 0);
    for (int k = 0; k < columns * rows; ++k)
        expect_box(cell_buttons[k], at(68) + width * (k % columns), at(140) + height * (k / columns), width, height);
    for (int c = 0; c < columns; ++c) {
        expect_box(header_labels[c], at(104) + width * c, at(96), at(56), at(16));
        expect_box(pin_combos[c], at(104) + width * c, at(112), at(56), 0);
    }
    for (int r = 0; r < rows; ++r) {
        expect_box(header_labels[columns + r], at(8), at(168) + height * r, at(56), at(16));
        expect_box(pin_combos[columns + r], at(8), at(184) + height * r, at(56), 0);
    }
    if (shown(vertical_scroll_bar))
        expect_box(vertical_scroll_bar, at(68) + width * columns, at(140), at(17), height * rows);
}

// What a control needs to show its whole text in its own font, and the room it has for it.
struct TextRoom {
    SIZE need = {0, 0};
    SIZE room = {0, 0};
};

inline TextRoom text_room(HWND control) {
    TextRoom text;
    RECT client;
    GetClientRect(control, &client);
    text.room = {client.right, client.bottom};
    char name[32] = {};
    GetClassNameA(control, name, sizeof name);
    const std::string kind = name;
    if (kind.find("Button") != std::string::npos) {
        SendMessageA(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&text.need));
        return text;
    }
    HDC dc = GetDC(control);
    HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    const std::string caption = window_text(control);
    if (kind.find("ComboBox") != std::string::npos) {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(control, &info);
        text.room = {info.rcItem.right - info.rcItem.left, info.rcItem.bottom - info.rcItem.top};
        GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text.need);
    } else {  // a centred static, which breaks its text between words
        RECT need = {0, 0, text.room.cx, 0};
        DrawTextA(dc, caption.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        text.need = {need.right, need.bottom};
    }
    SelectObject(dc, before);
    ReleaseDC(control, dc);
    return text;
}

// Every visible control of the main window shows its whole text.
inline void expect_texts_whole() {
    for (HWND control = GetWindow(main_window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!shown(control) || control == vertical_scroll_bar || control == horizontal_scroll_bar) continue;
        const TextRoom text = text_room(control);
        EXPECT_GT(text.need.cx, 0) << window_text(control);
        EXPECT_LE(text.need.cx, text.room.cx) << window_text(control);
        EXPECT_LE(text.need.cy, text.room.cy) << window_text(control);
    }
}
