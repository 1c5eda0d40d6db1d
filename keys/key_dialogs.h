// The on-screen keyboards (dialogs 1999 and 1998), the delay entry (2400), the macro editor
// (2200) with its recorder, and the keyboard hook. Windows front end only.
#pragma once
#include <windows.h>
#include "config/config_model.h"
#include "keys/key_codes.h"

// Which radio button dialog 1998 starts with: 0 "Make", 1 "Break".
extern int action_preselect_break;
// Slot being edited (0..126); bit 7 set while dialog 1998 is open means "no room for a delay".
extern int current_macro_slot;
constexpr int MACRO_SLOT_NO_DELAY = 0x80;   // the bit of current_macro_slot: "no room for a delay"
extern MacroSlot macro_backup;
extern int macro_repeat_initial;

INT_PTR CALLBACK select_key_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK number_entry_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK macro_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void refresh_macro_steps(HWND dialog);
// Dialog 2200 ends with -1 (cancelled), 0 (no steps left) or MACRO_RESULT_FLAG | macro number,
// plus KEY_FLAG_REPEAT when "Repeat" is checked.
constexpr int MACRO_RESULT_FLAG = 0x80;

// The number typed into the delay entry: its leading digits, 0 when there are none. Entries
// too long for an int saturate at a value far above the longest delay.
int parse_delay_entry(const char* text);
// Whether any of the 32 steps of a slot has a key number (bits 0..6).
bool macro_slot_has_key(const MacroSlot& slot);
// The caption of a step button ("Make\nA", "Break\nBksp", "Delay\n100ms", "Not Used") into a
// buffer of MACRO_STEP_CAPTION_SIZE characters.
constexpr int MACRO_STEP_CAPTION_SIZE = 48;
void format_step_caption(int step, char* out);

// The low-level keyboard hook (key_hook_win.cpp): while installed, every key event of every
// keyboard is swallowed and posted, as WM_HOOKED_KEY, to the window that installed it; the
// window takes the event with take_hooked_key. One window at a time; installing again replaces
// the hook (one that Windows removed included).
constexpr UINT WM_HOOKED_KEY = WM_APP + 0x29;
struct HookedKey {
    int key_number;     // 0 for a key without one
    bool down;
    long long time_us;  // the performance counter as the hook procedure was entered
};
bool install_key_hook(HWND window);
void remove_key_hook();
bool key_hook_installed();
// False for a message whose event the ring has overwritten since.
bool take_hooked_key(WPARAM wparam, HookedKey* key);
// The performance counter in microseconds, as the hook reads it.
long long key_hook_now_us();
