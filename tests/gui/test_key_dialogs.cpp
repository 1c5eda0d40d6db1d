// The on-screen keyboards at work: what dialogs 1999 and 1998 return for each kind of
// choice, where the focus starts, the delay entry 2400 and its arithmetic.
#include <utility>
#include <vector>

#include "test_key_dialogs_steps.h"

namespace {

struct SelectKeyCase {
    const char* what;
    int initial;
    bool toggle_repeat;
    int button;
    INT_PTR expected;
};

struct FocusCase {
    const char* what;
    int initial;
    int focus;
};

class KeyDialogTest : public OwnedDialogTest {
protected:
    void run_select_key_cases(const std::vector<SelectKeyCase>& cases) {
        for (const SelectKeyCase& c : cases) {
            SCOPED_TRACE(c.what);
            UINT toggled = (c.initial & 0x400) ? BST_UNCHECKED : BST_CHECKED;
            if (c.toggle_repeat)
                on_dialog(press(IDC_KEY_REPEAT), wait_for_check(IDC_KEY_REPEAT, toggled), click(c.button));
            else
                on_dialog(click(c.button));
            EXPECT_EQ(c.expected, open_keyboard(IDD_SELECT_KEY, c.initial));
        }
    }
    void expect_initial_focus(int dialog_id, const std::vector<FocusCase>& cases) {
        for (const FocusCase& c : cases) {
            SCOPED_TRACE(c.what);
            int focus = 0;
            action_preselect_break = 0;
            current_macro_slot = 0;
            on_dialog(wait_for_focus(c.focus, &focus), click(2000));
            EXPECT_EQ(0, open_keyboard(dialog_id, c.initial));
            EXPECT_EQ(c.focus, focus);
        }
    }
    // Each entry typed into the delay dialog, then OK: the step that dialog 1998 returns.
    void run_delay_cases(const std::vector<std::pair<const char*, INT_PTR>>& cases) {
        for (const auto& [entry, expected] : cases) {
            SCOPED_TRACE(std::string("entry \"") + entry + "\"");
            on_dialog(click(IDC_ACTION_DELAY));
            on_dialog(set_text(IDC_DELAY_EDIT, entry), click(IDC_DELAY_OK));
            EXPECT_EQ(expected, open_action_dialog(4, 0));
        }
    }
};

}  // namespace

// ---- Dialog 1999: results -------------------------------------------------------------------

TEST_F(KeyDialogTest, SelectKeyResults) {
    run_select_key_cases({
        {"a key, Repeat clear", 0, false, 2004, 4},
        {"a key, Repeat checked", 0, true, 2004, 0x404},
        {"Backspace with Repeat", 0, true, 2042, 0x42A},
        {"FN", 0, false, 2002, 2},
        {"FN with Repeat", 0, true, 2002, 0x402},
        {"Not Used", 4, false, 2000, 0},
        {"Not Used with Repeat checked", 0, true, 2000, 0},
    });
}

TEST_F(KeyDialogTest, SelectKeyResultsOnFilledCells) {
    run_select_key_cases({
        {"repeat cell, the same key again", 0x404, false, 2004, 0x404},
        {"repeat cell, Repeat cleared", 0x404, true, 2004, 4},
        {"macro cell, a key replaces the macro", 0x105, false, 2005, 5},
        {"\"[ {\"", 0, false, 2047, 47},
        {"\"] }\"", 0, false, 2048, 48},
        {"right Windows key", 0, false, 2123, 123},
    });
}

TEST_F(KeyDialogTest, SelectKeyStartsWithRepeatFromTheCellCode) {
    struct Case {
        int initial;
        UINT checked;
    } cases[] = {{0x404, BST_CHECKED}, {4, BST_UNCHECKED}, {0x105, BST_UNCHECKED}, {0x505, BST_CHECKED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.initial);
        UINT seen = 99;
        on_dialog(inspect([&](HWND d) { seen = IsDlgButtonChecked(d, IDC_KEY_REPEAT); }), click(2000));
        open_keyboard(IDD_SELECT_KEY, c.initial);
        EXPECT_EQ(c.checked, seen);
    }
}

TEST_F(KeyDialogTest, EscAndTheCloseBoxCancel) {
    for (int dialog_id : {IDD_SELECT_KEY, IDD_MACRO_ACTION}) {
        SCOPED_TRACE(dialog_id);
        int focus = 0;
        on_dialog(wait_for_focus(2004, &focus), inject_key(VK_ESCAPE));
        EXPECT_EQ(-1, open_keyboard(dialog_id, 4));
        on_dialog([](HWND d) { return PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; });
        EXPECT_EQ(-1, open_keyboard(dialog_id, 4));
    }
}

TEST_F(KeyDialogTest, EnterChoosesTheFocusedKey) {
    int focus = 0;
    on_dialog(wait_for_focus(2026, &focus), inject_key(VK_RETURN));
    EXPECT_EQ(26, open_keyboard(IDD_SELECT_KEY, 26));
    EXPECT_EQ(2026, focus);
}

// ---- Initial focus ----------------------------------------------------------------------------

TEST_F(KeyDialogTest, InitialFocusInSelectKey) {
    expect_initial_focus(IDD_SELECT_KEY, {
        {"plain key", 4, 2004},
        {"repeat cell", 0x404, 2000},
        {"macro cell", 0x105, 2000},
        {"Not Used", 0, 2000},
        {"the first tab stop", 41, 2041},
        {"FN", 2, 2002},
        {"right Windows, the last key", 123, 2123},
        {"the non-US key has no button", 100, 2000},
    });
}

TEST_F(KeyDialogTest, InitialFocusInMacroAction) {
    expect_initial_focus(IDD_MACRO_ACTION, {
        {"make step", 4, 2004},
        {"break step", 0x84, 2004},
        {"delay step", 0x0A7F, 2132},
        {"2560 ms delay step", 0x007F, 2132},
        {"Break All", 3, 2003},
        {"released Break All", 0x83, 2003},
        {"FN has no button here", 2, 2000},
        {"empty step", 0, 2000},
    });
}

// ---- Dialog 1998: results ---------------------------------------------------------------------

TEST_F(KeyDialogTest, MacroActionResults) {
    struct Case {
        const char* what;
        int preselect_break;
        int button;
        INT_PTR expected;
    } cases[] = {
        {"Make and A", 0, 2004, 0x04},
        {"Break and A", 1, 2004, 0x84},
        {"Make and Break All", 0, 2003, 3},
        {"Break and Break All", 1, 2003, 0x83},
        {"Not Used with Break", 1, 2000, 0},
        {"Not Used with Make", 0, 2000, 0},
        {"right Shift released", 1, 2121, 0x80 | 121},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        on_dialog(click(c.button));
        EXPECT_EQ(c.expected, open_action_dialog(0, c.preselect_break));
    }
}

TEST_F(KeyDialogTest, MacroActionRadioButtonsSwitch) {
    struct Case {
        const char* what;
        int preselect_break;
        int radio;
        int button;
        INT_PTR expected;
    } cases[] = {
        {"switched to Break, then left Ctrl", 0, IDC_ACTION_BREAK, 2116, 0x80 | 116},
        {"switched to Make, then Z", 1, IDC_ACTION_MAKE, 2029, 29},
        {"Break pressed again stays Break", 1, IDC_ACTION_BREAK, 2029, 0x80 | 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int other = IDC_ACTION_MAKE + IDC_ACTION_BREAK - c.radio;
        UINT other_state = 99;
        on_dialog(sequence({press(c.radio), wait_for_check(c.radio, BST_CHECKED)}),
                  sequence({wait_for_check(other, BST_UNCHECKED),
                            inspect([&](HWND d) { other_state = IsDlgButtonChecked(d, other); })}),
                  click(c.button));
        EXPECT_EQ(c.expected, open_action_dialog(0, c.preselect_break));
        EXPECT_EQ(BST_UNCHECKED, other_state) << "the other radio button is cleared";
    }
}

TEST_F(KeyDialogTest, MacroActionDoubleClickOnARadioButtonOnlySelectsIt) {
    on_dialog(sequence({[](HWND d) {
                            return PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_ACTION_BREAK, BN_DOUBLECLICKED),
                                                (LPARAM)GetDlgItem(d, IDC_ACTION_BREAK)) != FALSE;
                        },
                        wait_for_check(IDC_ACTION_BREAK, BST_CHECKED)}),
              click(2004));
    EXPECT_EQ(0x84, open_action_dialog(0, 0)) << "the dialog stays open and takes the key as a release";
}

TEST_F(KeyDialogTest, MacroActionPreselectsTheRadioButton) {
    for (int preselect : {0, 1}) {
        SCOPED_TRACE(preselect);
        UINT make = 99, brk = 99;
        on_dialog(inspect([&](HWND d) {
            make = IsDlgButtonChecked(d, IDC_ACTION_MAKE);
            brk = IsDlgButtonChecked(d, IDC_ACTION_BREAK);
        }), click(2000));
        open_action_dialog(0x84, preselect);
        EXPECT_EQ(preselect ? BST_UNCHECKED : BST_CHECKED, make);
        EXPECT_EQ(preselect ? BST_CHECKED : BST_UNCHECKED, brk);
    }
}

TEST_F(KeyDialogTest, DelayDisabledWhenItDoesNotFit) {
    struct Case {
        const char* what;
        int button;
        int preselect_break;
        INT_PTR expected;
    } cases[] = {
        {"a key step", 2004, 0, 4},
        {"a released key", 2004, 1, 0x84},
        {"Break All", 2003, 0, 3},
        {"Not Used", 2000, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BOOL delay_enabled = TRUE;
        on_dialog(inspect([&](HWND d) { delay_enabled = IsWindowEnabled(GetDlgItem(d, IDC_ACTION_DELAY)); }),
                  click(c.button));
        EXPECT_EQ(c.expected, open_action_dialog(4, c.preselect_break, false));
        EXPECT_FALSE(delay_enabled);
    }
    BOOL delay_enabled = FALSE;
    on_dialog(inspect([&](HWND d) { delay_enabled = IsWindowEnabled(GetDlgItem(d, IDC_ACTION_DELAY)); }),
              click(2000));
    open_action_dialog(4, 0, true);
    EXPECT_TRUE(delay_enabled) << "enabled while bit 7 of the slot is clear";
}

// ---- Delays ---------------------------------------------------------------------------------

TEST_F(KeyDialogTest, DelayEntriesUpTo2559) {
    run_delay_cases({{"", 0x017F}, {"0", 0x017F}, {"5", 0x017F}, {"15", 0x017F}, {"20", 0x027F},
                     {"100", 0x0A7F}, {"2550", 0xFF7F}, {"2559", 0xFF7F}, {"abc", 0x017F}});
}

TEST_F(KeyDialogTest, DelayEntriesFrom2560AndHuge) {
    run_delay_cases({
        {"2560", 0x007F},
        {"2569", 0x007F},
        {"99999", 0x007F},
        {"4294967295", 0x007F},            // the largest 32-bit value
        {"4294967306", 0x007F},            // 10 after wrapping in 32 bits
        {"18446744073709551626", 0x007F},  // 10 after wrapping in 64 bits
        {"123456789012345678901234567890", 0x007F},
    });
}

TEST_F(KeyDialogTest, DelayDialogStartsEmptyWithTheFocusOnTheEntry) {
    std::string text = "?";
    int focus = 0;
    on_dialog(sequence({click(IDC_ACTION_DELAY), after_dialogs(2), click(2000)}));
    on_dialog(wait_for_focus(IDC_DELAY_EDIT, &focus),
              inspect([&](HWND d) { text = item_text(d, IDC_DELAY_EDIT); }), click(IDC_DELAY_CANCEL));
    EXPECT_EQ(0, open_action_dialog(4, 0));
    EXPECT_EQ(IDC_DELAY_EDIT, focus);
    EXPECT_EQ("", text);
    ASSERT_EQ(2u, dialogs().size());
    EXPECT_EQ("Delay", dialogs()[1].title);
    EXPECT_EQ("msec", dialogs()[1].text(IDC_DELAY_UNIT));
}

TEST_F(KeyDialogTest, DelayCancelKeepsTheActionDialogOpen) {
    on_dialog(sequence({click(IDC_ACTION_DELAY), after_dialogs(2), click(2004)}));
    on_dialog(set_text(IDC_DELAY_EDIT, "500"), click(IDC_DELAY_CANCEL));
    EXPECT_EQ(0x84, open_action_dialog(0, 1));
    EXPECT_EQ(2u, dialogs().size());
}

TEST_F(KeyDialogTest, EscInTheDelayDialogDoesNothing) {
    int focus = 0;
    on_dialog(click(IDC_ACTION_DELAY));
    // Esc first, then a digit: once the digit shows, the Esc was handled and the dialog is open.
    on_dialog(sequence({wait_for_focus(IDC_DELAY_EDIT, &focus), inject_key(VK_ESCAPE), inject_key('7'),
                        wait_for_text(IDC_DELAY_EDIT, "7")}),
              inspect([](HWND d) { EXPECT_TRUE(IsWindow(d) && IsWindowVisible(d)); }), click(IDC_DELAY_OK));
    EXPECT_EQ(0x017F, open_action_dialog(0, 0));
    EXPECT_EQ(2u, dialogs().size());
}

TEST_F(KeyDialogTest, EnterInTheDelayEntryActsAsOk) {
    int focus = 0;
    on_dialog(click(IDC_ACTION_DELAY));
    on_dialog(sequence({wait_for_focus(IDC_DELAY_EDIT, &focus), inject_key('2'), inject_key('5'),
                        inject_key('0'), wait_for_text(IDC_DELAY_EDIT, "250")}),
              inject_key(VK_RETURN));
    EXPECT_EQ(0x197F, open_action_dialog(0, 0));
}

// The arithmetic on its own, at the edges of its units.
TEST(DelayArithmetic, StepsAtTheEdges) {
    struct Case {
        INT_PTR ms;
        int step;
    } cases[] = {
        {0, 0x017F},    {9, 0x017F},    {10, 0x017F},   {19, 0x017F},  {20, 0x027F},
        {2549, 0xFE7F}, {2550, 0xFF7F}, {2559, 0xFF7F}, {2560, 0x007F}, {0x7FFFFFFF, 0x007F},
    };
    for (const Case& c : cases) EXPECT_EQ(c.step, delay_step_for_ms(c.ms)) << c.ms << " ms";
}

TEST(DelayArithmetic, EntriesSaturateInsteadOfOverflowing) {
    struct Case {
        const char* text;
        int at_least;
        int at_most;
    } cases[] = {
        {"", 0, 0}, {"0", 0, 0}, {"42", 42, 42}, {"2560", 2560, 2560}, {"007", 7, 7},
        {"12abc", 12, 12}, {"-5", 0, 0}, {"99999", 99999, 99999},
        {"2147483648", 2560, 0x7FFFFFFF}, {"99999999999999999999999999999999999999", 2560, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        int value = parse_delay_entry(c.text);
        EXPECT_GE(value, c.at_least) << c.text;
        EXPECT_LE(value, c.at_most) << c.text;
        if (c.at_least >= 2560) {
            EXPECT_EQ(0x007F, delay_step_for_ms(value)) << c.text;
        }
    }
}
