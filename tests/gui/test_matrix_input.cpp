// The matrix editor's input on the real main window: option check boxes, drop-down heights,
// count and pin choices, the keyboard on cells and combo boxes (injected keys), and edits
// refused while a transfer runs.
#include <vector>
#include "config/config_history.h"
#include "device/device_protocol.h"
#include "test_matrix_support.h"

namespace {

// The window height first given to a control after `watched_height` was reset. A drop-down
// list combo box reports only its field in GetWindowRect and shrinks its window back to the
// field at once, keeping the height it was given as the room of its list.
HWND watched_window;
int watched_height = -1;

LRESULT CALLBACK watch_size_changes(int code, WPARAM wparam, LPARAM lparam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && sent->message == WM_WINDOWPOSCHANGING && sent->hwnd == watched_window) {
        const WINDOWPOS* position = reinterpret_cast<const WINDOWPOS*>(sent->lParam);
        if (!(position->flags & SWP_NOSIZE) && watched_height < 0) watched_height = position->cy;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The focus stops of the whole Tab cycle for the current grid, starting at "Number of Rows".
std::vector<HWND> tab_cycle() {
    std::vector<HWND> stops = {rows_combo, columns_combo};
    for (int c = 0; c < visible_columns; ++c) stops.push_back(pin_combos[c]);
    for (int r = 0; r < visible_rows; ++r) {
        stops.push_back(pin_combos[visible_columns + r]);
        for (int c = 0; c < visible_columns; ++c) stops.push_back(cell_buttons[r * visible_columns + c]);
    }
    return stops;
}

std::string name_of(HWND window) {
    if (window == rows_combo) return "rows";
    if (window == columns_combo) return "columns";
    for (int i = 0; i < 9; ++i)
        if (window == pin_combos[i]) return "pin combo " + std::to_string(i);
    for (int k = 0; k < 20; ++k)
        if (window == cell_buttons[k]) return "cell " + std::to_string(k);
    return window == main_window ? "main window" : "other";
}

}  // namespace

// ---- Check boxes, drop-downs, counts and pins --------------------------------------------------

TEST_F(MatrixEditorTest, OptionCheckBoxesToggleOnEveryClick) {
    for (HWND check : {single_key_check, ghost_filter_check}) {
        SCOPED_TRACE(window_text(check));
        HWND other = check == single_key_check ? ghost_filter_check : single_key_check;
        config_model.config_changed = 0;
        SendMessageA(check, BM_CLICK, 0, 0);
        pump_idle();
        EXPECT_EQ(BST_CHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
        EXPECT_EQ(BST_UNCHECKED, SendMessageA(other, BM_GETCHECK, 0, 0));
        EXPECT_EQ(1, config_model.config_changed);
        config_model.config_changed = 0;
        SendMessageA(check, BM_CLICK, 0, 0);
        pump_idle();
        EXPECT_EQ(BST_UNCHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
        EXPECT_EQ(1, config_model.config_changed);
    }
}

TEST_F(MatrixEditorTest, DropDownListsOpenTallAndCloseShort) {
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watch_size_changes, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    for (HWND combo : {rows_combo, columns_combo, pin_combos[0], pin_combos[8]}) {
        SCOPED_TRACE(name_of(combo));
        watched_window = combo;
        RECT before = client_rect_of(combo);
        watched_height = -1;
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        pump_idle();
        EXPECT_EQ(256, watched_height);
        EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
        watched_height = -1;
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        pump_idle();
        EXPECT_EQ(24, watched_height);
        RECT after = client_rect_of(combo);
        EXPECT_EQ(before.left, after.left);
        EXPECT_EQ(before.top, after.top);
        EXPECT_EQ(before.right - before.left, after.right - after.left);
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(MatrixEditorTest, ChoosingTheCurrentCountOrPinAgainChangesNothing) {
    choose_rows(5);
    choose_columns(4);
    choose_item(pin_combos[2], 2);
    choose_item(pin_combos[4], 4);
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_FALSE(history_can_undo());
    EXPECT_EQ(3, selection(columns_combo));
}

TEST_F(MatrixEditorTest, ACountChosenWithTheKeyboardLowersTheOtherCount) {
    SetFocus(rows_combo);
    press_keys({VK_DOWN});
    EXPECT_EQ(5, selection(rows_combo));
    EXPECT_EQ(2, selection(columns_combo));
    EXPECT_EQ(3, visible_columns);
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(MatrixEditorTest, APinChoiceLandsInTheModelLineUnderTheScrolledCombo) {
    choose_columns(8);
    request_scroll(WM_HSCROLL, SB_LINERIGHT);
    ASSERT_EQ("Col 2", window_text(header_labels[0]));
    config_model.config_changed = 0;
    choose_item(pin_combos[0], 6);
    EXPECT_EQ(6, config_model.column_pins[1]);
    EXPECT_EQ(0, config_model.column_pins[0]);
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_EQ(6, selection(pin_combos[0]));
    choose_item(pin_combos[3], 2);  // grid column 3 shows column 5
    EXPECT_EQ(2, config_model.column_pins[4]);
    choose_item(pin_combos[4], 7);  // the pin of grid row 0, row 1
    EXPECT_EQ(7, config_model.row_pins[0]);

    choose_rows(8);
    request_scroll(WM_VSCROLL, SB_LINEDOWN);
    request_scroll(WM_VSCROLL, SB_LINEDOWN);
    ASSERT_EQ("Row 3", window_text(header_labels[visible_columns]));
    choose_item(pin_combos[visible_columns + 1], 0);  // grid row 1 shows row 4
    EXPECT_EQ(0, config_model.row_pins[3]);
    EXPECT_EQ(7, config_model.row_pins[0]);
    EXPECT_EQ(6, config_model.row_pins[2]);  // its default, pin 7
}

// ---- Keys on cells ------------------------------------------------------------------------------

TEST_F(MatrixEditorTest, ArrowKeysMoveAlongARowAndScrollAtItsEdges) {
    choose_columns(8);
    struct Case {
        int start, cell;
        BYTE key;
        int expected, expected_cell;
    };
    const Case cases[] = {
        {0, 3, VK_RIGHT, 1, 3}, {0, 1, VK_RIGHT, 0, 2}, {4, 3, VK_RIGHT, 4, 3}, {3, 3, VK_RIGHT, 4, 3},
        {1, 0, VK_LEFT, 0, 0},  {0, 0, VK_LEFT, 0, 0},  {2, 2, VK_LEFT, 2, 1},  {2, 2, VK_UP, 2, 2},
        {2, 2, VK_DOWN, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + " on cell " + std::to_string(c.cell) + " at " +
                     std::to_string(c.start));
        set_horizontal(c.start);
        SetFocus(cell_buttons[c.cell]);
        press_keys({c.key});
        EXPECT_EQ(c.expected, scroll_position(horizontal_scroll_bar));
        EXPECT_EQ(name_of(cell_buttons[c.expected_cell]), name_of(GetFocus()));
        EXPECT_EQ("Col " + std::to_string(c.expected + 1), window_text(header_labels[0]));
    }
}

TEST_F(MatrixEditorTest, ArrowKeysMoveAlongAColumnAndScrollAtItsEdges) {
    choose_rows(8);
    struct Case {
        int start, cell;
        BYTE key;
        int expected, expected_cell;
    };
    const Case cases[] = {
        {0, 4, VK_DOWN, 1, 4}, {3, 4, VK_DOWN, 3, 4}, {0, 2, VK_DOWN, 0, 3}, {2, 0, VK_UP, 1, 0},
        {0, 0, VK_UP, 0, 0},   {1, 3, VK_UP, 1, 2},   {1, 3, VK_RIGHT, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + " on cell " + std::to_string(c.cell) + " at " +
                     std::to_string(c.start));
        set_vertical(c.start);
        SetFocus(cell_buttons[c.cell]);
        press_keys({c.key});
        EXPECT_EQ(c.expected, scroll_position(vertical_scroll_bar));
        EXPECT_EQ(name_of(cell_buttons[c.expected_cell]), name_of(GetFocus()));
    }
}

TEST_F(MatrixEditorTest, EnterOnACellOpensTheKeySelection) {
    config_model.key_table[cell_index(1, 2)] = 4;
    refresh_cell_captions();
    on_dialog(end_dialog(-1));
    SetFocus(cell_buttons[6]);
    press_keys({VK_RETURN});
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("cell 6", name_of(GetFocus()));
    EXPECT_EQ(4, config_model.key_table[cell_index(1, 2)]);
}

TEST_F(MatrixEditorTest, OnlyVisibleCellsTakeClicks) {
    choose_rows(6);  // 3 columns: cells 15..19 are hidden
    ASSERT_FALSE(shown(cell_buttons[15]));
    notify_main_window(cell_buttons[15], BN_CLICKED);
    EXPECT_TRUE(dialogs().empty());
    on_dialog(end_dialog(-1));
    notify_main_window(cell_buttons[14], BN_CLICKED);
    EXPECT_EQ(1u, dialogs().size());
}

// ---- The Tab cycle ------------------------------------------------------------------------------

TEST_F(MatrixEditorTest, TabRunsTheWholeCycleAndShiftTabRunsItBackwards) {
    std::vector<HWND> stops = tab_cycle();
    ASSERT_EQ(2u + 4 + 5 * 5, stops.size());
    SetFocus(rows_combo);
    for (size_t i = 1; i <= stops.size(); ++i) {
        press_keys({VK_TAB});
        EXPECT_EQ(name_of(stops[i % stops.size()]), name_of(GetFocus())) << "Tab number " << i;
    }
    for (size_t i = stops.size(); i-- > 0;) {
        press_keys({VK_SHIFT, VK_TAB});
        EXPECT_EQ(name_of(stops[i]), name_of(GetFocus())) << "Shift+Tab back to stop " << i;
    }
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(MatrixEditorTest, TabCycleFollowsAScrolledNarrowerGrid) {
    choose_rows(6);
    request_scroll(WM_VSCROLL, SB_LINEDOWN);
    std::vector<HWND> stops = tab_cycle();
    ASSERT_EQ(2u + 3 + 5 * 4, stops.size());
    SetFocus(rows_combo);
    press_keys({VK_SHIFT, VK_TAB});
    EXPECT_EQ("cell 14", name_of(GetFocus()));
    for (size_t i = 0; i < stops.size(); ++i) {
        press_keys({VK_TAB});
        EXPECT_EQ(name_of(stops[i]), name_of(GetFocus())) << "Tab number " << i + 1;
    }
    EXPECT_EQ(1, scroll_position(vertical_scroll_bar));
}

TEST_F(MatrixEditorTest, TabOnTheMainWindowGoesToTheRowCount) {
    SetFocus(cell_buttons[5]);
    POINT background = {300, 90};
    SendMessageA(main_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(background.x, background.y));
    SendMessageA(main_window, WM_LBUTTONUP, 0, MAKELPARAM(background.x, background.y));
    pump_idle();
    EXPECT_EQ("main window", name_of(GetFocus()));
    press_keys({VK_TAB});
    EXPECT_EQ("rows", name_of(GetFocus()));
}

// ---- While a transfer runs ----------------------------------------------------------------------

class TransferRunning {
public:
    TransferRunning() { transfer_in_progress = true; }
    ~TransferRunning() { transfer_in_progress = false; }
};

TEST_F(MatrixEditorTest, EditsAreRefusedWhileATransferRuns) {
    TransferRunning transfer;
    config_model.config_changed = 0;
    choose_rows(6);
    EXPECT_EQ(4, selection(rows_combo));
    EXPECT_EQ(3, selection(columns_combo));
    EXPECT_EQ(5, visible_rows);
    choose_columns(8);
    EXPECT_EQ(3, selection(columns_combo));
    choose_item(pin_combos[1], 8);
    EXPECT_EQ(1, config_model.column_pins[1]);
    EXPECT_EQ(1, selection(pin_combos[1]));
    SendMessageA(single_key_check, BM_CLICK, 0, 0);
    pump_idle();
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(single_key_check, BM_GETCHECK, 0, 0));
    notify_main_window(cell_buttons[0], BN_CLICKED);
    EXPECT_TRUE(dialogs().empty());
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(MatrixEditorTest, ARefusedCountComesBackAfterCountsSetByTheProgram) {
    choose_rows(3);  // accepted: 3 x 4
    {
        TransferRunning transfer;
        SendMessageA(rows_combo, CB_SETCURSEL, 1, 0);  // as a Read would set it
        choose_rows(7);
        EXPECT_EQ(1, selection(rows_combo));
    }
    choose_rows(7);
    EXPECT_EQ(6, selection(rows_combo));
    EXPECT_EQ(1, selection(columns_combo));
}
