// The Read and Write commands, Compare with VELMARO and Write to All VELMAROs, and the start-up
// presence check: how many units are attached, which one to use, the transfer under a progress
// window, and the message or dialog that reports it.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "config/config_history.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "device/hid_call.h"
#include "device/unit_listing.h"
#include "device/unit_write.h"
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

// The transfer window of a command: opened and given its pause before the first exchange,
// closed with its pause before the message.
void begin_transfer_window(int dialog_id) {
    open_progress_window(dialog_id);
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
}

void end_transfer_window() {
    close_progress_window();
    transfer_ui->wait_with_messages(WINDOW_SETTLE_MS);
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
    begin_transfer_window(IDD_PROGRESS_WRITE);
    int result = device_write_image(image, unit);
    end_transfer_window();
    report_write_result(result, unit);
    return result;
}

// Write with the read-back: the same exchanges, then those of a Read of the unit.
void run_verified_write(const WritePlan& plan) {
    int unit = enumerate_units(1);
    begin_transfer_window(IDD_PROGRESS_WRITE);
    const UnitWriteOutcome outcome = write_unit(plan, unit, true);
    end_transfer_window();
    ui->message_box(write_succeeded(outcome) ? MESSAGE_PLAIN : MESSAGE_ERROR,
                    write_outcome_message(outcome, unit).c_str());
}

void run_read() {
    int unit = enumerate_units(0);
    begin_transfer_window(IDD_PROGRESS_READ);
    std::uint8_t image[CONFIG_IMAGE_SIZE] = {};
    int result = device_read_image(image, unit);
    end_transfer_window();
    report_read_result(result, unit, image);
}

std::string joined_lines(const std::vector<std::string>& lines, const char* separator) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : separator) + line;
    return text;
}

void show_differences(const std::vector<std::string>& differences, int unit) {
    std::string text = joined_lines(differences, "\r\n");
    if (differences.empty()) text = "The VELMARO (" + std::to_string(unit) + ") holds this configuration.";
    DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_COMPARE), main_window, compare_dialog_proc,
                    reinterpret_cast<LPARAM>(text.c_str()));
}

void run_compare(const WritePlan& plan) {
    int unit = enumerate_units(0);
    begin_transfer_window(IDD_PROGRESS_READ);
    std::vector<std::string> differences;
    int result = unit_differences(plan, unit, differences, false);
    end_transfer_window();
    if (result == TRANSFER_OK) show_differences(differences, unit);
    else show_transfer_result(result, unit, false);
}

// Every attached unit in number order under one progress window; a unit lost does not stop
// the others. The progress text names each unit by its serial number.
void run_write_all(const WritePlan& plan, const std::vector<int>& units) {
    unit_count = static_cast<int>(units.size());
    const bool verify = verify_after_write();
    std::vector<std::string> lines;
    bool all_done = true;
    begin_transfer_window(IDD_PROGRESS_WRITE);
    for (int unit : units) {
        const UnitWriteOutcome outcome = write_unit(plan, unit, verify);
        lines.push_back(write_outcome_line(outcome, unit));
        all_done = all_done && write_succeeded(outcome);
    }
    end_transfer_window();
    ui->message_box(all_done ? MESSAGE_PLAIN : MESSAGE_ERROR, joined_lines(lines, "\n").c_str());
}

// The editor's image and what its write moves; false after a pin clash was reported.
bool plan_editor_write(std::uint8_t image[CONFIG_IMAGE_SIZE], WritePlan& plan) {
    return build_config_image(image) && plan_write_of_image(image, plan);
}

WritePlan editor_plan;  // three configurations of 16 KB each: kept off the stack

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
    const bool verify = verify_after_write();
    if (verify && !plan_write_of_image(image, editor_plan)) return;
    transfer_in_progress = true;
    if (verify) run_verified_write(editor_plan);
    else run_write(image);
    transfer_in_progress = false;
}

void compare_with_device() {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (transfer_in_progress || !plan_editor_write(image, editor_plan)) return;
    transfer_in_progress = true;
    run_compare(editor_plan);
    transfer_in_progress = false;
}

void write_to_all_devices() {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (transfer_in_progress || !plan_editor_write(image, editor_plan)) return;
    transfer_in_progress = true;
    const std::vector<int> units = list_attached_units();
    if (units.empty()) report_write_result(TRANSFER_NOT_FOUND, 1);
    else run_write_all(editor_plan, units);
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

// The differences found by Compare with VELMARO (the text comes as the creation parameter);
// OK and Esc close it.
void show_differences(HWND dialog, const char* text) {
    HWND edit = GetDlgItem(dialog, IDC_COMPARE_TEXT);
    SetWindowTextA(edit, text);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

INT_PTR CALLBACK compare_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        show_differences(dialog, reinterpret_cast<const char*>(lparam));
        return FALSE;  // the focus is set: the text from its first line, nothing selected
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}

bool verify_after_write() {
    return (GetMenuState(GetMenu(main_window), CMD_VERIFY_AFTER_WRITE, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void toggle_verify_after_write() {
    CheckMenuItem(GetMenu(main_window), CMD_VERIFY_AFTER_WRITE,
                  MF_BYCOMMAND | (verify_after_write() ? MF_UNCHECKED : MF_CHECKED));
}

INT_PTR CALLBACK progress_dialog_proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
