// Placeholder: the matrix editor input.
#include "app/app.h"
WNDPROC previous_combo_box_proc;
WNDPROC previous_cell_button_proc;
void matrix_on_command(WPARAM, LPARAM) {}
LRESULT CALLBACK cell_button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(previous_cell_button_proc, button, message, wparam, lparam);
}
LRESULT CALLBACK combo_box_proc(HWND combo, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(previous_combo_box_proc, combo, message, wparam, lparam);
}
