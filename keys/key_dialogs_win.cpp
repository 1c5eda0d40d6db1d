// Placeholder: the on-screen keyboards and the delay entry.
#include "keys/key_dialogs.h"
int action_preselect_break;
int current_macro_slot;
INT_PTR CALLBACK select_key_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK number_entry_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
