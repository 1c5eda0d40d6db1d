// Placeholder: the macro editor.
#include "keys/key_dialogs.h"
MacroSlot macro_backup;
int macro_repeat_initial;
INT_PTR CALLBACK macro_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void refresh_macro_steps(HWND) {}
