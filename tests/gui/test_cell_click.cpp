// Clicks on the cells of the running program: the key selection, the FN key and its table,
// the right-button FN view gesture, Ctrl+click to the macro editor and its slots, and edits
// taken back with Ctrl+Z and made again with Ctrl+Y.
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "config/config_history.h"
#include "device/device_protocol.h"
#include "keys/key_codes.h"
#include "test_key_dialogs_steps.h"

namespace {

constexpr int A = 4, B = 5, C = 6;

// Makes keys read as held for GetKeyState on this thread while it lives.
class HeldKeys {
public:
    HeldKeys(std::initializer_list<int> keys) {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof state);
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~HeldKeys() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

class CellClickTest : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        attach_unit(1);
        start_app();
    }

    // The cell button at grid position k notifies the main window, as a mouse click does.
    void click_cell(int k) {
        SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(cell_buttons[k]));
        pump_idle();
    }
    void right_button_click(int k) {
        HeldKeys held({VK_RBUTTON});
        click_cell(k);
    }
    void ctrl_click(int k) {
        HeldKeys held({VK_CONTROL});
        click_cell(k);
    }
    // Chooses key button `id` for the cell at grid position k.
    void choose_key(int k, int id) {
        on_dialog(click(id));
        click_cell(k);
    }
    std::string caption(int k) { return window_text(cell_buttons[k]); }
    // A combo box item chosen as the mouse chooses it.
    void choose_item(HWND combo, int index) {
        CallWindowProcA(previous_combo_box_proc, combo, CB_SETCURSEL, index, 0);
        SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        pump_idle();
    }
};

// With the default 5 x 4 grid, grid position k shows model row k / 4, column k % 4.
int cell_at(int k) { return cell_index(k / 4, k % 4); }

}  // namespace

// ---- Key selection ---------------------------------------------------------------------------

TEST_F(CellClickTest, ChosenKeyGoesIntoTheCell) {
    SetFocus(rows_combo);
    on_dialog(click(2004));
    click_cell(5);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Select a key", dialogs()[0].title);
    EXPECT_EQ(main_window, dialogs()[0].owner);
    EXPECT_EQ(A, config_model.key_table[cell_at(5)]);
    EXPECT_EQ(1, config_model.config_changed);
    EXPECT_EQ("A", caption(5));
    EXPECT_EQ(cell_buttons[5], GetFocus()) << "the focus is back on the cell";
}

TEST_F(CellClickTest, KeySelectionResults) {
    struct Case {
        const char* what;
        int before;
        DialogAction action;
        int after;
        const char* caption;
    } cases[] = {
        {"repeat key", 0, sequence({press(IDC_KEY_REPEAT), wait_for_check(IDC_KEY_REPEAT, BST_CHECKED), click(2042)}),
         0x42A, "[Repeat]\nBackspace"},
        {"Not Used over a key", C, click(2000), 0, "Not Used"},
        {"a key over a macro", 0x101, click(2005), B, "B"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        config_model.macro_slots[0].in_use = 1;
        config_model.macro_slots[0].make_steps[0] = A;
        config_model.key_table[cell_at(2)] = c.before;
        on_dialog(c.action);
        click_cell(2);
        EXPECT_EQ(c.after, config_model.key_table[cell_at(2)]);
        EXPECT_EQ(c.caption, caption(2));
    }
    // A macro that no cell runs any more is now freed with the change that left it behind.
    EXPECT_EQ(0, config_model.macro_slots[0].in_use) << "the replaced macro's slot is freed";
    EXPECT_EQ(0, config_model.macro_slots[0].make_steps[0]);
}

// A cancelled or refused pick leaves the cell and no edit begun: nothing unsaved after a Save.
TEST_F(CellClickTest, CancelLeavesTheCell) {
    const struct { const char* what; DialogAction action; size_t boxes; } cases[] = {
        {"Esc", inject_key(VK_ESCAPE), 0}, {"a second FN key", click(2002), 1}};
    config_model.key_table[cell_at(0)] = KEY_FN;
    config_model.key_table[cell_at(3)] = C;
    history_reset();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear_records();
        choose_key(2, 2004 + static_cast<int>(c.boxes));  // a step: unsaved
        on_dialog(c.action);
        click_cell(3);
        EXPECT_EQ(C, config_model.key_table[cell_at(3)]);
        EXPECT_EQ(c.boxes, boxes().size());
        on_dialog(file_name(temp_path(std::string(c.what) + ".qzc")));
        send_command(CMD_SAVE);
        ASSERT_EQ(0, config_model.config_changed);
        choose_item(rows_combo, 4);
        EXPECT_EQ(0, config_model.config_changed);
    }
}

TEST_F(CellClickTest, ScrolledGridEditsTheModelCellItShows) {
    view->select_row_count(1);
    view->select_column_count(8);
    view->refresh_matrix_editor();
    ASSERT_EQ(4, visible_columns);
    scroll_columns(3, true);
    ASSERT_EQ(3, GetScrollPos(horizontal_scroll_bar, SB_CTL));
    choose_key(1, 2029);
    EXPECT_EQ(29, config_model.key_table[cell_index(0, 4)]);
    EXPECT_EQ(0, config_model.key_table[cell_index(0, 1)]);
    EXPECT_EQ("Z", caption(1));
}

TEST_F(CellClickTest, NoClickWhileATransferRuns) {
    transfer_in_progress = true;
    on_cell_clicked(0);
    {
        HeldKeys held({VK_CONTROL});
        on_cell_clicked(0);
    }
    transfer_in_progress = false;
    pump_idle();
    EXPECT_TRUE(dialogs().empty());
    // Nor Undo and Redo.
    choose_key(1, 2004);
    transfer_in_progress = true;
    send_command(CMD_UNDO);
    transfer_in_progress = false;
    EXPECT_EQ("A", caption(1));
    send_command(CMD_UNDO);
    transfer_in_progress = true;
    send_command(CMD_REDO);
    transfer_in_progress = false;
    EXPECT_EQ("Not Used", caption(1));
}

TEST_F(CellClickTest, GridPositionsOutsideTheGridDoNothing) {
    on_cell_clicked(-1);
    on_cell_clicked(visible_columns * visible_rows);
    on_cell_clicked(20);
    pump_idle();
    EXPECT_TRUE(dialogs().empty());
}

// ---- The FN key ---------------------------------------------------------------------------

TEST_F(CellClickTest, FnGestureOnTheFnCellSwitchesTheView) {
    choose_key(6, 2002);
    ASSERT_EQ(KEY_FN, config_model.key_table[cell_at(6)]);
    EXPECT_EQ("FN [OFF]", caption(6));
    config_model.config_changed = 0;
    right_button_click(6);
    EXPECT_TRUE(fn_view_active);
    EXPECT_EQ(KEY_FN, config_model.fn_key_table[cell_at(6)]);
    EXPECT_EQ(1, config_model.config_changed) << "the FN table now holds the FN key";
    config_model.config_changed = 0;
    EXPECT_EQ("FN [ON]", caption(6));
    EXPECT_EQ("Not Used\n\n<FN ON>", caption(0));
    right_button_click(6);
    EXPECT_FALSE(fn_view_active);
    EXPECT_EQ("FN [OFF]", caption(6));
    EXPECT_EQ("Not Used", caption(0));
    right_button_click(6);
    right_button_click(6);
    EXPECT_EQ(0, config_model.config_changed) << "the view is not the configuration";
    EXPECT_EQ(1u, dialogs().size()) << "the gesture opens nothing";
}

TEST_F(CellClickTest, FnGestureOnAnotherCellDoesNothing) {
    config_model.key_table[cell_at(6)] = KEY_FN;
    config_model.key_table[cell_at(1)] = A;
    right_button_click(1);
    right_button_click(0);
    EXPECT_FALSE(fn_view_active);
    EXPECT_EQ(0, config_model.fn_key_table[cell_at(1)]);
    EXPECT_TRUE(dialogs().empty());
}

// A file may hold the FN key with the repeat flag, which no editor sets: it is the FN key all
// the same, for the gesture and for the one-FN-key rule.
TEST_F(CellClickTest, RepeatFnFromAFileIsTheFnKey) {
    config_model.key_table[cell_at(6)] = KEY_FLAG_REPEAT | KEY_FN;
    right_button_click(6);
    EXPECT_TRUE(fn_view_active);
    EXPECT_EQ(KEY_FN, config_model.fn_key_table[cell_at(6)]);
    right_button_click(6);
    EXPECT_FALSE(fn_view_active);
    choose_key(1, 2002);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("FN key already in matrix!", boxes()[0].text);
    EXPECT_EQ(0, config_model.key_table[cell_at(1)]);
}

TEST_F(CellClickTest, FnViewEditsTheFnTable) {
    config_model.key_table[cell_at(6)] = KEY_FN;
    config_model.key_table[cell_at(2)] = A;
    right_button_click(6);
    ASSERT_TRUE(fn_view_active);
    choose_key(2, 2005);
    EXPECT_EQ(A, config_model.key_table[cell_at(2)]);
    EXPECT_EQ(B, config_model.fn_key_table[cell_at(2)]);
    EXPECT_EQ("B\n\n<FN ON>", caption(2));
    click_cell(6);  // the FN cell in the FN view opens nothing
    EXPECT_EQ(1u, dialogs().size());
}

TEST_F(CellClickTest, SecondFnKeyIsRefused) {
    config_model.key_table[cell_at(6)] = KEY_FN;
    config_model.key_table[cell_at(9)] = C;
    refresh_cell_captions();
    for (bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "FN with Repeat" : "FN");
        on_dialog(repeat ? sequence({press(IDC_KEY_REPEAT), wait_for_check(IDC_KEY_REPEAT, BST_CHECKED), click(2002)})
                         : click(2002));
        click_cell(9);
        EXPECT_EQ(C, config_model.key_table[cell_at(9)]);
        EXPECT_EQ("C", caption(9));
        EXPECT_EQ(0, config_model.config_changed);
    }
    ASSERT_EQ(2u, boxes().size());
    for (const MessageBoxRecord& box : boxes()) {
        EXPECT_EQ("VELMARO Configuration Utility", box.title);
        EXPECT_EQ("FN key already in matrix!", box.text);
        EXPECT_EQ(MB_ICONERROR, box.icon);
        EXPECT_EQ("OK", box.buttons);
        EXPECT_EQ(main_window, box.owner);
    }
}

TEST_F(CellClickTest, FnInTheFnViewIsRefused) {
    config_model.key_table[cell_at(0)] = KEY_FN;
    right_button_click(0);
    ASSERT_TRUE(fn_view_active);
    config_model.fn_key_table[cell_at(4)] = A;
    choose_key(4, 2002);
    EXPECT_EQ(A, config_model.fn_key_table[cell_at(4)]);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("FN key already in matrix!", boxes()[0].text);
}

TEST_F(CellClickTest, FnAgainOnTheFnCellIsAllowed) {
    config_model.key_table[cell_at(7)] = KEY_FN;
    choose_key(7, 2002);
    EXPECT_EQ(KEY_FN, config_model.key_table[cell_at(7)]);
    EXPECT_TRUE(boxes().empty());
    // The same key again is no change any more, so nothing is left unsaved.
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(CellClickTest, FnWithRepeatIsTheFnKey) {
    on_dialog(sequence({press(IDC_KEY_REPEAT), wait_for_check(IDC_KEY_REPEAT, BST_CHECKED), click(2002)}));
    click_cell(3);
    EXPECT_EQ(KEY_FN, config_model.key_table[cell_at(3)]);
    right_button_click(3);
    EXPECT_TRUE(fn_view_active) << "the cell works as the FN key";
}

TEST_F(CellClickTest, ReplacingTheFnKeyClearsItsFnEntry) {
    struct Case {
        const char* what;
        int button;  // chosen in dialog 1999, or 0 for an emptied macro
        int fn_entry_after;
    } cases[] = {
        {"another key", 2004, 0},
        {"FN again", 2002, KEY_FN},
        {"Not Used", 2000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        config_model.key_table[cell_at(1)] = KEY_FN;
        config_model.fn_key_table[cell_at(1)] = KEY_FN;
        config_model.fn_key_table[cell_at(2)] = C;
        choose_key(1, c.button);
        EXPECT_EQ(c.fn_entry_after, config_model.fn_key_table[cell_at(1)]);
        EXPECT_EQ(C, config_model.fn_key_table[cell_at(2)]) << "other FN entries stay";
    }
}

TEST_F(CellClickTest, MacroOverTheFnKeyClearsItsFnEntry) {
    config_model.key_table[cell_at(1)] = KEY_FN;
    config_model.fn_key_table[cell_at(1)] = KEY_FN;
    on_dialog(sequence({click(IDC_MACRO_MAKE_STEP), after_dialogs(2), click(IDC_MACRO_OK)}));
    on_dialog(click(2004));
    ctrl_click(1);
    EXPECT_EQ(KEY_FLAG_MACRO | 1, config_model.key_table[cell_at(1)]);
    EXPECT_EQ(0, config_model.fn_key_table[cell_at(1)]);
}

// ---- Ctrl+click: the macro editor ------------------------------------------------------------

TEST_F(CellClickTest, CtrlClickOpensAFreshMacroInTheLowestFreeSlot) {
    config_model.macro_slots[0].in_use = 1;
    config_model.macro_slots[0].make_steps[0] = A;
    config_model.macro_slots[2].in_use = 1;
    config_model.macro_slots[2].make_steps[0] = A;
    config_model.key_table[cell_at(4)] = 0x400 | C;
    int slot = -1, repeat = -1;
    SetFocus(rows_combo);
    on_dialog(sequence({inspect([&](HWND) {
                            slot = current_macro_slot;
                            repeat = macro_repeat_initial;
                        }),
                        click(IDC_MACRO_MAKE_STEP), after_dialogs(2), click(IDC_MACRO_OK)}));
    on_dialog(click(2005));
    ctrl_click(4);
    EXPECT_EQ("VELMARO Macro", dialogs()[0].title);
    EXPECT_EQ(main_window, dialogs()[0].owner);
    EXPECT_EQ(1, slot);
    EXPECT_EQ(1, repeat) << "from the repeat flag of the cell";
    EXPECT_EQ(KEY_FLAG_REPEAT | KEY_FLAG_MACRO | 2, config_model.key_table[cell_at(4)]);
    EXPECT_EQ(B, config_model.macro_slots[1].make_steps[0]);
    EXPECT_EQ("[Repeat]\nMacro\n(B)", caption(4));
    EXPECT_EQ(cell_buttons[4], GetFocus());
}

TEST_F(CellClickTest, CtrlClickTakesTheLowestFreeSlot) {
    struct Case {
        const char* what;
        std::vector<int> in_use;
        int slot;
    } cases[] = {
        {"all free", {}, 0},
        {"a gap below used slots", {1, 2, 3}, 0},
        {"first two used", {0, 1, 5}, 2},
        {"all but the last", {}, 126},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int s = 0; s < MACRO_SLOT_COUNT; ++s) config_model.macro_slots[s].in_use = c.slot == 126 && s < 126;
        for (int s : c.in_use) config_model.macro_slots[s].in_use = 1;
        int slot = -1;
        on_dialog(inspect([&](HWND) { slot = current_macro_slot; }), inject_key(VK_ESCAPE));
        ctrl_click(7);
        EXPECT_EQ(c.slot, slot);
        EXPECT_EQ(0, config_model.macro_slots[c.slot].in_use) << "Cancel frees the slot again";
    }
}

TEST_F(CellClickTest, CtrlClickReopensTheCellsMacro) {
    MacroSlot& macro = config_model.macro_slots[4];
    macro.in_use = 1;
    macro.make_steps[0] = A;
    macro.break_steps[0] = 0x84;
    config_model.key_table[cell_at(0)] = KEY_FLAG_MACRO | 5;
    int slot = -1;
    std::string first_step;
    on_dialog(inspect([&](HWND d) {
        slot = current_macro_slot;
        first_step = item_text(d, IDC_MACRO_BREAK_STEP);
    }), click(IDC_MACRO_OK));
    ctrl_click(0);
    EXPECT_EQ(4, slot);
    EXPECT_EQ("Break\nA", first_step);
    EXPECT_EQ(KEY_FLAG_MACRO | 5, config_model.key_table[cell_at(0)]);
    EXPECT_EQ(0, config_model.config_changed) << "only a stored step changes the configuration";
}

// What the macro editor's answer does to the cell, and whether it is a change to save.
TEST_F(CellClickTest, MacroEditorResultsInTheCell) {
    const DialogAction toggle_repeat_ok =
        sequence({press(IDC_MACRO_REPEAT), wait_for_check(IDC_MACRO_REPEAT, BST_CHECKED), click(IDC_MACRO_OK)});
    struct Case {
        const char* what;
        int before;
        DialogAction action;
        int after;
        int changed;
        int slot_in_use;  // of macro 1 afterwards
    } cases[] = {
        {"OK without steps makes a key cell Not Used", C, click(IDC_MACRO_OK), 0, 1, 0},
        {"Cancel leaves the key", C, inject_key(VK_ESCAPE), C, 0, 0},
        {"OK without steps on a repeat key", 0x400 | C, click(IDC_MACRO_OK), 0, 1, 0},
        {"OK without steps on an empty cell", 0, click(IDC_MACRO_OK), 0, 0, 0},
        {"OK without steps on the FN key", KEY_FN, click(IDC_MACRO_OK), 0, 1, 0},
        {"Repeat checked on a macro cell", KEY_FLAG_MACRO | 1, toggle_repeat_ok, 0x501, 1, 1},
        {"OK on a macro cell as it was", KEY_FLAG_MACRO | 1, click(IDC_MACRO_OK), 0x101, 0, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        config_model.macro_slots[0] = MacroSlot();
        if (c.before & KEY_FLAG_MACRO) {
            config_model.macro_slots[0].in_use = 1;
            config_model.macro_slots[0].make_steps[0] = A;
        }
        config_model.key_table[cell_at(8)] = c.before;
        config_model.fn_key_table[cell_at(8)] = c.before == KEY_FN ? KEY_FN : B;
        config_model.config_changed = 0;
        on_dialog(c.action);
        ctrl_click(8);
        EXPECT_EQ(c.after, config_model.key_table[cell_at(8)]);
        EXPECT_EQ(c.changed, config_model.config_changed);
        EXPECT_EQ(c.slot_in_use, config_model.macro_slots[0].in_use);
        EXPECT_EQ(c.before == KEY_FN ? 0 : B, config_model.fn_key_table[cell_at(8)]);
    }
}

TEST_F(CellClickTest, MacroWithRepeatMakesARepeatMacroCell) {
    config_model.key_table[cell_at(8)] = C;
    on_dialog(sequence({press(IDC_MACRO_REPEAT), wait_for_check(IDC_MACRO_REPEAT, BST_CHECKED),
                        click(IDC_MACRO_MAKE_STEP), after_dialogs(2), click(IDC_MACRO_OK)}));
    on_dialog(click(2004));
    ctrl_click(8);
    EXPECT_EQ(KEY_FLAG_REPEAT | KEY_FLAG_MACRO | 1, config_model.key_table[cell_at(8)]);
    EXPECT_EQ(1, config_model.macro_slots[0].in_use);
    EXPECT_EQ("[Repeat]\nMacro\n(A)", caption(8));
}

TEST_F(CellClickTest, AllSlotsInUseOpensNothing) {
    for (MacroSlot& slot : config_model.macro_slots) {
        slot.in_use = 1;
        slot.make_steps[0] = A;
    }
    config_model.key_table[cell_at(3)] = B;
    ctrl_click(3);
    EXPECT_TRUE(dialogs().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(B, config_model.key_table[cell_at(3)]);
    // A cell with a macro still reaches its own.
    config_model.key_table[cell_at(2)] = KEY_FLAG_MACRO | 127;
    on_dialog(click(IDC_MACRO_OK));
    ctrl_click(2);
    EXPECT_EQ(1u, dialogs().size());
    EXPECT_EQ(KEY_FLAG_MACRO | 127, config_model.key_table[cell_at(2)]);
}

TEST_F(CellClickTest, MacroNumberZeroOpensNothing) {
    config_model.key_table[cell_at(3)] = KEY_FLAG_MACRO | 0x80;
    ctrl_click(3);
    EXPECT_TRUE(dialogs().empty());
}

TEST_F(CellClickTest, CtrlClickInTheFnView) {
    config_model.key_table[cell_at(0)] = KEY_FN;
    right_button_click(0);
    ASSERT_TRUE(fn_view_active);
    ctrl_click(0);
    EXPECT_TRUE(dialogs().empty()) << "the FN cell has no macro";
    on_dialog(sequence({click(IDC_MACRO_BREAK_STEP), after_dialogs(2), click(IDC_MACRO_OK)}));
    on_dialog(click(2029));
    ctrl_click(5);
    EXPECT_EQ(KEY_FLAG_MACRO | 1, config_model.fn_key_table[cell_at(5)]);
    EXPECT_EQ(0, config_model.key_table[cell_at(5)]);
    EXPECT_EQ(0x80 | 29, config_model.macro_slots[0].break_steps[0]);
}

// ---- Keys on a focused cell --------------------------------------------------------------------

TEST_F(CellClickTest, EnterOpensTheKeySelection) {
    SetFocus(cell_buttons[2]);
    on_dialog(click(2026));
    press_keys({VK_RETURN});
    pump_until([] { return config_model.key_table[cell_at(2)] != 0; });
    EXPECT_EQ(26, config_model.key_table[cell_at(2)]);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Select a key", dialogs()[0].title);
}

TEST_F(CellClickTest, CtrlEnterOpensTheMacroEditor) {
    SetFocus(cell_buttons[2]);
    on_dialog(click(IDC_MACRO_OK));
    press_keys({VK_CONTROL, VK_RETURN});
    pump_until([this] { return !dialogs().empty(); });
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("VELMARO Macro", dialogs()[0].title);
}

// ---- Undo and Redo ---------------------------------------------------------------------------

// Edits made by mouse, each taken back with the real Ctrl+Z and made again with Ctrl+Y (and
// Ctrl+Shift+Z); undone, nothing is unsaved and Exit asks nothing.
TEST_F(CellClickTest, CtrlZUndoesEachEditAndCtrlYRedoesIt) {
    struct Case {
        const char* what;
        std::function<void()> edit;
        std::function<std::string()> shown;  // what the window shows of the edit
        const char* before;
        const char* after;
    } cases[] = {
        {"a key", [this] { choose_key(5, 2004); }, [this] { return caption(5); }, "Not Used", "A"},
        {"a macro by Ctrl+click",
         [this] {
             const size_t seen = dialogs().size();
             on_dialog(sequence({click(IDC_MACRO_MAKE_STEP), after_dialogs(seen + 2), click(IDC_MACRO_OK)}));
             on_dialog(click(2005));
             ctrl_click(2);
         },
         [this] { return caption(2) + (config_model.macro_slots[0].in_use ? " (slot in use)" : ""); },
         "Not Used", "Macro\n(B) (slot in use)"},
        {"a key over the macro frees it",
         [this] {
             config_model.key_table[cell_at(2)] = KEY_FLAG_MACRO | 1;
             config_model.macro_slots[0].in_use = 1;
             config_model.macro_slots[0].make_steps[0] = B;
             history_reset();
             refresh_cell_captions();
             choose_key(2, 2006);
         },
         [this] { return caption(2) + (config_model.macro_slots[0].in_use ? " (slot in use)" : ""); },
         "Macro\n(B) (slot in use)", "C"},
        {"a pin", [this] { choose_item(pin_combos[0], 6); }, [] { return window_text(pin_combos[0]); }, "Pin 1",
         "Pin 7"},
        {"the row count", [this] { choose_item(rows_combo, 1); },
         [] { return window_text(rows_combo) + " rows, " + std::to_string(visible_rows) + " shown"; },
         "5 rows, 5 shown", "2 rows, 2 shown"},
        {"the row count from the open list: three arrows, Enter",
         [this] { SetFocus(rows_combo); for (BYTE key : {VK_F4, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) press_keys({key}); },
         [] { return window_text(rows_combo) + " x " + window_text(columns_combo); }, "5 x 4", "8 x 1"},
    };
    press_keys({VK_CONTROL, 'Z'});  // nothing to undo: nothing happens
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.edit();
        ASSERT_EQ(c.after, c.shown());
        ASSERT_EQ(1, config_model.config_changed);
        press_keys({VK_CONTROL, 'Z'});
        EXPECT_EQ(c.before, c.shown());
        EXPECT_EQ(0, config_model.config_changed) << "back to the configuration of start-up";
        press_keys({VK_CONTROL, 'Y'});
        EXPECT_EQ(c.after, c.shown());
        EXPECT_EQ(1, config_model.config_changed);
        press_keys({VK_CONTROL, 'Z'});
        press_keys({VK_CONTROL, VK_SHIFT, 'Z'});
        EXPECT_EQ(c.after, c.shown()) << "Ctrl+Shift+Z redoes too";
        press_keys({VK_CONTROL, 'Z'});
        EXPECT_EQ(c.before, c.shown());
    }
    send_command(CMD_EXIT);
    EXPECT_TRUE(boxes().empty()) << "nothing is unsaved: Exit asks nothing";
    EXPECT_TRUE(pump_until([] { return app_has_quit(); }));
}

// An undone step is shown where it was made: scrolled into view, in the FN view when made there.
TEST_F(CellClickTest, UndoShowsTheCellInTheViewWhereItChanged) {
    view->select_row_count(1);
    view->select_column_count(8);
    config_model.key_table[cell_index(0, 0)] = KEY_FN;
    view->refresh_matrix_editor();
    history_reset();
    right_button_click(0);  // the first switch writes the FN table: a step
    scroll_columns(4, true);
    choose_key(3, 2029);    // column 7, in the FN view
    ASSERT_EQ(29, config_model.fn_key_table[cell_index(0, 7)]);
    scroll_columns(-4, true);
    right_button_click(0);  // back to the normal view: no step
    ASSERT_FALSE(fn_view_active);
    press_keys({VK_CONTROL, 'Z'});
    EXPECT_TRUE(fn_view_active);
    EXPECT_EQ(4, GetScrollPos(horizontal_scroll_bar, SB_CTL)) << "column 7 is in view";
    EXPECT_EQ("Not Used\n\n<FN ON>", caption(3));
    press_keys({VK_CONTROL, 'Z'});
    EXPECT_FALSE(fn_view_active) << "the switch was made from the normal view";
    EXPECT_EQ(0, config_model.fn_key_table[cell_index(0, 0)]);
    EXPECT_EQ(0, config_model.config_changed);
}
