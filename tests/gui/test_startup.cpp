// Start-up: the main window, its class and size, every child control in order, the default
// configuration, the presence check of a unit and the installation check.
#include "harness.h"

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

}  // namespace

class Startup : public GuiTest {};

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

struct ControlCase {
    const char* name;
    HWND* control;
    const char* class_name;
    LONG style;
    const char* text;
};

TEST_F(Startup, ControlsHaveTheirClassStyleAndText) {
    attach_unit(1);
    start_app();
    const LONG check = WS_CHILD | WS_TABSTOP | BS_CHECKBOX;
    const LONG label = WS_CHILD | SS_CENTER;
    const LONG combo = WS_CHILD | WS_TABSTOP | CBS_DROPDOWNLIST;   // the list takes WS_VSCROLL
    const ControlCase cases[] = {
        {"single key", &single_key_check, "Button", check, "Single Key at a Time"},
        {"ghost filter", &ghost_filter_check, "Button", check, "Filter Ghost Keys"},
        {"rows caption", &rows_caption, "Static", label, "Number of Rows"},
        {"columns caption", &columns_caption, "Static", label, "Number of Columns"},
        {"picture caption", &picture_caption, "Static", label, "Header pinout as viewed from top of VELMARO"},
        {"header label", &header_labels[8], "Static", label, nullptr},
        {"rows combo", &rows_combo, "ComboBox", combo, nullptr},
        {"pin combo", &pin_combos[0], "ComboBox", combo, nullptr},
        {"cell button", &cell_buttons[19], "Button", WS_CHILD | WS_TABSTOP | BS_MULTILINE | BS_PUSHBUTTON, nullptr},
        {"vertical bar", &vertical_scroll_bar, "ScrollBar", WS_CHILD | SBS_VERT, ""},
        {"horizontal bar", &horizontal_scroll_bar, "ScrollBar", WS_CHILD | SBS_HORZ, ""},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STRCASEEQ(c.class_name, class_of(*c.control).c_str());
        EXPECT_EQ(c.style, style_of(*c.control) & c.style);
        if (c.text) {
            EXPECT_EQ(c.text, window_text(*c.control));
        }
    }
    EXPECT_EQ(0, style_of(horizontal_scroll_bar) & SBS_VERT);
    for (HWND combo : {rows_combo, columns_combo, pin_combos[0]}) {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(combo, &info));
        EXPECT_NE(0, style_of(info.hwndList) & WS_VSCROLL) << "the list of the box scrolls";
    }
    EXPECT_EQ(0, style_of(rows_combo) & CBS_SORT);
    EXPECT_EQ(0, style_of(pin_combos[8]) & CBS_SORT);
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
