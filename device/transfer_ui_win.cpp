// How the transfers reach the window: the progress text in control 1601 of the progress
// window, and the message handling after every exchange and during the pauses.
#include "app/app.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "resource.h"

namespace {

// A quit message taken off the queue inside a transfer is put back for the main loop.
void handle_message(MSG* message, bool* quit, WPARAM* quit_code) {
    if (message->message == WM_QUIT) {
        *quit = true;
        *quit_code = message->wParam;
        return;
    }
    if (progress_window && IsDialogMessageA(progress_window, message)) return;
    TranslateMessage(message);
    DispatchMessageA(message);
}

void windows_set_progress_text(const char* text) {
    if (!progress_window) return;
    SetDlgItemTextA(progress_window, IDC_PROGRESS_TEXT, text);
}

void windows_pump_messages() {
    bool quit = false;
    WPARAM quit_code = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) handle_message(&message, &quit, &quit_code);
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
}

void windows_wait_with_messages(int milliseconds) {
    bool quit = false;
    WPARAM quit_code = 0;
    DWORD start = GetTickCount();
    for (;;) {
        if (GetTickCount() - start >= static_cast<DWORD>(milliseconds)) break;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) handle_message(&message, &quit, &quit_code);
        else Sleep(1);
    }
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
}

}  // namespace

const TransferUi windows_transfer_ui = {windows_set_progress_text, windows_pump_messages,
                                        windows_wait_with_messages};
