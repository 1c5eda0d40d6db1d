// The menu, the accelerators, the help boxes, the user manual (F1), the focus handling of the
// main window, and the key tester with keys sent as real input, at 96, 120, 144 and 192 DPI.
#include <algorithm>
#include <cstring>

#include "harness.h"
#include "test_key_dialogs_steps.h"
#include "test_matrix_support.h"

#include "config/config_model.h"
#include "velmaro_version.h"

namespace {

struct MenuEntry {
    int popup;
    int position;
    const char* text;   // nullptr for a separator
    int command;
    bool grayed = false;  // at start-up
};

const MenuEntry MENU_ENTRIES[] = {
    {0, 0, "&New\tCtrl+N", CMD_NEW},
    {0, 1, nullptr, 0},
    {0, 2, "&Open\tCtrl+O", CMD_OPEN},
    {0, 3, "&Save\tCtrl+S", CMD_SAVE},
    {0, 4, nullptr, 0},
    {0, 5, "&Read from VELMARO\tCtrl+R", CMD_READ},
    {0, 6, "&Write to VELMARO\tCtrl+W", CMD_WRITE},
    {0, 7, nullptr, 0},
    {0, 8, "E&xit", CMD_EXIT},
    {1, 0, "&Undo\tCtrl+Z", CMD_UNDO, true},  // nothing to undo or redo yet
    {1, 1, "&Redo\tCtrl+Y", CMD_REDO, true},
    {2, 0, "&Compare with VELMARO...", CMD_COMPARE},
    {2, 1, "Write to &All VELMAROs", CMD_WRITE_ALL},
    {2, 2, "&Verify after Write", CMD_VERIFY_AFTER_WRITE},
    {2, 3, nullptr, 0},
    {2, 4, "&Import JSON...", CMD_IMPORT_JSON},
    {2, 5, "&Export JSON...", CMD_EXPORT_JSON},
    {2, 6, "Wiring &Sheet...", CMD_WIRING_SHEET},
    {2, 7, nullptr, 0},
    {2, 8, "&Key Tester...", CMD_KEY_TESTER},
    {3, 0, "User &Manual\tF1", CMD_USER_MANUAL},
    {3, 1, "&Macro Usage", CMD_HELP_MACRO},
    {3, 2, nullptr, 0},
    {3, 3, "&Single Key at a Time", CMD_HELP_SINGLE_KEY},
    {3, 4, "&Filter Ghost Keys", CMD_HELP_GHOST_KEYS},
    {3, 5, nullptr, 0},
    {3, 6, "&FN Table Toggle", CMD_HELP_FN_TABLE},
    {3, 7, nullptr, 0},
    {3, 8, "&About", CMD_ABOUT},
};

std::string menu_text(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

struct InfoBox {
    int command;
    const char* title;
    int text_id;
    RECT text_rect;    // dialog units: x, y, width, height
    const char* text;
    RECT ok_rect;
    int height;        // dialog units; every box is 168 wide
};

const InfoBox INFO_BOXES[] = {
    {CMD_HELP_SINGLE_KEY, "** HELP - Single Key at a Time **", 1503, {4, 4, 160, 38},
     "This setting will allow only one key to be activated at a time. When this setting is selected, "
     "additional key presses will be ignored until all keys have been released.",
     {60, 48, 48, 14}, 76},
    {CMD_HELP_GHOST_KEYS, "** HELP - Filter Ghost Keys **", 1505, {4, 4, 160, 40},
     "Ghost key conditions can result if 3 or more keys are simultaneously activated within a matrix. "
     "Select this option to lock out detected Ghost key conditions.  See the manual for a detailed "
     "explanation of Ghost keys.",
     {60, 50, 48, 14}, 76},
    {CMD_HELP_MACRO, "** HELP - Macro Use **", 1507, {4, 4, 160, 40},
     "To create a macro (multiple key) sequence, place the cursor over the matrix cell to be defined and "
     "hold the Ctrl key then Left click the mouse. The macro screen will appear. See manual for details "
     "on defining Macro sequences.",
     {60, 50, 48, 14}, 76},
    {CMD_HELP_FN_TABLE, "** HELP - FN Table Toggle **", 1509, {4, 4, 160, 50},
     "When the FN (Function Key) is defined in a matrix cell, no keystroke is sent for that key. To toggle "
     "the matrix table between FN on/off, select the FN key cell, then hold the right mouse button while "
     "clicking the left mouse button. \nSee manual for details.",
     {60, 65, 48, 14}, 90},
};

// Where a child lies in the dialog's client area, and where the dialog manager puts a control
// of the given dialog-unit rectangle (position and size are converted separately).
struct Geometry {
    RECT actual = {};
    RECT expected = {};
};

Geometry child_geometry(HWND dialog, int id, RECT units) {
    Geometry geometry;
    HWND child = GetDlgItem(dialog, id);
    GetWindowRect(child, &geometry.actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&geometry.actual), 2);
    MapDialogRect(dialog, &units);
    geometry.expected = {units.left, units.top, units.left + units.right, units.top + units.bottom};
    return geometry;
}

std::string rect_text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}  // namespace

class ShellCommands : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        attach_unit(1);
        start_app();
    }
};

TEST_F(ShellCommands, MenuHoldsEveryItemWithItsCommand) {
    HMENU menu = GetMenu(main_window);
    ASSERT_EQ(4, GetMenuItemCount(menu));
    EXPECT_EQ("&File", menu_text(menu, 0));
    EXPECT_EQ("&Edit", menu_text(menu, 1));
    EXPECT_EQ("&Tools", menu_text(menu, 2));
    EXPECT_EQ("&Help", menu_text(menu, 3));
    EXPECT_EQ(9, GetMenuItemCount(GetSubMenu(menu, 0)));
    EXPECT_EQ(2, GetMenuItemCount(GetSubMenu(menu, 1)));
    EXPECT_EQ(9, GetMenuItemCount(GetSubMenu(menu, 2)));
    EXPECT_EQ(9, GetMenuItemCount(GetSubMenu(menu, 3)));
    for (const MenuEntry& entry : MENU_ENTRIES) {
        SCOPED_TRACE(std::to_string(entry.popup) + "/" + std::to_string(entry.position));
        HMENU popup = GetSubMenu(menu, entry.popup);
        UINT state = GetMenuState(popup, static_cast<UINT>(entry.position), MF_BYPOSITION);
        if (!entry.text) {
            EXPECT_NE(0u, state & MF_SEPARATOR);
            continue;
        }
        // Undo and Redo are grayed with nothing to undo; Verify is off at start
        EXPECT_EQ(entry.grayed ? MF_GRAYED : 0u, state & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_CHECKED));
        EXPECT_EQ(entry.text, menu_text(popup, entry.position));
        EXPECT_EQ(static_cast<UINT>(entry.command), GetMenuItemID(popup, entry.position));
    }
}

// Alt+T, V from the keyboard: the check mark of Verify after Write comes and goes, and is
// held nowhere else (a new window starts without it).
TEST_F(ShellCommands, VerifyAfterWriteIsACheckMarkReachedByKeyboard) {
    HMENU tools = GetSubMenu(GetMenu(main_window), 2);
    auto checked = [&] { return (GetMenuState(tools, CMD_VERIFY_AFTER_WRITE, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    SetForegroundWindow(main_window);
    for (DWORD flags : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)})   // Alt+T, queued before V
        for (BYTE key : {BYTE(VK_MENU), BYTE('T')}) keybd_event(key, static_cast<BYTE>(MapVirtualKeyA(key, 0)), flags, 0);
    press_keys({'V'});
    EXPECT_TRUE(pump_until(checked)) << "Alt+T, V checks it";
    send_command(CMD_VERIFY_AFTER_WRITE);
    EXPECT_FALSE(checked());
    send_command(CMD_VERIFY_AFTER_WRITE);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(dialogs().empty());
}

TEST_F(ShellCommands, HelpBoxesShowTheirTitleTextAndLayout) {
    for (const InfoBox& box : INFO_BOXES) {
        SCOPED_TRACE(box.title);
        clear_records();
        Geometry text, ok;
        RECT client = {}, box_units = {0, 0, 168, box.height};
        LONG style = 0, text_style = 0, ok_style = 0;
        on_dialog([&](HWND dialog) {
            text = child_geometry(dialog, box.text_id, box.text_rect);
            ok = child_geometry(dialog, IDOK, box.ok_rect);
            GetClientRect(dialog, &client);
            MapDialogRect(dialog, &box_units);
            style = GetWindowLongA(dialog, GWL_STYLE);
            text_style = GetWindowLongA(GetDlgItem(dialog, box.text_id), GWL_STYLE);
            ok_style = GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE);
            return true;
        }, click(IDOK));
        send_command(box.command);
        ASSERT_EQ(1u, dialogs().size());
        EXPECT_EQ(box.title, dialogs()[0].title);
        EXPECT_EQ(box.text, dialogs()[0].text(box.text_id));
        EXPECT_EQ("OK", dialogs()[0].text(IDOK));
        EXPECT_EQ(main_window, dialogs()[0].owner);
        EXPECT_EQ(rect_text(text.expected), rect_text(text.actual));
        EXPECT_EQ(rect_text(ok.expected), rect_text(ok.actual));
        EXPECT_EQ(rect_text(box_units), rect_text(client));
        EXPECT_EQ(SS_CENTER, text_style & SS_TYPEMASK);
        EXPECT_EQ(BS_DEFPUSHBUTTON, ok_style & BS_TYPEMASK);
        EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU), style & (WS_POPUP | WS_CAPTION | WS_SYSMENU));
        EXPECT_FALSE(topmost_modal_dialog());
        EXPECT_TRUE(IsWindowEnabled(main_window)) << "the box is gone and the window usable again";
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ShellCommands, AboutBoxNamesTheProgramAndItsVersion) {
    on_dialog(click(IDOK));
    send_command(CMD_ABOUT);
    ASSERT_EQ(1u, dialogs().size());
    std::string text = dialogs()[0].text(IDC_ABOUT_TEXT);
    EXPECT_NE(std::string::npos, text.find("VELMARO Configuration Utility"));
    EXPECT_NE(std::string::npos, text.find("\nVersion " VELMARO_VERSION_TEXT "\n"));
    EXPECT_NE(std::string::npos, text.find("Copyright"));
    EXPECT_EQ("OK", dialogs()[0].text(IDOK));
    // The version resource carries the same number.
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDV_VERSION), MAKEINTRESOURCEA(16));
    ASSERT_NE(nullptr, found);
    const DWORD* words = static_cast<const DWORD*>(LockResource(LoadResource(nullptr, found)));
    const DWORD* end = words + SizeofResource(nullptr, found) / sizeof(DWORD);
    const DWORD* fixed = std::find(words, end, 0xFEEF04BDu);  // VS_FIXEDFILEINFO's signature
    ASSERT_LT(fixed + 4, end);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(VELMARO_VERSION_MINOR, VELMARO_VERSION_MAJOR)), fixed[2]);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, VELMARO_VERSION_PATCH)), fixed[3]);
}

TEST_F(ShellCommands, HelpBoxesChangeNothing) {
    config_model.config_changed = 1;
    SendMessageA(single_key_check, BM_SETCHECK, BST_CHECKED, 0);
    for (int command : {CMD_HELP_SINGLE_KEY, CMD_HELP_GHOST_KEYS, CMD_ABOUT, CMD_HELP_MACRO, CMD_HELP_FN_TABLE}) {
        on_dialog(click(IDOK));
        send_command(command);
    }
    EXPECT_EQ(5u, dialogs().size());
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_EQ(BST_CHECKED, SendMessageA(single_key_check, BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(ghost_filter_check, BM_GETCHECK, 0, 0));
}

TEST_F(ShellCommands, InfoDialogEndsWithTheCommandIdentifier) {
    struct Case {
        int button;
        INT_PTR expected;
    } cases[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}};
    for (const Case& c : cases) {
        on_dialog(click(c.button));
        INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_HELP_MACRO), main_window,
                                         info_dialog_proc, 0);
        EXPECT_EQ(c.expected, result);
    }
    EXPECT_EQ(FALSE, info_dialog_proc(main_window, WM_INITDIALOG, 0, 0));
    EXPECT_EQ(FALSE, info_dialog_proc(main_window, WM_PAINT, 0, 0));
}

// Each accelerator, with the focus on the window itself, a count combo box and a cell.
TEST_F(ShellCommands, AcceleratorsRunTheirCommandsWhereverTheFocusIs) {
    struct Case {
        BYTE key;
        const char* effect;   // title of the file dialog, or the text of the message box
    } cases[] = {
        {'N', "The current configuration has changed.\nDo you want to save the changes?"},
        {'O', "The current configuration has changed.\nDo you want to save the changes?"},
        {'S', "Save File"},
        {'R', "The current configuration has changed.\nDo you want to save the changes?"},
        {'W', "The configuration was successfully saved to the VELMARO"},
    };
    HWND focus_targets[] = {main_window, rows_combo, cell_buttons[0]};
    for (HWND target : focus_targets) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(1, static_cast<char>(c.key)) + " focus " + window_text(target));
            clear_records();
            config_model.config_changed = 1;
            if (c.key == 'S') on_dialog(click(IDCANCEL));
            else answer_boxes({c.key == 'W' ? IDOK : IDCANCEL});
            SetForegroundWindow(main_window);
            SetFocus(target);
            press_keys({VK_CONTROL, c.key});
            ASSERT_TRUE(pump_until([&] { return !boxes().empty() || !dialogs().empty(); }));
            std::string seen = boxes().empty() ? dialogs()[0].title : boxes()[0].text;
            EXPECT_EQ(c.effect, seen);
            pump_until([] { return topmost_modal_dialog() == nullptr; });
        }
    }
}

TEST_F(ShellCommands, PlainKeysRunNoCommand) {
    config_model.config_changed = 1;
    SetFocus(main_window);
    press_keys({'N'});
    press_keys({'W'});
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(dialogs().empty());
}

TEST_F(ShellCommands, BackgroundClickTakesTheFocusAndTabGoesToTheRowCount) {
    SetFocus(columns_combo);
    ASSERT_EQ(columns_combo, GetFocus());
    SendMessageA(main_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(580, 600));
    EXPECT_EQ(main_window, GetFocus());
    press_keys({VK_TAB});
    EXPECT_EQ(rows_combo, GetFocus());
}

TEST_F(ShellCommands, KeysOnTheWindowItselfAreSwallowed) {
    SetFocus(main_window);
    EXPECT_EQ(0, SendMessageA(main_window, WM_KEYDOWN, VK_F10, 0));
    EXPECT_EQ(0, SendMessageA(main_window, WM_KEYDOWN, 'A', 0));
    EXPECT_EQ(main_window, GetFocus());
}

TEST_F(ShellCommands, MinimisingKeepsTheLayoutAndRestoringRedoesIt) {
    int columns = visible_columns, rows = visible_rows;
    ASSERT_GT(columns * rows, 0) << "the default matrix is laid out";
    ShowWindow(main_window, SW_MINIMIZE);
    pump_idle();
    ASSERT_TRUE(IsIconic(main_window));
    EXPECT_EQ(columns, visible_columns);
    EXPECT_EQ(rows, visible_rows);
    ShowWindow(main_window, SW_RESTORE);
    pump_idle();
    EXPECT_EQ(columns, visible_columns);
    EXPECT_EQ(rows, visible_rows);
}

// ---- The key tester --------------------------------------------------------------------------

namespace {

struct TesterCase {
    const char* what;
    std::vector<KeyStroke> keys;
    const char* status;       // the status line after the keys (a prefix when it ends in "*")
    const char* count;
    int marked_cell;          // cell_index of a cell whose caption ends in `mark`, or -1
    const char* mark;
    int dpi = 96;             // the display's; the case runs in a Wine prefix of that DPI
};

void PrintTo(const TesterCase& c, std::ostream* out) { *out << c.what; }

std::vector<KeyStroke> joined(std::initializer_list<std::vector<KeyStroke>> parts) {
    std::vector<KeyStroke> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const char* const NO_CELL = ": no cell of this configuration sends it (the unit may hold another configuration: "
                            "Tools, Compare with VELMARO)";
const std::string ENTER_NO_CELL = std::string("Enter") + NO_CELL;
const std::string TAB_NO_CELL = std::string("Tab") + NO_CELL;

// Macro 1 as the unit sends it when its cell is pressed: B, then V twice within 20 ms.
std::vector<KeyStroke> macro_burst() {
    return {{'B', 0x30, false, false, 0}, {'V', 0x2F, false, false, 1}, {'V', 0x2F, false, true, 1},
            {'V', 0x2F, false, false, 1}, {'V', 0x2F, false, true, 1}, {'B', 0x30, false, true, 1}};
}

const TesterCase TESTER_CASES[] = {
    {"Esc is a key to test, not the dialog's cancel", tap(VK_ESCAPE, 0x01),
     "Esc: Row 1 (pin 5) \xD7 Col 1 (pin 1)", "1 of 4 keys tested", cell_index(0, 0), "\ntested \xD7" "1"},
    {"a key that two cells send", tap('A', 0x1E),
     "A: 2 cells: Row 1 (pin 5) \xD7 Col 2 (pin 2), Row 2 (pin 6) \xD7 Col 2 (pin 2)", "2 of 4 keys tested",
     cell_index(1, 1), "\ntested \xD7" "1", 120},
    {"a macro's burst is one press of its cell: V neither without a cell nor bouncing", macro_burst(),
     "Macro 1 (B, V, ...): Row 2 (pin 6) \xD7 Col 1 (pin 1)", "1 of 4 keys tested", cell_index(1, 0),
     "\ntested \xD7" "1"},
    {"a key only the FN table sends", tap('Q', 0x10), "Q: FN table, Row 3 (pin 7) \xD7 Col 1 (pin 1)",
     "0 of 4 keys tested", -1, "", 192},
    {"Enter, Alt and Tab reach the tester, no menu opens",
     joined({tap(VK_RETURN, 0x1C), tap(VK_LMENU, 0x38), tap(VK_TAB, 0x0F)}), TAB_NO_CELL.c_str(),
     "0 of 4 keys tested", -1, "", 144},
    {"the keypad's Enter is another key", tap(VK_RETURN, 0x1C, true), "Enter (Num)*", "0 of 4 keys tested", -1, ""},
    {"a press 5 ms after the release bounces",
     joined({tap('A', 0x1E), {{'A', 0x1E, false, false, 5}, {'A', 0x1E, false, true, 0}}}),
     "A bounced: pressed again *", "2 of 4 keys tested", cell_index(0, 1), "\nbounced \xD7" "2"},
};

// The tester over the default 5 x 4 matrix at the 96-DPI figures scaled to `dpi`: its client
// area, the first cell, the status line and Close; every text whole.
void expect_tester_scaled(HWND dialog, int dpi) {
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(box_text({0, 0, at_dpi(472, dpi), at_dpi(435, dpi)}), box_text(client));
    expect_place(dialog, GetDlgItem(dialog, IDC_TESTER_CELL), dpi, 80, 40, 94, 58);
    expect_place(dialog, GetDlgItem(dialog, IDC_TESTER_STATUS), dpi, 8, 348, 456, 32);
    expect_place(dialog, GetDlgItem(dialog, IDC_TESTER_CLOSE), dpi, 389, 404, 75, 23);
    expect_texts_whole(dialog);
}

class KeyTesterTest : public ShellCommands, public testing::WithParamInterface<TesterCase> {};

TEST_P(KeyTesterTest, ShowsWhereEachKeyIsWired) {
    const TesterCase& c = GetParam();
    ASSERT_EQ(c.dpi, window_dpi(main_window)) << "the display is not at this DPI: run the test through ctest";
    config_model.key_table[cell_index(0, 0)] = 41;                  // Esc
    config_model.key_table[cell_index(0, 1)] = 4;                   // A
    config_model.key_table[cell_index(1, 1)] = KEY_FLAG_REPEAT | 4; // A, repeating
    config_model.key_table[cell_index(1, 0)] = KEY_FLAG_MACRO | 1;  // a macro pressing B first
    config_model.macro_slots[0].in_use = 1;
    const int burst[] = {5, 25, 25 | 0x80, 25, 25 | 0x80, 5 | 0x80};  // B, then V twice
    std::copy(std::begin(burst), std::end(burst), config_model.macro_slots[0].make_steps);
    config_model.fn_key_table[cell_index(2, 0)] = 20;               // Q, in the FN table only
    view->refresh_matrix_editor();
    const std::string status = c.status;
    const bool prefix = status.back() == '*';
    const std::string expected = prefix ? status.substr(0, status.size() - 1) : status;
    std::string shown_status, shown_count, marked_caption;
    bool open_after_keys = false;
    on_dialog(sequence({wait_for_text(IDC_TESTER_COUNT, "0 of 4 keys tested"), send_keys(c.keys), next_tick(),
                        wait_until([&](HWND d) {
                            return item_text(d, IDC_TESTER_STATUS).compare(0, expected.size(), expected) == 0 &&
                                   item_text(d, IDC_TESTER_COUNT) == c.count;
                        }),
                        inspect([&](HWND d) {
                            expect_tester_scaled(d, c.dpi);
                            shown_status = item_text(d, IDC_TESTER_STATUS);
                            shown_count = item_text(d, IDC_TESTER_COUNT);
                            if (c.marked_cell >= 0) {
                                const int row = c.marked_cell / MATRIX_MAX_LINES, column = c.marked_cell % MATRIX_MAX_LINES;
                                marked_caption = item_text(d, IDC_TESTER_CELL + row * 4 + column);
                            }
                            open_after_keys = IsWindowVisible(d) != FALSE;
                        }),
                        click(IDC_TESTER_CLOSE)}));
    send_command(CMD_KEY_TESTER);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("VELMARO Key Tester", dialogs()[0].title);
    EXPECT_TRUE(open_after_keys);
    EXPECT_FALSE(key_hook_installed()) << "the keyboard is given back when the tester closes";
    if (prefix)
        EXPECT_EQ(expected, shown_status.substr(0, expected.size())) << shown_status;
    else
        EXPECT_EQ(expected, shown_status);
    EXPECT_EQ(c.count, shown_count);
    if (c.marked_cell >= 0) {
        ASSERT_GE(marked_caption.size(), std::strlen(c.mark));
        EXPECT_EQ(c.mark, marked_caption.substr(marked_caption.size() - std::strlen(c.mark))) << marked_caption;
    }
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(0, config_model.config_changed) << "testing changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTesterTest, testing::ValuesIn(TESTER_CASES), [](const auto& info) {
    return std::to_string(info.index) + "_dpi" + std::to_string(info.param.dpi);
});

// Eight rows at every scale: all in the work area, every text whole (Space's caption: 3 lines).
class TallTesterTest : public ShellCommands, public testing::WithParamInterface<int> {};
TEST_P(TallTesterTest, EightRowsFitTheWorkArea) {
    ASSERT_EQ(GetParam(), window_dpi(main_window)) << "the display is not at this DPI: run the test through ctest";
    view->select_column_count(1), view->select_row_count(8);
    config_model.key_table[cell_index(7, 0)] = KEY_FLAG_REPEAT | 44, view->refresh_matrix_editor();
    RECT tester = {}, work = {}, inside = {};
    std::string count;
    on_dialog(sequence({wait_for_text(IDC_TESTER_COUNT, "0 of 1 keys tested"), send_keys(tap(VK_SPACE, 0x39)),
                        wait_for_text(IDC_TESTER_COUNT, "1 of 1 keys tested"), inspect([&](HWND d) {
                            count = item_text(d, IDC_TESTER_COUNT);  // Space's caption has its third line
                            GetWindowRect(d, &tester), work = work_area_of(d), IntersectRect(&inside, &tester, &work);
                            expect_texts_whole(d);
                        }), click(IDC_TESTER_CLOSE)}));
    send_command(CMD_KEY_TESTER);
    EXPECT_EQ("1 of 1 keys tested", count);
    EXPECT_EQ(box_text(tester), box_text(inside)) << "the work area is " << box_text(work);
}
INSTANTIATE_TEST_SUITE_P(Scales, TallTesterTest, testing::Values(96, 120, 144, 192),
                         [](const auto& info) { return "dpi" + std::to_string(info.param); });

// Another window made active takes the keyboard back; Tools > Key Tester brings the open tester
// to the front, with the keyboard again; Reset clears the marks.
TEST_F(ShellCommands, TheTesterHoldsTheKeyboardOnlyWhileActive) {
    config_model.key_table[cell_index(0, 0)] = 41;  // Esc
    view->refresh_matrix_editor();
    HWND other = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW, 300, 300, 200, 60, nullptr, nullptr, nullptr, nullptr);
    bool hook[3] = {false, true, false};  // while the tester is active, while the other is, when back
    std::string status, reset_count;
    auto hooked = [&](int i) { return inspect([&hook, i](HWND) { hook[i] = key_hook_installed(); }); };
    on_dialog(sequence({wait_for_text(IDC_TESTER_COUNT, "0 of 1 keys tested"), hooked(0),
                        inspect([other](HWND) { ShowWindow(other, SW_SHOW), SetForegroundWindow(other); }),
                        wait_until([other](HWND) { return GetForegroundWindow() == other; }), hooked(1),
                        send_keys(tap('B', 0x30)), wait_until([other](HWND) { return window_text(other) == "b"; }),
                        inspect([](HWND) { SendMessageA(main_window, WM_COMMAND, CMD_KEY_TESTER, 0); }), hooked(2),
                        send_keys(tap(VK_ESCAPE, 0x01)), wait_for_text(IDC_TESTER_COUNT, "1 of 1 keys tested"),
                        inspect([&](HWND d) { status = item_text(d, IDC_TESTER_STATUS); }), click(IDC_TESTER_RESET),
                        wait_for_text(IDC_TESTER_COUNT, "0 of 1 keys tested"),
                        inspect([&](HWND d) { reset_count = item_text(d, IDC_TESTER_COUNT); }), click(IDC_TESTER_CLOSE)}));
    send_command(CMD_KEY_TESTER);
    EXPECT_EQ("b", window_text(other)) << "the key went to the active window";
    DestroyWindow(other);
    EXPECT_EQ(1u, dialogs().size()) << "no second tester";
    EXPECT_TRUE(hook[0] && !hook[1] && hook[2]);
    EXPECT_EQ("Esc: Row 1 (pin 5) \xD7 Col 1 (pin 1)", status) << "the tester in front takes the keys again";
    EXPECT_EQ("0 of 1 keys tested", reset_count);
    EXPECT_FALSE(key_hook_installed());
}

// Closing the main window closes the tester before the question: after Cancel the tester is not
// left open beside the main window.
TEST_F(ShellCommands, ClosingTheMainWindowClosesTheTesterFirst) {
    config_model.config_changed = 1;
    answer_boxes({IDCANCEL});
    on_dialog(sequence({wait_for_text(IDC_TESTER_STATUS, "Press the keys of the panel, one at a time."),
                        inspect([](HWND) { PostMessageA(main_window, WM_CLOSE, 0, 0); })}));
    send_command(CMD_KEY_TESTER);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(std::string("The current configuration has changed.\nDo you want to save the changes?"), boxes()[0].text);
    EXPECT_TRUE(IsWindow(main_window) && IsWindowEnabled(main_window));
    EXPECT_EQ(nullptr, topmost_modal_dialog()) << "no tester left open";
    EXPECT_FALSE(key_hook_installed());
}

}  // namespace

// F1 says where the manual was looked for while it is missing, and then gives it to the program
// Windows opens HTML files with.
TEST_F(ShellCommands, F1OpensTheManualBesideTheProgramOrSaysWhereItWasLookedFor) {
    char program[MAX_PATH] = {};
    std::string manual(program, GetModuleFileNameA(nullptr, program, MAX_PATH));
    manual = manual.substr(0, manual.find_last_of('\\') + 1) + "manual.html";
    struct Cleanup {  // the manual and the program for HTML files exist only during the test
        std::string manual;
        ~Cleanup() {
            DeleteFileA(manual.c_str());
            RegDeleteTreeA(HKEY_CLASSES_ROOT, ".html");
            RegDeleteTreeA(HKEY_CLASSES_ROOT, "VelmaroTest.html");
        }
    } cleanup{manual};
    const std::string opened = temp_path("opened.html"), open = "cmd.exe /c copy \"%1\" \"" + opened + "\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CLASSES_ROOT, ".html", nullptr, REG_SZ, "VelmaroTest.html", 17));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CLASSES_ROOT, "VelmaroTest.html\\shell\\open\\command", nullptr,
                                             REG_SZ, open.c_str(), static_cast<DWORD>(open.size() + 1)));
    SetForegroundWindow(main_window);
    press_keys({VK_F1});
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("The user manual was not found at\n" + manual, boxes()[0].text);
    const std::vector<std::uint8_t> text = {'<', 'p', '>', 'M', '<', '/', 'p', '>'};
    ASSERT_TRUE(write_file_bytes(manual, text));
    press_keys({VK_F1});
    EXPECT_TRUE(pump_until([&] { return read_file_bytes(opened) == text; }, 20000)) << "given to the HTML program";
    EXPECT_EQ(1u, boxes().size());
}
