// Write and Read from the menu with one to four emulated units: the notice window, the unit
// selection dialogs, the progress texts, every result message and what reaches the units.
#include "harness.h"
#include "harness_images.h"

#include <algorithm>
#include <cstdio>

#include "config/config_model.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"

namespace {

const char* const SERIALS[] = {"", "12345678", "00001234", "123abcde", "87654321"};
const int SHOWN_SERIALS[] = {0, 12345678, 1234, 123, 87654321};
const char* const WRITE_DONE = "The configuration was successfully saved to the VELMARO";
const char* const READ_DONE = "The configuration was successfully read from the VELMARO";
const char* const SAVE_QUESTION = "The current configuration has changed.\nDo you want to save the changes?";

std::string format(const char* pattern, int first, int second) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, first, second);
    return text;
}

// The progress texts of a transfer of a configuration with n key-code bytes, no FN table and no
// macros, as the window shows them one after the other.
std::vector<std::string> expected_progress(bool write, int n, int serial) {
    std::string verb = write ? "Writing" : "Reading";
    std::string pattern = verb + " configuration - %d%%\n" + verb + " data - %d%%";
    if (serial) pattern += "  SN- " + std::to_string(serial);
    std::vector<std::string> texts;
    for (int address = 496; address <= 509; ++address)
        texts.push_back(format(pattern.c_str(), (address - 495) * 100 / 30, 0));
    for (int address = 0; address < n; ++address)
        texts.push_back(format(pattern.c_str(), 100, (address + 1) * 100 / n));
    return texts;
}

bool is_dialog_record(const WindowRecord& record) {
    return record.class_name == "#32770" && !(record.style & WS_CHILD);
}

}  // namespace

class DeviceCommands : public GuiTest {
protected:
    void attach_units(int count) {
        for (int n = 1; n <= count; ++n) attach_unit(n, SERIALS[n]);
    }

    // Titles of the dialogs created, in order (message boxes get theirs only after creation).
    std::vector<std::string> dialog_titles() const {
        std::vector<std::string> titles;
        for (const WindowRecord& record : windows_created())
            if (is_dialog_record(record) && !record.title.empty()) titles.push_back(record.title);
        return titles;
    }

    const WindowRecord* created(const std::string& title) const {
        for (const WindowRecord& record : windows_created())
            if (is_dialog_record(record) && record.title == title) return &record;
        return nullptr;
    }

    void expect_error(const std::string& text) {
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ(text, boxes().back().text);
        EXPECT_EQ(MB_ICONERROR, boxes().back().icon);
        EXPECT_EQ(main_window, boxes().back().owner);
    }

    void expect_done(const char* text) {
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ(text, boxes().back().text);
        EXPECT_EQ("VELMARO Configuration Utility", boxes().back().title);
        EXPECT_EQ(0, boxes().back().icon);
        EXPECT_EQ("OK", boxes().back().buttons);
        EXPECT_EQ(main_window, boxes().back().owner);
    }

    void expect_diagonal_model() {
        EXPECT_EQ(2, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(2, SendMessageA(columns_combo, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(BST_CHECKED, SendMessageA(single_key_check, BM_GETCHECK, 0, 0));
        EXPECT_EQ(0x05, config_model.key_table[cell_index(1, 1)]);
    }
};

// ---- One unit ---------------------------------------------------------------------------------

TEST_F(DeviceCommands, WriteToOneUnit) {
    attach_units(1);
    start_app();
    config_model.config_changed = 1;
    send_command(CMD_WRITE);
    std::vector<std::string> titles = {"Writing VELMARO"};
    EXPECT_EQ(titles, dialog_titles()) << "no notice and no selection with one unit";
    EXPECT_EQ(expected_progress(true, 40, 0), progress_texts());
    ASSERT_EQ(1u, boxes().size()) << "Write never asks about unsaved changes";
    expect_done(WRITE_DONE);
    EXPECT_EQ(marked(default_image()), unit_image(1));
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_EQ(nullptr, progress_window);
    EXPECT_FALSE(IsWindow(created("Writing VELMARO")->window));
    EXPECT_EQ(1, unit_count);
}

TEST_F(DeviceCommands, ReadFromOneUnit) {
    attach_units(1);
    set_unit_image(1, marked(diagonal_image()));
    start_app();
    send_command(CMD_READ);
    std::vector<std::string> titles = {"Reading VELMARO"};
    EXPECT_EQ(titles, dialog_titles());
    EXPECT_EQ(expected_progress(false, 18, 0), progress_texts());
    ASSERT_EQ(1u, boxes().size());
    expect_done(READ_DONE);
    expect_diagonal_model();
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(marked(diagonal_image()), unit_image(1)) << "a read changes nothing on the unit";
}

TEST_F(DeviceCommands, ProgressWindowIsShownOnTopWhileTheTransferRuns) {
    attach_units(1);
    set_unit_option(1, "latency_us", "2000");
    start_app();
    bool seen = false, visible = false, topmost = false;
    std::string title;
    on_tick([&] {
        if (!transfer_in_progress || !progress_window || progress_texts().empty()) return false;
        seen = true;
        visible = IsWindowVisible(progress_window) != FALSE;
        topmost = (GetWindowLongA(progress_window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        title = window_text(progress_window);
        return true;
    });
    send_command(CMD_WRITE);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(topmost);
    EXPECT_EQ("Writing VELMARO", title);
}

// ---- Several units ------------------------------------------------------------------------------

struct UnitsCase {
    int units;
    int chosen;
    bool write;
};

void PrintTo(const UnitsCase& c, std::ostream* out) {
    *out << (c.write ? "Write, " : "Read, ") << c.units << " units, unit " << c.chosen << " chosen";
}

class DeviceUnits : public DeviceCommands, public testing::WithParamInterface<UnitsCase> {};

TEST_P(DeviceUnits, NoticeSelectionProgressAndResult) {
    const UnitsCase& c = GetParam();
    attach_units(c.units);
    for (int n = 1; n <= c.units; ++n) set_unit_image(n, marked(c.write ? std::vector<std::uint8_t>(512, 0) : diagonal_image()));
    start_app();
    bool notice_gone = false, escape_ignored = false;
    int waited = 0;
    on_dialog(
        [&](HWND dialog) {
            const WindowRecord* notice = created("Multiple Units Detected");
            notice_gone = notice && !IsWindow(notice->window);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);   // what Esc sends
            return true;
        },
        [&](HWND dialog) {
            if (++waited < 3) return false;                                   // a few ticks later
            escape_ignored = IsWindowVisible(dialog) != FALSE;
            return true;
        },
        click(IDC_UNIT_1 + c.chosen - 1));
    send_command(c.write ? CMD_WRITE : CMD_READ);

    std::vector<std::string> titles = {"Multiple Units Detected", "Select Unit",
                                       c.write ? "Writing VELMARO" : "Reading VELMARO"};
    EXPECT_EQ(titles, dialog_titles());
    EXPECT_TRUE(notice_gone) << "the notice closes before the selection";
    EXPECT_TRUE(escape_ignored) << "no way out but a unit button";
    ASSERT_EQ(1u, dialogs().size());
    const DialogRecord& selection = dialogs()[0];
    EXPECT_EQ(c.write ? "Multiple VELMAROs - Select Unit to Write" : "Multiple VELMAROs - Select Unit to Read",
              selection.title);
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE("button " + std::to_string(n));
        EXPECT_EQ(n <= c.units, selection.has(IDC_UNIT_1 + n - 1));
        if (n <= c.units) {
            EXPECT_EQ("Unit #" + std::to_string(n) + "  SN- " + std::to_string(SHOWN_SERIALS[n]),
                      selection.text(IDC_UNIT_1 + n - 1));
        }
    }
    int n = c.write ? 40 : 18;
    EXPECT_EQ(expected_progress(c.write, n, SHOWN_SERIALS[c.chosen]), progress_texts());
    expect_done(c.write ? WRITE_DONE : READ_DONE);
    EXPECT_EQ(c.units, unit_count);
    for (int unit = 1; unit <= c.units; ++unit) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        EXPECT_EQ(SHOWN_SERIALS[unit], unit_serial[unit]);
        if (c.write) {
            EXPECT_EQ(unit == c.chosen ? marked(default_image()) : marked(std::vector<std::uint8_t>(512, 0)),
                      unit_image(unit));
        }
    }
    if (!c.write) expect_diagonal_model();
}

INSTANTIATE_TEST_SUITE_P(
    Units, DeviceUnits,
    testing::Values(UnitsCase{2, 1, true}, UnitsCase{2, 2, false}, UnitsCase{3, 3, true}, UnitsCase{3, 2, false},
                    UnitsCase{4, 4, true}, UnitsCase{4, 3, false}, UnitsCase{4, 1, true}),
    [](const testing::TestParamInfo<UnitsCase>& info) {
        return std::string(info.param.write ? "Write" : "Read") + std::to_string(info.param.units) + "UnitsChoose" +
               std::to_string(info.param.chosen);
    });

// ---- Units that are gone -------------------------------------------------------------------------

TEST_F(DeviceCommands, WriteToAUnitGoneSinceStartUp) {
    attach_units(1);
    start_app();
    unplug_unit(1);
    send_command(CMD_WRITE);
    std::vector<std::string> titles = {"Writing VELMARO"};
    EXPECT_EQ(titles, dialog_titles());
    expect_error("The VELMARO (1) was not found");
    EXPECT_TRUE(progress_texts().empty());
}

TEST_F(DeviceCommands, ReadFromAUnitGoneKeepsTheChangeMark) {
    attach_units(1);
    start_app();
    unplug_unit(1);
    config_model.config_changed = 1;
    answer_boxes({IDNO});
    send_command(CMD_READ);
    ASSERT_EQ(2u, boxes().size());
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
    expect_error("The VELMARO (1) was not found");
    EXPECT_EQ(1, config_model.config_changed) << "the unsaved edits are still protected";
}

TEST_F(DeviceCommands, ChosenUnitGoneBeforeTheTransfer) {
    attach_units(3);
    start_app();
    on_dialog(
        [&](HWND) {
            unplug_unit(3);
            return true;
        },
        click(IDC_UNIT_1 + 2));
    send_command(CMD_WRITE);
    expect_error("The VELMARO (3) was not found");
    EXPECT_EQ((std::vector<std::string>{"open", "serial", "close"}), unit_exchanges(3))
        << "only the serial number was read from unit 3";
}

struct FailureCase {
    const char* what;
    bool write;
    const char* fail_after;   // nullptr: unplugged during the transfer instead
    const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.what; }

class DeviceFailures : public DeviceCommands, public testing::WithParamInterface<FailureCase> {};

TEST_P(DeviceFailures, UnitLostDuringTheTransfer) {
    const FailureCase& c = GetParam();
    attach_units(1);
    set_unit_image(1, marked(diagonal_image()));
    start_app();
    config_model.key_table[cell_index(0, 0)] = 0x07;
    config_model.config_changed = 1;
    if (c.fail_after) {
        set_unit_option(1, "fail_after", c.fail_after);
    } else {
        set_unit_option(1, "latency_us", "3000");
        on_tick([&] {
            if (progress_texts().size() < 5) return false;
            unplug_unit(1);
            return true;
        });
    }
    if (!c.write) answer_boxes({IDNO});
    send_command(c.write ? CMD_WRITE : CMD_READ);
    expect_error(c.message);
    EXPECT_EQ(0x07, config_model.key_table[cell_index(0, 0)]) << "the model is untouched";
    EXPECT_EQ(4, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, config_model.config_changed);
    std::vector<std::uint8_t> stored = unit_image(1);
    ASSERT_EQ(512u, stored.size());
    if (c.write) {
        EXPECT_EQ(0, stored[510]) << "the validity mark stays cleared";
        EXPECT_EQ(0, stored[511]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lost, DeviceFailures,
    testing::Values(FailureCase{"WriteFailAfter20", true, "20", "Error while writing to the VELMARO (1)"},
                    FailureCase{"WriteUnplugged", true, nullptr, "Error while writing to the VELMARO (1)"},
                    FailureCase{"ReadFailAfter9", false, "9", "Error while reading from the VELMARO (1)"},
                    FailureCase{"ReadUnplugged", false, nullptr, "Error while reading from the VELMARO (1)"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.what); });

TEST_F(DeviceCommands, ReadOfAnUnfinishedImageIsInvalid) {
    attach_units(1);
    set_unit_image(1, diagonal_image());     // no validity mark: a write that never finished
    start_app();
    config_model.config_changed = 1;
    answer_boxes({IDNO});
    send_command(CMD_READ);
    expect_error("Invalid configuration");
    EXPECT_EQ(4, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, config_model.config_changed);
}

// ---- The question before a Read -------------------------------------------------------------------

TEST_F(DeviceCommands, ReadCancelledAtTheQuestionOpensNoUnit) {
    attach_units(2);
    start_app();
    clear_unit_exchanges(1);
    clear_unit_exchanges(2);
    config_model.config_changed = 1;
    answer_boxes({IDCANCEL});
    send_command(CMD_READ);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
    EXPECT_TRUE(unit_exchanges(1).empty());
    EXPECT_TRUE(unit_exchanges(2).empty());
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(DeviceCommands, ReadAfterSavingTheChanges) {
    attach_units(1);
    set_unit_image(1, marked(diagonal_image()));
    start_app();
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.config_changed = 1;
    answer_boxes({IDYES});
    on_dialog(file_name(temp_path("before-read.qzc")));
    send_command(CMD_READ);
    std::vector<std::uint8_t> saved = default_image();
    saved[1] = 0x04;
    EXPECT_EQ(scrambled(saved), read_file_bytes(temp_path("before-read.qzc")));
    expect_done(READ_DONE);
    expect_diagonal_model();
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(DeviceCommands, WriteRefusesCollidingPinsBeforeTouchingAUnit) {
    attach_units(2);
    start_app();
    config_model.row_pins[0] = 0;   // row 1 on pin 1, like column 1
    for (int command : {CMD_WRITE, CMD_WRITE_ALL, CMD_COMPARE}) {
        SCOPED_TRACE(command);
        clear_records();
        clear_unit_exchanges(1);
        clear_unit_exchanges(2);
        send_command(command);
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ("Error: Pin 1 is used for multiple scan lines", boxes()[0].text);
        EXPECT_TRUE(unit_exchanges(1).empty());
        EXPECT_TRUE(unit_exchanges(2).empty());
    }
}

// ---- What the unit logs -----------------------------------------------------------------------

TEST_F(DeviceCommands, EnumerationReadsSerialsOfUnitTwoFirstAndClosesEveryUnit) {
    attach_units(3);
    start_app();
    for (int n = 1; n <= 3; ++n) clear_unit_exchanges(n);
    on_dialog(click(IDC_UNIT_1 + 1));
    send_command(CMD_WRITE);
    EXPECT_EQ((std::vector<std::string>{"open", "serial", "close"}), unit_exchanges(1));
    std::vector<std::string> second = unit_exchanges(2);
    ASSERT_GE(second.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{"open", "serial", "close", "open"}),
              std::vector<std::string>(second.begin(), second.begin() + 4));
    EXPECT_EQ("close", second.back());
    EXPECT_EQ((std::vector<std::string>{"open", "serial", "close"}), unit_exchanges(3));
}

TEST_F(DeviceCommands, DetectDeviceOpensAndClosesUnitOne) {
    attach_units(1);
    EXPECT_EQ(0, detect_device());
    EXPECT_EQ((std::vector<std::string>{"open", "close"}), unit_exchanges(1));
    unplug_unit(1);
    EXPECT_EQ(1, detect_device());
}

// ---- Tools: Verify after Write, Write to All VELMAROs, Compare with VELMARO ---------------------

namespace {
const char* const STORES_B_FOR_A = "1 05";   // stuck_byte: the unit keeps B where A is written

// Where the first line starting with `start` stands in the log, and where the last one does.
std::pair<int, int> first_and_last(const std::vector<std::string>& log, const std::string& start) {
    std::pair<int, int> found(-1, -1);
    for (int i = 0; i < static_cast<int>(log.size()); ++i) {
        if (log[i].compare(0, start.size(), start) != 0) continue;
        if (found.first < 0) found.first = i;
        found.second = i;
    }
    return found;
}
}  // namespace

struct VerifyCase {
    const char* what;
    const char* stuck_byte;   // nullptr: the unit stores what it is sent
    const char* message;
    int icon;
};

void PrintTo(const VerifyCase& c, std::ostream* out) { *out << c.what; }

class DeviceVerify : public DeviceCommands, public testing::WithParamInterface<VerifyCase> {};

TEST_P(DeviceVerify, WriteReadsTheUnitBack) {
    const VerifyCase& c = GetParam();
    attach_units(1);
    if (c.stuck_byte) set_unit_option(1, "stuck_byte", c.stuck_byte);
    start_app();
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.fn_key_table[cell_index(0, 1)] = 0x07;   // no FN key: the write leaves it home
    send_command(CMD_VERIFY_AFTER_WRITE);
    clear_unit_exchanges(1);
    send_command(CMD_WRITE);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(c.message, boxes()[0].text);
    EXPECT_EQ(c.icon, boxes()[0].icon);
    std::vector<std::string> log = unit_exchanges(1);
    const std::pair<int, int> writes = first_and_last(log, "write "), reads = first_and_last(log, "read ");
    ASSERT_GE(writes.first, 0);
    EXPECT_GT(reads.first, writes.second) << "read back once the write has ended";
    EXPECT_EQ("close", log.back());
    std::vector<std::string> titles = {"Writing VELMARO"};
    EXPECT_EQ(titles, dialog_titles()) << "the read-back runs under the write's window";
}

INSTANTIATE_TEST_SUITE_P(
    Verify, DeviceVerify,
    testing::Values(VerifyCase{"Verified", nullptr, "The configuration was successfully saved to the VELMARO and verified", 0},
                    VerifyCase{"Difference", STORES_B_FOR_A,
                               "The configuration was saved to the VELMARO, but reading it back found a difference: "
                               "Key at row 1, column 1: A -> B",
                               MB_ICONERROR}),
    [](const testing::TestParamInfo<VerifyCase>& info) { return std::string(info.param.what); });

struct WriteAllCase {
    const char* what;
    int units;
    bool verify;
    int lost;                 // unit lost during its write, 0 for none
    int stuck;                // unit that keeps B for A, 0 for none
    const char* report;
    int icon;
};

void PrintTo(const WriteAllCase& c, std::ostream* out) { *out << c.what; }

class DeviceWriteAll : public DeviceCommands, public testing::WithParamInterface<WriteAllCase> {};

TEST_P(DeviceWriteAll, EveryAttachedUnitInTurnAndOneReport) {
    const WriteAllCase& c = GetParam();
    attach_units(std::max(c.units, 1));
    start_app();
    if (c.units == 0) unplug_unit(1);
    if (c.lost) set_unit_option(c.lost, "fail_after", "20");   // its serial number, then 19 writes
    if (c.stuck) set_unit_option(c.stuck, "stuck_byte", STORES_B_FOR_A);
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.config_changed = 1;
    if (c.verify) send_command(CMD_VERIFY_AFTER_WRITE);
    send_command(CMD_WRITE_ALL);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(c.report, boxes()[0].text);
    EXPECT_EQ("VELMARO Configuration Utility", boxes()[0].title);
    EXPECT_EQ(c.icon, boxes()[0].icon);
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_TRUE(dialogs().empty()) << "no selection: every unit is written";
    std::vector<std::uint8_t> written = default_image();
    written[1] = 0x04;
    for (int unit = 1; unit <= c.units; ++unit) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        if (unit != c.lost && unit != c.stuck) {
            EXPECT_EQ(marked(written), unit_image(unit));
        }
    }
    if (c.units < 2) return;
    const std::vector<std::string> titles = dialog_titles();
    EXPECT_EQ(1, std::count(titles.begin(), titles.end(), "Writing VELMARO")) << "one window for all";
    const std::string last = progress_texts().back();
    EXPECT_NE(std::string::npos, last.find("SN- " + std::to_string(SHOWN_SERIALS[c.units]))) << last;
}

INSTANTIATE_TEST_SUITE_P(
    WriteAll, DeviceWriteAll,
    testing::Values(
        WriteAllCase{"TwoUnits", 2, false, 0, 0,
                     "VELMARO (1), serial 12345678: written\nVELMARO (2), serial 1234: written", 0},
        WriteAllCase{"TwoUnitsTheFirstLostVerified", 2, true, 1, 0,
                     "VELMARO (1), serial 12345678: lost during the write\nVELMARO (2), serial 1234: written, verified",
                     MB_ICONERROR},
        WriteAllCase{"VerifyFindsADifference", 2, true, 0, 2,
                     "VELMARO (1), serial 12345678: written, verified\nVELMARO (2), serial 1234: written, but reading "
                     "it back found a difference: Key at row 1, column 1: A -> B",
                     MB_ICONERROR},
        WriteAllCase{"NoUnit", 0, false, 0, 0, "The VELMARO (1) was not found", MB_ICONERROR}),
    [](const testing::TestParamInfo<WriteAllCase>& info) { return std::string(info.param.what); });

struct CompareCase {
    const char* what;
    int fn_table_code;        // put in the editor's FN table, where no cell holds the FN key
    std::vector<std::uint8_t> (*unit_holds)();
    const char* text;
};

void PrintTo(const CompareCase& c, std::ostream* out) { *out << c.what; }

std::vector<std::uint8_t> default_with_a() {
    std::vector<std::uint8_t> image = marked(default_image());
    image[1] = 0x04;
    return image;
}

std::vector<std::uint8_t> marked_default() { return marked(default_image()); }

class DeviceCompare : public DeviceCommands, public testing::WithParamInterface<CompareCase> {};

TEST_P(DeviceCompare, DifferencesOfTheEditorAndTheChosenUnit) {
    const CompareCase& c = GetParam();
    attach_units(2);
    set_unit_image(2, c.unit_holds());
    start_app();
    config_model.fn_key_table[cell_index(0, 1)] = c.fn_table_code;
    config_model.config_changed = 1;
    bool read_only = false;
    on_dialog(click(IDC_UNIT_1 + 1));
    on_dialog([&](HWND dialog) {
        read_only = (GetWindowLongA(GetDlgItem(dialog, IDC_COMPARE_TEXT), GWL_STYLE) & (ES_READONLY | ES_MULTILINE)) ==
                    (ES_READONLY | ES_MULTILINE);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);   // Esc
        return true;
    });
    send_command(CMD_COMPARE);
    std::vector<std::string> titles = {"Multiple Units Detected", "Select Unit", "Reading VELMARO",
                                       "Compare with VELMARO"};
    EXPECT_EQ(titles, dialog_titles());
    ASSERT_EQ(2u, dialogs().size());
    EXPECT_EQ("Multiple VELMAROs - Select Unit to Read", dialogs()[0].title);
    EXPECT_EQ("Compare with VELMARO", dialogs()[1].title);
    EXPECT_EQ(c.text, dialogs()[1].text(IDC_COMPARE_TEXT));
    EXPECT_EQ("OK", dialogs()[1].text(IDOK));
    EXPECT_TRUE(read_only);
    EXPECT_FALSE(topmost_modal_dialog()) << "Esc closed it";
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(0, config_model.key_table[cell_index(0, 0)]) << "the editor is not changed";
    EXPECT_EQ(c.fn_table_code, config_model.fn_key_table[cell_index(0, 1)]);
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_EQ(4, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Compare, DeviceCompare,
    testing::Values(CompareCase{"OneKey", 0, default_with_a, "Key at row 1, column 1: Not Used -> A"},
                    CompareCase{"FnTableThatStaysHome", 0x07, marked_default, "The VELMARO (2) holds this configuration."}),
    [](const testing::TestParamInfo<CompareCase>& info) { return std::string(info.param.what); });

TEST_F(DeviceCommands, CompareWithAUnitLostGetsReadsMessages) {
    attach_units(1);
    set_unit_image(1, marked(default_image()));
    start_app();
    set_unit_option(1, "fail_after", "9");
    send_command(CMD_COMPARE);
    expect_error("Error while reading from the VELMARO (1)");
    EXPECT_TRUE(dialogs().empty());
    clear_records();
    unplug_unit(1);
    send_command(CMD_COMPARE);
    expect_error("The VELMARO (1) was not found");
}
