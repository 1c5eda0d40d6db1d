// GUI test harness: drives the real windows of the utility in-process, under Wine.
//
// Each TEST_F(GuiTest, ...) gets a temporary folder of its own, emulated units in it
// (VELMARO_SIM_DIR points there), a watchdog that fails the test instead of hanging, a
// record of every message box (answered from a script) and a script for modal dialogs.
//
//   #include "harness.h"
//
//   TEST_F(GuiTest, WriteToOneUnit) {
//       attach_unit(1, "12345678");               // unit1/serial, unit1/image.bin
//       start_app();                              // start_application(..., SW_SHOW), asserts it ran
//       answer_boxes({IDOK});                     // answers for the next message boxes, in order
//       send_command(CMD_WRITE);                  // the command runs to its end (dialogs included)
//       ASSERT_EQ(1u, boxes().size());
//       EXPECT_EQ("The configuration was successfully saved to the VELMARO", boxes()[0].text);
//   }
//
// Modal dialogs (yours included: DialogBoxParamA(app_instance, MAKEINTRESOURCEA(id), ...)) are
// scripted with steps that run, one per dialog, on the topmost modal dialog of this thread:
//
//   on_dialog(click(IDOK));                       // press a button (posted WM_COMMAND)
//   on_dialog(set_text(2401, "25"), click(2228)); // several actions on the same dialog
//   on_dialog(file_name("C:\\x\\Config.QZC"));    // common file dialog: path + OK
//   on_dialog([](HWND d) { ...; return true; });  // anything; return false to retry next tick
//   ... the command ...
//   dialogs()[0].title, dialogs()[0].text(2453)   // what each scripted dialog showed
//
// Keys: press_keys({VK_CONTROL, 'N'}) injects them with keybd_event and returns once the
// thread has taken the last release. pump_until(predicate) handles messages (as the program's
// message loop does, accelerators included) until the predicate holds or the deadline passes.
// on_tick(fn) runs fn on every timer tick (also inside modal loops and transfers) until it
// returns true: the way to act while a command is running.
// progress_texts() lists every text set into control 1601 (consecutive repeats dropped), and
// windows_created() every window created (children too), with its class, text and style as
// they were given at creation.
//
// Strict by default: answers, dialog steps or a tick action left unused fail the test, and so
// does a modal dialog that appears with no step left (it is ended). A failed test keeps its
// folder (printed); VELMARO_KEEP_TEMP=1 keeps every one. VELMARO_HARNESS_TRACE=1 prints how
// long set-up, start-up and tear-down took.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "resource.h"

// ---- What the harness records ----------------------------------------------------------
struct MessageBoxRecord {
    std::string title;
    std::string text;
    int icon = 0;            // MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION or 0
    std::string buttons;     // the buttons present, e.g. "OK" or "Yes No Cancel"
    HWND owner = nullptr;
    bool owner_visible = false;
    int answer = 0;          // what the harness pressed
};

struct DialogRecord {
    HWND window = nullptr;
    std::string title;
    std::map<int, std::string> texts;   // text of every child control with an identifier
    std::vector<int> visible_ids;       // identifiers of the visible child controls
    HWND owner = nullptr;
    std::string text(int id) const;     // "" when there is no such control
    bool has(int id) const;             // a visible child with this identifier
};

struct WindowRecord {
    HWND window = nullptr;
    HWND parent = nullptr;   // the parent of a child, else the owner given at creation
    std::string class_name;
    std::string title;       // the text given at creation
    LONG style = 0;          // the style given at creation
    int x = 0, y = 0, width = 0, height = 0;   // the rectangle given at creation
};

// ---- Dialog scripting ----------------------------------------------------------------------
// An action on the dialog window; true = done, false = not ready, try again at the next tick.
using DialogAction = std::function<bool(HWND dialog)>;
DialogAction click(int id);                              // post WM_COMMAND(id, BN_CLICKED)
DialogAction set_text(int id, const std::string& text);  // SetDlgItemTextA
DialogAction file_name(const std::string& path);         // common file dialog: cmb13 + OK
DialogAction end_dialog(INT_PTR result);                 // EndDialog, for dialogs with no way out

// ---- Small Win32 helpers -----------------------------------------------------------------
std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);
HWND topmost_modal_dialog();             // the topmost visible, enabled dialog of this thread

// ---- Files -----------------------------------------------------------------------------------
std::vector<std::uint8_t> read_file_bytes(const std::string& path);   // empty when missing
bool write_file_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool file_exists(const std::string& path);

// ---- Harness state, usable without the fixture (benchmarks) -------------------------------
struct HarnessOptions {
    bool record_sent_messages = true;    // progress texts and window events (a hook per message)
    int watchdog_ms = 25000;             // the test fails, and open dialogs are ended, after this
};
void harness_begin(const HarnessOptions& options);
void harness_end();
// Handles one message the way the program's message loop does (accelerators included).
void harness_dispatch(MSG* message);
bool pump_until(const std::function<bool()>& done, int timeout_ms = 5000);
void pump_idle();                        // until the queue is empty
bool app_has_quit();                     // WM_QUIT has been taken off the queue
int app_quit_code();
bool watchdog_fired();

// ---- The fixture ---------------------------------------------------------------------------
class GuiTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The temporary folder of this test (Windows path, no trailing backslash).
    const std::string& temp_dir() const { return temp_dir_; }
    std::string temp_path(const std::string& name) const { return temp_dir_ + "\\" + name; }
    std::string sim_dir() const { return temp_path("sim"); }

    // Emulated units; n is 1..4.
    void attach_unit(int n, const std::string& serial_hex = "12345678");
    void set_unit_image(int n, const std::vector<std::uint8_t>& image);
    std::vector<std::uint8_t> unit_image(int n) const;
    void unplug_unit(int n);
    void replug_unit(int n);
    void set_unit_option(int n, const std::string& file, const std::string& value);  // fail_after, latency_us
    std::vector<std::string> unit_exchanges(int n) const;   // lines of exchanges.log
    void clear_unit_exchanges(int n);

    // The program.
    // start_application(..., SW_SHOW, command_line): start_app asserts that it returned true.
    void start_app(const std::string& command_line = "");
    bool start_app_result(const std::string& command_line = "");
    void send_command(int command);      // SendMessage WM_COMMAND to main_window, then pump_idle
    void press_keys(std::initializer_list<BYTE> keys);  // press in order, release in reverse

    // Scripts.
    void answer_boxes(std::initializer_list<int> answers);   // IDOK, IDYES, IDNO, IDCANCEL
    void on_dialog(DialogAction first, DialogAction second = nullptr, DialogAction third = nullptr);
    void on_tick(std::function<bool()> action);
    void allow_leftover_script() { strict_script_ = false; }

    // Records.
    const std::vector<MessageBoxRecord>& boxes() const;
    const std::vector<DialogRecord>& dialogs() const;
    const std::vector<std::string>& progress_texts() const;
    const std::vector<WindowRecord>& windows_created() const;
    bool main_window_was_shown() const;
    void clear_records();

private:
    std::string temp_dir_;
    bool strict_script_ = true;
};
