// The Read and Write commands and the start-up presence check: how many units are attached,
// which one to use, the transfer under a progress window, and the message that reports it.
#include <cstdint>

#include "app/app.h"
#include "config/config_history.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "device/hid_call.h"
#include "device/unit_listing.h"
#include "resource.h"

HWND progress_window;
int unit_select_for_write;

namespace {

const int WINDOW_SETTLE_MS = 100;

// The modeless progress and notice windows: created, shown and painted at once.
void open_progress_window(int dialog_id) {
    progress_window = CreateDialogParamA(app_instance, MAKEINTRESOURCEA(dialog_id), main_window,
                                         progress_dialog_proc, 0);
    ShowWindow(progress_window, SW_SHOW);
    UpdateWindow(progress_window);
}

void close_progress_window() {
    if (progress_window) DestroyWindow(progress_window);
    progress_window = nullptr;
}

int choose_unit(int for_write) {
    unit_select_for_write = for_write;
    int dialog_id = IDD_SELECT_UNIT_2 + (unit_count - 2);
    INT_PTR unit = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(dialog_id), main_window,
                                   unit_select_dialog_proc, 0);
    return unit >= 1 && unit <= unit_count ? static_cast<int>(unit) : 1;
}

void show_transfer_result(int result, int unit, bool writing) {
    ui->message_box(result == TRANSFER_OK ? MESSAGE_PLAIN : MESSAGE_ERROR,
                    transfer_result_text(result, unit, writing).c_str());
}

void report_write_result(int result, int unit) { show_transfer_result(result, unit, true); }

// Only a configuration that was read and taken over clears config_changed: after any failure
// the user's unsaved edits are still protected by the question on exit. A Read taken over is
// one step (Undo brings back what was edited before it), and its state counts as saved.
void report_read_result(int result, int unit, const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    if (result != TRANSFER_OK) {
        show_transfer_result(result, unit, false);
        return;
    }
    const bool fn_view_before = fn_view_active;
    if (!parse_config_image(image)) {
        show_transfer_result(TRANSFER_INVALID, unit, false);
        return;
    }
    history_record_step(HistoryPlace{fn_view_before, FOCUS_NONE, 0, 0});
    refresh_matrix_editor();
    show_transfer_result(TRANSFER_OK, unit, false);
    history_mark_saved();
}

int run_write(const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    int unit = enumerate_units(1);
    open_progress_window(IDD_PROGRESS_WRITE);
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
    int result = device_write_image(image, unit);
    close_progress_window();
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
    report_write_result(result, unit);
    return result;
}

void run_read() {
    int unit = enumerate_units(0);
    open_progress_window(IDD_PROGRESS_READ);
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
    std::uint8_t image[CONFIG_IMAGE_SIZE] = {};
    int result = device_read_image(image, unit);
    close_progress_window();
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
    report_read_result(result, unit, image);
}

}  // namespace

int detect_device() {
    HidDeviceHandle handle;
    int missing = open_unit(&handle, 1) ? 0 : 1;
    call_close_hid_device(&handle);
    return missing;
}

int enumerate_units(int for_write) {
    unit_count = 1;
    HidDeviceHandle handle;
    if (!open_unit(&handle, 2)) return 1;
    open_progress_window(IDD_MULTIPLE_UNITS);
    bool opened[MAX_UNITS + 1] = {};
    search_units_after_unit_2(&handle, opened);
    close_progress_window();
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
    return choose_unit(for_write);
}

// The whole command counts as a transfer: the window stays alive, but New, Open, Save,
// Read, Write, Exit and closing are refused until it ends.
void write_to_device() {
    if (transfer_in_progress) return;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!build_config_image(image)) return;
    transfer_in_progress = true;
    run_write(image);
    transfer_in_progress = false;
}

void read_from_device() {
    if (transfer_in_progress || !ask_save_changes()) return;
    transfer_in_progress = true;
    run_read();
    transfer_in_progress = false;
}

INT_PTR CALLBACK unit_select_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, unit_select_for_write ? "Multiple VELMAROs - Select Unit to Write"
                                                     : "Multiple VELMAROs - Select Unit to Read");
        for (int unit = 1; unit <= unit_count && unit <= MAX_UNITS; ++unit) {
            SetDlgItemTextA(dialog, IDC_UNIT_1 + unit - 1, unit_label(unit).c_str());
        }
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == 0 && LOWORD(wparam) >= IDC_UNIT_1 && LOWORD(wparam) < IDC_UNIT_1 + unit_count)
            EndDialog(dialog, LOWORD(wparam) - IDC_UNIT_1 + 1);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK progress_dialog_proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
