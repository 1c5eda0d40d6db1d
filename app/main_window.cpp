// The main window procedure: menu and accelerator commands, Undo and Redo, the help boxes and
// the user manual, the exit and close sequences, a file dropped on the window, a change of the
// monitor's DPI; control notifications, sizing, scrolling and painting go to the matrix editor
// and the pinout picture.
#include "app/app.h"
#include <shellapi.h>
#include "config/config_file.h"
#include "config/config_history.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "resource.h"

namespace {

void show_info_box(int dialog_id) {
    DialogBoxParamA(app_instance, MAKEINTRESOURCEA(dialog_id), main_window, info_dialog_proc, 0);
}

// F1 and Help, User Manual: the manual beside the program, in the program that opens HTML files;
// the user is told where it was looked for when it is not there or nothing opens it.
void open_user_manual() {
    const std::string path = program_folder() + "manual.html";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ui->message_box(MESSAGE_ERROR, ("The user manual was not found at\n" + path).c_str());
        return;
    }
    const HINSTANCE opened = ShellExecuteA(main_window, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(opened) <= 32)
        ui->message_box(MESSAGE_ERROR, ("The user manual could not be opened. It is at\n" + path).c_str());
}

void release_and_destroy() {
    release_pinout_pictures();
    DestroyWindow(main_window);
}

void exit_program() {
    if (!ask_save_changes()) return;
    release_and_destroy();
}

// Scrolls the grid so that the line `line` (counted from 0) is among the visible ones.
void bring_line_into_view(int line, int visible, int position, void (*scroll)(int, bool)) {
    if (line < 0 || visible <= 0) return;
    if (line < position)
        scroll(line - position, true);
    else if (line >= position + visible)
        scroll(line - position - visible + 1, true);
}

// After Undo or Redo: the cell, row or column that the step changed is shown.
void show_history_place(const HistoryPlace& place) {
    if (place.focus == FOCUS_CELL || place.focus == FOCUS_ROW)
        bring_line_into_view(place.row, visible_rows, GetScrollPos(vertical_scroll_bar, SB_CTL), scroll_rows);
    if (place.focus == FOCUS_CELL || place.focus == FOCUS_COLUMN)
        bring_line_into_view(place.column, visible_columns, GetScrollPos(horizontal_scroll_bar, SB_CTL),
                             scroll_columns);
}

void undo_or_redo(bool redo) {
    HistoryPlace place{};
    if (redo ? history_redo(&place) : history_undo(&place)) show_history_place(place);
}

// No command runs nested inside a transfer that is under way: New, Open, Save, Read, Write,
// Undo, Redo, Exit and the Tools would replace the model or start another transfer, and a help
// or About box would hold the transfer (with the unit open and its stored image marked invalid)
// while it is up.
void run_command(int command) {
    if (transfer_in_progress) return;
    switch (command) {
    case CMD_NEW: new_configuration(); break;
    case CMD_SAVE: save_configuration_file(); break;
    case CMD_WRITE: write_to_device(); break;
    case CMD_OPEN: open_configuration_file(); break;
    case CMD_READ: read_from_device(); break;
    case CMD_EXIT: exit_program(); break;
    case CMD_HELP_SINGLE_KEY: show_info_box(IDD_HELP_SINGLE_KEY); break;
    case CMD_HELP_GHOST_KEYS: show_info_box(IDD_HELP_GHOST_KEYS); break;
    case CMD_ABOUT: show_info_box(IDD_ABOUT); break;
    case CMD_HELP_MACRO: show_info_box(IDD_HELP_MACRO); break;
    case CMD_HELP_FN_TABLE: show_info_box(IDD_HELP_FN_TABLE); break;
    case CMD_UNDO: undo_or_redo(false); break;
    case CMD_REDO: undo_or_redo(true); break;
    case CMD_USER_MANUAL: open_user_manual(); break;
    default: run_tools_command(command); break;
    }
}

LRESULT on_command(WPARAM wparam, LPARAM lparam) {
    int command = LOWORD(wparam);
    const bool tools = command >= CMD_TOOLS_FIRST && command <= CMD_TOOLS_LAST;
    if ((command >= CMD_NEW && command <= CMD_HELP_FN_TABLE) || tools) run_command(command);
    else matrix_on_command(wparam, lparam);
    return 0;
}

// Undo and Redo are grayed when there is nothing to take back or make again. The accelerator
// table sends WM_INITMENU and WM_INITMENUPOPUP before it looks at an item's state, so the
// states are current whenever a command is chosen by the menu or by its keys.
LRESULT on_init_menu() {
    HMENU menu = GetMenu(main_window);
    EnableMenuItem(menu, CMD_UNDO, MF_BYCOMMAND | (history_can_undo() ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, CMD_REDO, MF_BYCOMMAND | (history_can_redo() ? MF_ENABLED : MF_GRAYED));
    return 0;
}

// The close box, the system menu and Alt+F4: the same question as Exit, after the key tester
// has closed.
LRESULT on_close(HWND window, WPARAM wparam, LPARAM lparam) {
    if (transfer_in_progress) return 0;
    close_key_tester();
    if (!ask_save_changes()) return 0;
    release_pinout_pictures();
    return DefWindowProcA(window, WM_CLOSE, wparam, lparam);
}

// Log-off or shutdown: unsaved changes get the question of Exit. A transfer under way
// refuses until it has ended, so a unit is never left with its image marked invalid. Windows
// may ask again while the question is up; the answer then is no until the user has answered.
LRESULT on_query_end_session() {
    static bool asking = false;
    if (transfer_in_progress || asking) return FALSE;
    asking = true;
    const bool may_end = ask_save_changes();
    asking = false;
    return may_end ? TRUE : FALSE;
}

// The session ends (the question has been answered): end without asking again.
LRESULT on_end_session(WPARAM ending) {
    if (ending) release_and_destroy();
    return 0;
}

// A file dropped on the window opens as Open opens it, after the same question about unsaved
// changes; of several files the first is taken. Nothing happens during a transfer.
LRESULT on_drop_files(HDROP drop) {
    char path[MAX_PATH] = {};
    const UINT length = DragQueryFileA(drop, 0, path, MAX_PATH);
    DragFinish(drop);
    if (length == 0 || length >= MAX_PATH || transfer_in_progress) return 0;
    SetForegroundWindow(main_window);
    if (ask_save_changes()) open_configuration_path(path);
    return 0;
}

LRESULT on_size(WPARAM wparam) {
    if (wparam != SIZE_MINIMIZED && main_controls_ready) matrix_on_size();
    return 0;
}

// The window is now on a monitor of another DPI (both halves of wparam carry it).
LRESULT on_dpi_changed(WPARAM wparam, const RECT* suggested) {
    if (suggested != nullptr && main_controls_ready) rescale_main_window(LOWORD(wparam), *suggested);
    return 0;
}

LRESULT on_key_down(WPARAM wparam) {
    if (wparam == VK_TAB && rows_combo) SetFocus(rows_combo);
    return 0;
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        main_window = window;
        return 0;
    case WM_COMMAND:
        return on_command(wparam, lparam);
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
        return on_init_menu();
    case WM_CLOSE:
        return on_close(window, wparam, lparam);
    case WM_QUERYENDSESSION:
        return on_query_end_session();
    case WM_ENDSESSION:
        return on_end_session(wparam);
    case WM_DROPFILES:
        return on_drop_files(reinterpret_cast<HDROP>(wparam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paint_pinout_picture();
        return 0;
    case WM_SIZE:
        return on_size(wparam);
    case WM_SIZING:
        if (main_controls_ready) matrix_on_sizing(wparam, reinterpret_cast<RECT*>(lparam));
        return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (main_controls_ready) matrix_on_scroll(message, wparam);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_KEYDOWN:
        return on_key_down(wparam);
    case WM_DPICHANGED:
        return on_dpi_changed(wparam, reinterpret_cast<const RECT*>(lparam));
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

// The About box and the four help boxes: any command ends the box with its identifier.
INT_PTR CALLBACK info_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_COMMAND:
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}
