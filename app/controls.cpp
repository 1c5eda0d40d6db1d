// The makers of the main window's child controls. None has an identifier: the window
// procedure tells them apart by their handles.
#include "app/app.h"

namespace {

HWND create_child(const char* class_name, const char* text, DWORD style, int x, int y, int width, int height) {
    HWND control = CreateWindowExA(0, class_name, text, style, x, y, width, height, main_window, nullptr,
                                   app_instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui_font), FALSE);
    return control;
}

WNDPROC replace_window_proc(HWND control, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

}  // namespace

HWND create_combo_box(int x, int y, int width, int height) {
    HWND combo = create_child("COMBOBOX", "", WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, x, y,
                              width, height);
    previous_combo_box_proc = replace_window_proc(combo, combo_box_proc);
    return combo;
}

HWND create_check_box(int x, int y, int width, int height, const char* text) {
    return create_child("BUTTON", text, WS_CHILD | WS_TABSTOP | BS_CHECKBOX, x, y, width, height);
}

HWND create_cell_button(int x, int y, int width, int height, const char* text) {
    HWND button = create_child("BUTTON", text, WS_CHILD | WS_TABSTOP | BS_MULTILINE | BS_PUSHBUTTON, x, y,
                               width, height);
    previous_cell_button_proc = replace_window_proc(button, cell_button_proc);
    return button;
}

HWND create_label(int x, int y, int width, int height, const char* text) {
    return create_child("STATIC", text, WS_CHILD | SS_CENTER, x, y, width, height);
}
