// Message boxes and the common file dialogs of the Windows front end, and the installation
// of the front end's operation tables.
#include <windows.h>
#include <commdlg.h>

#include "app/app.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"

namespace {

const DWORD SAVE_DIALOG_FLAGS = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
const DWORD OPEN_DIALOG_FLAGS = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

UINT message_box_style(MessageKind kind) {
    switch (kind) {
    case MESSAGE_ERROR: return MB_OK | MB_ICONERROR;
    case MESSAGE_SAVE_CHANGES: return MB_YESNOCANCEL | MB_ICONQUESTION;
    default: return MB_OK;
    }
}

MessageAnswer answer_of(int result) {
    switch (result) {
    case IDYES: return ANSWER_YES;
    case IDNO: return ANSWER_NO;
    case IDCANCEL: return ANSWER_CANCEL;
    default: return ANSWER_OK;
    }
}

MessageAnswer windows_message_box(MessageKind kind, const char* text) {
    return answer_of(MessageBoxA(main_window, text, APP_TITLE, message_box_style(kind)));
}

bool windows_choose_file(bool for_save, char* name, std::size_t capacity) {
    return choose_file_titled(for_save, for_save ? "Save File" : "Open File", "All files\0*.*\0", name, capacity);
}

const UiOps windows_ui_ops = {windows_message_box, windows_choose_file};

}  // namespace

// The older form of the dialog structure, without the extension fields at its end.
bool choose_file_titled(bool for_save, const char* title, const char* filter, char* name, std::size_t capacity) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = main_window;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = name;
    dialog.nMaxFile = static_cast<DWORD>(capacity);
    dialog.lpstrTitle = title;
    dialog.Flags = for_save ? SAVE_DIALOG_FLAGS : OPEN_DIALOG_FLAGS;
    return (for_save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) != FALSE;
}

void install_windows_front_end() {
    set_view_ops(&window_view_ops);
    set_ui_ops(&windows_ui_ops);
    set_transfer_ui(&windows_transfer_ui);
}
