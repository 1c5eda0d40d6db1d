// Start-up: the main window, its class and size, every child control in order, the default
// configuration, the presence check of a unit, the installation check, and what the command
// line asks for (a file opened at start, /offline); at 96, 120, 144 and 192 DPI, and moved.
#include <set>

#include "harness.h"
#include "harness_images.h"
#include "test_matrix_support.h"
#include "tools/art/pinout_art.h"

#include "config/config_model.h"
#include "config/ui_ops.h"

namespace {

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG style_of(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

std::vector<std::string> combo_items(HWND combo) {
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char item[64] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof item))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        items.push_back(item);
    }
    return items;
}

BOOL CALLBACK collect_child(HWND child, LPARAM data) {
    if (GetParent(child) == main_window) reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<HWND> children_in_order() {
    std::vector<HWND> children;
    EnumChildWindows(main_window, collect_child, reinterpret_cast<LPARAM>(&children));
    return children;
}

COLORREF colour_of(ArtColour colour) { return RGB(colour.red, colour.green, colour.blue); }

// The pinout picture's header at its scaled place and size: its edge at both corners, the
// background beyond, and sharp: no more colours than the artwork has (a blurred picture mixes them).
void expect_sharp_picture(int dpi) {
    UpdateWindow(main_window);
    pump_idle();
    const int left = at_dpi(300, dpi), top = at_dpi(20, dpi);
    const int right = left + at_dpi(248, dpi) - 1, bottom = top + at_dpi(38, dpi) - 1;
    HDC dc = GetDC(main_window);
    EXPECT_EQ(colour_of(ART_HEADER_EDGE), GetPixel(dc, left, top));
    EXPECT_EQ(colour_of(ART_HEADER_EDGE), GetPixel(dc, right, bottom));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, right + 1, bottom + 1));
    std::set<COLORREF> colours;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) colours.insert(GetPixel(dc, x, y));
    ReleaseDC(main_window, dc);
    EXPECT_LE(colours.size(), 10u + 2 * ART_LINE_COUNT) << "the artwork's ten colours and a fill for each line";
}

}  // namespace

class Startup : public GuiTest {};

// The same start at each display scale; the cases of a DPI run in a Wine prefix of that DPI.
class StartupScale : public GuiTest, public testing::WithParamInterface<int> {};

TEST_F(Startup, MainWindowHasItsClassTitleAndClientSize) {
    attach_unit(1);
    start_app();
    EXPECT_EQ("pravikloadClass", class_of(main_window));
    EXPECT_EQ("VELMARO Configuration Utility", window_text(main_window));
    EXPECT_TRUE(IsWindowVisible(main_window));
    EXPECT_EQ(WS_OVERLAPPEDWINDOW, style_of(main_window) & WS_OVERLAPPEDWINDOW);
    RECT outer, expected = {0, 0, 597, 645};
    GetWindowRect(main_window, &outer);
    AdjustWindowRect(&expected, WS_OVERLAPPEDWINDOW, TRUE);
    EXPECT_EQ(expected.right - expected.left, outer.right - outer.left);
    EXPECT_EQ(expected.bottom - expected.top, outer.bottom - outer.top);
    WNDCLASSA window_class = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "pravikloadClass", &window_class));
    EXPECT_EQ(static_cast<UINT>(CS_OWNDC), window_class.style);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), window_class.hbrBackground);
    EXPECT_NE(nullptr, window_class.hIcon);
    EXPECT_NE(nullptr, GetMenu(main_window));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Startup, ChildControlsAreCreatedInOrder) {
    attach_unit(1);
    start_app();
    std::vector<HWND> expected = {single_key_check, ghost_filter_check, rows_caption, columns_caption,
                                  picture_caption};
    expected.insert(expected.end(), std::begin(header_labels), std::end(header_labels));
    expected.push_back(rows_combo);
    expected.push_back(columns_combo);
    expected.insert(expected.end(), std::begin(pin_combos), std::end(pin_combos));
    expected.insert(expected.end(), std::begin(cell_buttons), std::end(cell_buttons));
    expected.push_back(vertical_scroll_bar);
    expected.push_back(horizontal_scroll_bar);
    EXPECT_EQ(expected, children_in_order());
    for (HWND child : expected) {
        EXPECT_EQ(0, GetDlgCtrlID(child));
        if (child != vertical_scroll_bar && child != horizontal_scroll_bar) {
            EXPECT_EQ(reinterpret_cast<LRESULT>(ui_font), SendMessageA(child, WM_GETFONT, 0, 0));
        }
    }
}

// The child controls as they were created: order, class, style, rectangle and text, at the scale.
TEST_P(StartupScale, ChildControlsAreCreatedAsSpecifiedInOrderAndLaidOutAtTheScale) {
    const int dpi = GetParam();
    attach_unit(1);
    start_app();
    ASSERT_EQ(dpi, window_dpi(main_window)) << "the display is not at this DPI: run the test through ctest";
    const LONG check = WS_CHILD | WS_TABSTOP | BS_CHECKBOX;
    const LONG label = WS_CHILD | SS_CENTER;
    const LONG combo = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
    const LONG cell = WS_CHILD | WS_TABSTOP | BS_MULTILINE | BS_PUSHBUTTON;
    struct Expected {
        const char* class_name;
        LONG style;
        int x, y, width, height;
        const char* text;
    };
    std::vector<Expected> expected = {
        {"BUTTON", check, 20, 47, 116, 47, "Single Key at a Time"},
        {"BUTTON", check, 161, 47, 106, 47, "Filter Ghost Keys"},
        {"STATIC", label, 2, 8, 96, 16, "Number of Rows"},
        {"STATIC", label, 164, 8, 96, 16, "Number of Columns"},
        {"STATIC", label, 275, 60, 296, 16, "Header pinout as viewed from top of VELMARO"},
    };
    for (int i = 0; i < 9; ++i) expected.push_back({"STATIC", label, 0, 0, 56, 16, ""});
    expected.push_back({"COMBOBOX", combo, 48, 9, 64, 256, ""});
    expected.push_back({"COMBOBOX", combo, 206, 9, 64, 256, ""});
    for (int i = 0; i < 9; ++i) expected.push_back({"COMBOBOX", combo, 0, 0, 56, 9, ""});
    for (int i = 0; i < 20; ++i) expected.push_back({"BUTTON", cell, 0, 0, 128, 96, "Not Used"});
    expected.push_back({"SCROLLBAR", WS_CHILD | WS_VISIBLE | SBS_VERT, 452, 56, 17, 332, ""});
    expected.push_back({"SCROLLBAR", WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 388, 452, 17, ""});

    std::vector<WindowRecord> created;
    for (const WindowRecord& record : windows_created())
        if (record.parent == main_window) created.push_back(record);
    ASSERT_EQ(expected.size(), created.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        const Expected& e = expected[i];
        EXPECT_STRCASEEQ(e.class_name, created[i].class_name.c_str());
        EXPECT_EQ(e.style, created[i].style);
        EXPECT_EQ(at_dpi(e.x, dpi), created[i].x);
        EXPECT_EQ(at_dpi(e.y, dpi), created[i].y);
        EXPECT_EQ(at_dpi(e.width, dpi), created[i].width);
        EXPECT_EQ(at_dpi(e.height, dpi), created[i].height);
        EXPECT_EQ(e.text, created[i].title);
    }
    // The default client area at the scale, or less by whole half cells where the work area cannot
    // hold the window (the rows cut off then behind the scroll bar); controls and picture scaled.
    RECT outer, client, work;
    GetWindowRect(main_window, &outer);
    GetClientRect(main_window, &client);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(outer.left >= work.left && outer.top >= work.top && outer.right <= work.right &&
                outer.bottom <= work.bottom) << box_text(outer);
    EXPECT_EQ(at_dpi(597, dpi), client.right);
    const int cut = at_dpi(645, dpi) - client.bottom, half = at_dpi(48, dpi);
    EXPECT_TRUE(cut == 0 || (cut % half == 0 && outer.bottom - outer.top + half > work.bottom - work.top)) << cut;
    EXPECT_EQ(matrix_row_count() - visible_rows, shown(vertical_scroll_bar) ? scroll_maximum(vertical_scroll_bar) : 0);
    expect_scaled_layout(dpi);
    expect_texts_whole(main_window);
    expect_sharp_picture(dpi);
}

// Moved to a monitor of another DPI, the window takes the rectangle Windows suggests, and the
// font, every control and the picture follow the new scale.
TEST_P(StartupScale, MovedToAnotherDpiTheWindowTakesTheSuggestedRectangleAndScalesEverything) {
    const int moved = GetParam() == 144 ? 120 : 144;
    attach_unit(1);
    start_app();
    const RECT suggested = {0, 0, 1000, 760};   // within the smallest desktop of the tests, 1024 x 768
    SendMessageA(main_window, WM_DPICHANGED, MAKEWPARAM(moved, moved), reinterpret_cast<LPARAM>(&suggested));
    pump_idle();
    RECT outer;
    GetWindowRect(main_window, &outer);
    EXPECT_EQ(box_text(suggested), box_text(outer));
    LOGFONTA font = {};
    ASSERT_TRUE(GetObjectA(ui_font, sizeof font, &font));
    EXPECT_EQ(-MulDiv(33, moved, 288), font.lfHeight) << "8.25 points at the new DPI";
    EXPECT_EQ(reinterpret_cast<LRESULT>(ui_font), SendMessageA(cell_buttons[19], WM_GETFONT, 0, 0));
    expect_scaled_layout(moved);
    expect_sharp_picture(moved);
}

INSTANTIATE_TEST_SUITE_P(Scales, StartupScale, testing::Values(96, 120, 144, 192),
                         [](const testing::TestParamInfo<int>& info) { return "dpi" + std::to_string(info.param); });

TEST_F(Startup, CaptionsAndChecksKeepTheirTexts) {
    attach_unit(1);
    start_app();
    EXPECT_EQ("Single Key at a Time", window_text(single_key_check));
    EXPECT_EQ("Filter Ghost Keys", window_text(ghost_filter_check));
    EXPECT_EQ("Number of Rows", window_text(rows_caption));
    EXPECT_EQ("Number of Columns", window_text(columns_caption));
    EXPECT_EQ("Header pinout as viewed from top of VELMARO", window_text(picture_caption));
    for (HWND control : {single_key_check, ghost_filter_check, rows_caption, columns_caption, picture_caption,
                         rows_combo, columns_combo})
        EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(combo_box_proc), GetWindowLongPtrA(pin_combos[3], GWLP_WNDPROC));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(cell_button_proc), GetWindowLongPtrA(cell_buttons[7], GWLP_WNDPROC));
    EXPECT_NE(nullptr, previous_combo_box_proc);
    EXPECT_NE(nullptr, previous_cell_button_proc);
}

TEST_F(Startup, CombosHoldCountsAndPins) {
    attach_unit(1);
    start_app();
    std::vector<std::string> counts = {"1", "2", "3", "4", "5", "6", "7", "8"};
    std::vector<std::string> pins = {"Pin 1", "Pin 2", "Pin 3", "Pin 4", "Pin 5", "Pin 6", "Pin 7", "Pin 8", "Pin 9"};
    EXPECT_EQ(counts, combo_items(rows_combo));
    EXPECT_EQ(counts, combo_items(columns_combo));
    for (HWND combo : pin_combos) EXPECT_EQ(pins, combo_items(combo));
}

TEST_F(Startup, ShowsTheDefaultConfigurationWithoutAsking) {
    attach_unit(1);
    start_app();
    EXPECT_EQ(4, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(3, SendMessageA(columns_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(single_key_check, BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(ghost_filter_check, BM_GETCHECK, 0, 0));
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(&window_view_ops, view);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Startup, WithoutAUnitShowsTheMessageAndNeverTheWindow) {
    EXPECT_FALSE(start_app_result());
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("VELMARO Configuration Utility", boxes()[0].title);
    EXPECT_EQ("     No VELMARO device was detected !\n\nClick the OK button below, plug the VELMARO\n"
              "into the USB Port, and restart the program.",
              boxes()[0].text);
    EXPECT_EQ(MB_ICONERROR, boxes()[0].icon);
    EXPECT_EQ("OK", boxes()[0].buttons);
    EXPECT_EQ(main_window, boxes()[0].owner);
    EXPECT_FALSE(boxes()[0].owner_visible);
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(0, run_message_loop());
    EXPECT_FALSE(main_window_was_shown());
}

TEST_F(Startup, AnUnpluggedUnitCountsAsNoUnit) {
    attach_unit(1);
    unplug_unit(1);
    EXPECT_FALSE(start_app_result());
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(0u, boxes()[0].text.find("     No VELMARO device was detected !"));
    EXPECT_EQ(0, run_message_loop());
}

TEST_F(Startup, TheMessageLoopEndsWithTheQuitCode) {
    attach_unit(1);
    start_app();
    PostMessageA(main_window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, run_message_loop());
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(nullptr, ui_font);
}

// ---- The installation check: the label of the current directory's volume ----------------------

struct LabelCase {
    const char* what;
    const char* folder;     // V: is labelled "VELMARO", W: "velmaro" (tools/wine-common.sh)
    bool warns;
};

// The drive letter alone: a trailing backslash would run into the next name of ctest's list.
void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.what << " " << std::string(c.folder, 2); }

class StartupLabel : public GuiTest, public testing::WithParamInterface<LabelCase> {};

TEST_P(StartupLabel, WarnsOnlyOnAVolumeLabelledExactlyVelmaro) {
    const LabelCase& c = GetParam();
    ASSERT_TRUE(SetCurrentDirectoryA(c.folder)) << c.folder << " is missing: run the test through tools/wine-run.sh";
    attach_unit(1);
    start_app();
    if (!c.warns) {
        EXPECT_TRUE(boxes().empty());
        return;
    }
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("VELMARO Configuration Utility", boxes()[0].title);
    EXPECT_EQ("Warning: The VELMARO programs must be copied to and run\nfrom its own folder on the PC's "
              "harddrive. The CD itself\nshould be reserved for backup purposes only.",
              boxes()[0].text);
    EXPECT_EQ(0, boxes()[0].icon);
    EXPECT_EQ("OK", boxes()[0].buttons);
    EXPECT_EQ(nullptr, boxes()[0].owner);
    EXPECT_TRUE(IsWindowVisible(main_window)) << "start-up goes on after the warning";
}

INSTANTIATE_TEST_SUITE_P(Volumes, StartupLabel,
                         testing::Values(LabelCase{"UpperCase", "V:\\", true},
                                         LabelCase{"LowerCase", "W:\\", false},
                                         LabelCase{"NoLabel", "Z:\\", false}),
                         [](const testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.what); });

// ---- The command line: a file opened at start, /offline ---------------------------------------

struct CommandLineCase {
    const char* what;
    const char* command_line;  // %F: the full path of the file, %R: the same file relative to
                               // the current directory (the test's folder)
    bool unit;                 // a unit attached
    const char* file;          // what the file holds: "diagonal", "invalid", "short", or "" for no file
    const char* message;       // the one message shown at start, "" for none
    bool opens;                // the editor shows the file's configuration
};

void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.what; }

class StartupCommandLine : public GuiTest, public testing::WithParamInterface<CommandLineCase> {
protected:
    std::vector<std::uint8_t> file_bytes(const std::string& kind) {
        std::vector<std::uint8_t> image = diagonal_image();
        if (kind == "invalid") image[508] = 0;  // no rows
        if (kind == "short") image.resize(100);
        return scrambled(image);
    }

    static std::string substituted(std::string line, const std::string& full, const std::string& relative) {
        for (std::size_t at; (at = line.find("%F")) != std::string::npos;) line.replace(at, 2, full);
        for (std::size_t at; (at = line.find("%R")) != std::string::npos;) line.replace(at, 2, relative);
        return line;
    }
};

TEST_P(StartupCommandLine, OpensTheFileOrStartsOfflineWithoutThePresenceCheck) {
    const CommandLineCase& c = GetParam();
    const std::string relative = "my files\\diagonal.QZC";
    const std::string full = temp_path(relative);
    ASSERT_TRUE(CreateDirectoryA(temp_path("my files").c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(temp_dir().c_str()));
    std::vector<std::uint8_t> bytes;
    if (*c.file) {
        bytes = file_bytes(c.file);
        ASSERT_TRUE(write_file_bytes(full, bytes));
    }
    if (c.unit) attach_unit(1);
    start_app(substituted(c.command_line, full, relative));

    EXPECT_TRUE(IsWindowVisible(main_window));
    if (*c.message) {
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ(c.message, boxes()[0].text);
        EXPECT_EQ(MB_ICONERROR, boxes()[0].icon);
        EXPECT_EQ(main_window, boxes()[0].owner);
        EXPECT_TRUE(boxes()[0].owner_visible) << "the message comes over the window";
    } else {
        EXPECT_TRUE(boxes().empty()) << boxes()[0].text;
    }
    EXPECT_EQ(c.opens ? 2 : 4, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(c.opens ? 2 : 3, SendMessageA(columns_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(c.opens ? 0x05 : 0, config_model.key_table[cell_index(1, 1)]);
    EXPECT_EQ(c.opens, full == config_model.config_file_name) << config_model.config_file_name;
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(bytes, read_file_bytes(full)) << "the file is left as it was";
    if (c.unit) {
        EXPECT_TRUE(unit_exchanges(1).empty()) << "no presence check";
    }
    EXPECT_NE(0, GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, StartupCommandLine,
    testing::Values(
        CommandLineCase{"QuotedFileWithoutAUnit", "\"%F\"", false, "diagonal", "", true},
        CommandLineCase{"QuotedFileWithAUnit", "\"%F\"", true, "diagonal", "", true},
        CommandLineCase{"UnquotedNameWithSpaces", "%F", false, "diagonal", "", true},
        CommandLineCase{"RelativeNameBecomesFull", "\"%R\"", false, "diagonal", "", true},
        CommandLineCase{"BlanksAround", "  \"%F\"  ", false, "diagonal", "", true},
        CommandLineCase{"InvalidImage", "\"%F\"", false, "invalid", "Invalid configuration file", false},
        CommandLineCase{"ShortFile", "\"%F\"", true, "short", "Invalid configuration file", false},
        CommandLineCase{"MissingFile", "\"%F\"", false, "", "Error opening the file", false},
        CommandLineCase{"Offline", "/offline", false, "", "", false},
        CommandLineCase{"OfflineInCapitals", "/OFFLINE", false, "diagonal", "", false},
        CommandLineCase{"OfflineWithAUnit", "/offline", true, "", "", false},
        CommandLineCase{"OfflineWithAFile", "/offline \"%F\"", false, "diagonal", "", true}),
    [](const testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.what); });

// Started with a file and no unit, Read and Write meet no unit as they do when one was unplugged.
TEST_F(Startup, StartedWithAFileWithoutAUnitReadAndWriteFindNone) {
    const std::string file = temp_path("diagonal.QZC");
    ASSERT_TRUE(write_file_bytes(file, scrambled(diagonal_image())));
    start_app("\"" + file + "\"");
    for (int command : {CMD_READ, CMD_WRITE}) {
        SCOPED_TRACE(command);
        clear_records();
        send_command(command);
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ("The VELMARO (1) was not found", boxes().back().text);
        EXPECT_EQ(MB_ICONERROR, boxes().back().icon);
    }
    EXPECT_EQ(2, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0)) << "the opened configuration stays";
    EXPECT_TRUE(IsWindow(main_window));
}
