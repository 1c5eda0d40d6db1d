// The on-screen keyboards: dialog 1999 picks the key code of a matrix cell, dialog 1998 one
// macro step (make, break, Break All or a delay). One procedure runs both and tells them
// apart by the Make radio button, which only 1998 has. Dialog 2400 takes a delay in ms.
#include "keys/key_codes.h"
#include "keys/key_dialogs.h"
#include "resource.h"

int action_preselect_break;
int current_macro_slot;

namespace {

constexpr int LAST_KEY_BUTTON = 2124;       // key buttons, "Not Used", "FN" and "Break All"
constexpr int FIRST_REPEAT_CONTROL = 2500;  // 2500..2502 toggle by themselves
constexpr int LAST_REPEAT_CONTROL = 2502;
constexpr int DELAY_ENTRY_CAP = 1000000;    // longer entries saturate: all mean 2560 ms

bool is_macro_action_dialog(HWND dialog) { return GetDlgItem(dialog, IDC_ACTION_MAKE) != nullptr; }

bool is_checked(HWND dialog, int id) {
    return GetDlgItem(dialog, id) != nullptr && IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The key button that starts with the focus for the initial value (already reduced to its
// key number in dialog 1998). A value without a usable button starts on "Not Used".
HWND initial_focus_button(HWND dialog, int value) {
    int id;
    if ((value & 0xFF) == KEY_DELAY)
        id = IDC_ACTION_DELAY;
    else if (value >= KEY_DELAY)
        id = IDC_KEY_NOT_USED;
    else
        id = KEY_BUTTON_BASE + (value & 0xFF);
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowEnabled(button)) button = GetDlgItem(dialog, IDC_KEY_NOT_USED);
    return button;
}

// Puts the focus on the tab stop before `button` and lets an injected Tab carry it onto the
// button, as if the user had tabbed there.
void tab_onto(HWND dialog, HWND button) {
    HWND before = GetNextDlgTabItem(dialog, button, TRUE);
    SetFocus(before != nullptr ? before : button);
    keybd_event(VK_TAB, 0, 0, 0);
    keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
}

BOOL on_select_key_init(HWND dialog, int value) {
    if (value & KEY_FLAG_REPEAT) CheckDlgButton(dialog, IDC_KEY_REPEAT, BST_CHECKED);
    if (is_macro_action_dialog(dialog)) {
        int preselect = action_preselect_break ? 1 : 0;
        CheckDlgButton(dialog, IDC_ACTION_MAKE + preselect, BST_CHECKED);
        if (current_macro_slot & MACRO_SLOT_NO_DELAY) EnableWindow(GetDlgItem(dialog, IDC_ACTION_DELAY), FALSE);
        value &= KEY_NUMBER_MASK;
    }
    tab_onto(dialog, initial_focus_button(dialog, value));
    return FALSE;  // the focus is set
}

int key_button_result(HWND dialog, int id) {
    if (id == IDC_KEY_NOT_USED) return KEY_NOT_USED;
    int result = id - KEY_BUTTON_BASE;
    if (is_checked(dialog, IDC_KEY_REPEAT)) result |= KEY_FLAG_REPEAT;
    if (is_checked(dialog, IDC_ACTION_BREAK)) result |= KEY_FLAG_BREAK;
    return result;
}

void select_action_radio(HWND dialog, int id) {
    CheckDlgButton(dialog, id, BST_CHECKED);
    CheckDlgButton(dialog, IDC_ACTION_MAKE + IDC_ACTION_BREAK - id, BST_UNCHECKED);
}

// Asks for a delay; ends the dialog with the delay step, or stays open on Cancel.
void choose_delay(HWND dialog) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    INT_PTR ms = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DELAY), dialog, number_entry_dialog_proc, 0);
    if (ms < 0) return;
    EndDialog(dialog, delay_step_for_ms(ms));
}

bool is_action_radio(int id) { return id == IDC_ACTION_MAKE || id == IDC_ACTION_BREAK; }

void on_select_key_command(HWND dialog, int id, int notification) {
    // Radio buttons report a quick second click as a double click: it still just selects.
    if (is_action_radio(id) && notification == BN_DOUBLECLICKED) notification = BN_CLICKED;
    if (notification != BN_CLICKED) {
        EndDialog(dialog, -1);
    } else if (id >= IDC_KEY_NOT_USED && id <= LAST_KEY_BUTTON) {
        EndDialog(dialog, key_button_result(dialog, id));
    } else if (id >= FIRST_REPEAT_CONTROL && id <= LAST_REPEAT_CONTROL) {
        // the check box toggles by itself
    } else if (is_action_radio(id)) {
        select_action_radio(dialog, id);
    } else if (id == IDC_ACTION_DELAY) {
        choose_delay(dialog);
    } else {
        EndDialog(dialog, -1);
    }
}

void on_number_entry_command(HWND dialog, int id, int notification) {
    if (notification != BN_CLICKED) return;
    if (id == IDC_DELAY_OK || id == IDOK) {
        char text[64] = {};
        GetDlgItemTextA(dialog, IDC_DELAY_EDIT, text, sizeof text);
        EndDialog(dialog, parse_delay_entry(text));
    } else if (id == IDC_DELAY_CANCEL) {
        EndDialog(dialog, -1);
    }
    // Esc (IDCANCEL) does not close the dialog.
}

}  // namespace

int parse_delay_entry(const char* text) {
    int value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value >= DELAY_ENTRY_CAP) return DELAY_ENTRY_CAP;
    }
    return value;
}

INT_PTR CALLBACK select_key_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return on_select_key_init(dialog, static_cast<int>(lparam));
    case WM_COMMAND:
        on_select_key_command(dialog, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK number_entry_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // the dialog manager focuses the edit field
    case WM_COMMAND:
        on_number_entry_command(dialog, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}
