// The on-screen keyboards (dialogs 1999 and 1998), the delay entry (2400) and the macro
// editor (2200). Windows front end only.
#pragma once
#include <windows.h>
#include "config/config_model.h"

// Which radio button dialog 1998 starts with: 0 "Make", 1 "Break".
extern int action_preselect_break;
// Slot being edited (0..126); bit 7 set while dialog 1998 is open means "no room for a delay".
extern int current_macro_slot;
extern MacroSlot macro_backup;
extern int macro_repeat_initial;

INT_PTR CALLBACK select_key_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK number_entry_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK macro_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void refresh_macro_steps(HWND dialog);
