// The Read and Write commands, Compare and Write to All, and the start-up presence check.
// Windows front end only.
#pragma once
#include <windows.h>

extern HWND progress_window;            // the one open modeless window (1600, 1610 or 1700)
extern int unit_select_for_write;

int detect_device();
int enumerate_units(int for_write);
void write_to_device();
void read_from_device();
// Tools: the editor compared with a unit (dialog 2460), written to every attached unit, and
// the check mark of Verify after Write (held by the menu item alone, off at start).
void compare_with_device();
void write_to_all_devices();
bool verify_after_write();
void toggle_verify_after_write();
INT_PTR CALLBACK compare_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK unit_select_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK progress_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The transfers' progress text and message pumping over the progress window.
extern const struct TransferUi windows_transfer_ui;
