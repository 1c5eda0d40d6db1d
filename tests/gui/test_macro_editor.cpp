// The macro editor, dialog 2200, opened directly on a slot: step captions, the memory budget
// at its edges, scrolling, the action dialog's preselection, OK, Cancel and Repeat, and the
// recorder with keys sent as real input.
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/config_image.h"
#include "test_key_dialogs_steps.h"
#include "keys/key_tester.h"

namespace {

constexpr int A = 4, B = 5, C = 6, BKSP = 42;
int edited_slot = 0;  // the slot the editor opens on

int delay(int count) { return count * 256 + 127; }

MacroSlot& edited() { return config_model.macro_slots[edited_slot]; }

// Makes other slots use `bytes` of macro memory: each in-use slot takes its steps plus two
// count bytes, so a slot holds 3 to 34 bytes. They take the lowest slots, and the edited
// macro (with what it holds) moves above them, so that no free slot lies between.
void use_memory_elsewhere(int bytes) {
    const MacroSlot mine = edited();
    edited() = MacroSlot();
    int slot = 0;
    while (bytes > 0) {
        int take = bytes <= 34 ? bytes : bytes - 34 >= 3 ? 34 : bytes - 3;
        MacroSlot& s = config_model.macro_slots[slot++];
        s = MacroSlot();
        s.in_use = 1;
        for (int i = 0; i < take - 2; ++i) (i < 16 ? s.make_steps[i] : s.break_steps[i - 16]) = A;
        bytes -= take;
    }
    edited_slot = slot;
    edited() = mine;
}

bool step_enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

int enabled_step_count(HWND dialog) {
    int count = 0;
    for (int id = IDC_MACRO_MAKE_STEP; id < IDC_MACRO_MAKE_STEP + 16; ++id) count += step_enabled(dialog, id);
    return count;
}

class MacroEditorTest : public OwnedDialogTest {
protected:
    void SetUp() override {
        OwnedDialogTest::SetUp();
        edited_slot = 0;
    }
    // Opens the editor on the edited slot as a cell click does.
    INT_PTR open_editor(int repeat_initial = 0) {
        current_macro_slot = edited_slot;
        macro_backup = edited();
        macro_repeat_initial = repeat_initial;
        return open(IDD_MACRO, macro_dialog_proc, 0);
    }

    // In the macro editor: clicks step button `id`, then continues once the action dialog
    // (the harness's dialog number `nth`) has come and gone.
    DialogAction choose_step(int id, size_t nth) {
        return sequence({click(id), after_dialogs(nth)});
    }
    // In the action dialog: records whether "Delay" is enabled and which radio is checked.
    DialogAction read_action_dialog(bool* delay_enabled, int* checked_radio) {
        return inspect([=](HWND d) {
            if (delay_enabled) *delay_enabled = IsWindowEnabled(GetDlgItem(d, IDC_ACTION_DELAY)) != FALSE;
            if (checked_radio)
                *checked_radio = IsDlgButtonChecked(d, IDC_ACTION_MAKE) == BST_CHECKED ? IDC_ACTION_MAKE
                               : IsDlgButtonChecked(d, IDC_ACTION_BREAK) == BST_CHECKED ? IDC_ACTION_BREAK : 0;
        });
    }
};

}  // namespace

// ---- Captions -------------------------------------------------------------------------------

TEST_F(MacroEditorTest, StepCaptions) {
    struct Case {
        int step;
        const char* caption;
    } cases[] = {
        {0, "Not Used"},          {A, "Make\nA"},        {0x80 | BKSP, "Break\nBksp"},
        {delay(10), "Delay\n100ms"}, {delay(1), "Delay\n10ms"}, {delay(255), "Delay\n2550ms"},
        {delay(0), "Delay\n2560ms"}, {3, "BREAK ALL"},    {0x83, "BREAK ALL"},
        {36, "Make\n7 &&"},       {0x80 | 117, "Break\nL Sft"}, {0x80 | 2, "Break\nFN [OFF]"},
    };
    for (const Case& c : cases) {
        char caption[MACRO_STEP_CAPTION_SIZE];
        format_step_caption(c.step, caption);
        EXPECT_STREQ(c.caption, caption) << "step " << c.step;
    }
}

TEST_F(MacroEditorTest, ShowsTheSlotInBothRows) {
    int make[] = {A, 0x80 | A, delay(10), 3, 0, B, 0, delay(0)};
    int brk[] = {0x84, delay(0), 0x83, 0, 0, 0, 0, 0x80 | BKSP};
    std::memcpy(edited().make_steps, make, sizeof make);
    std::memcpy(edited().break_steps, brk, sizeof brk);
    on_dialog(click(IDC_MACRO_OK));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    ASSERT_EQ(1u, dialogs().size());
    const DialogRecord& shown = dialogs()[0];
    EXPECT_EQ("VELMARO Macro", shown.title);
    for (int i = 0; i < 8; ++i) {
        char expected[MACRO_STEP_CAPTION_SIZE];
        format_step_caption(make[i], expected);
        EXPECT_EQ(expected, shown.text(IDC_MACRO_MAKE_STEP + i)) << "make column " << i;
        format_step_caption(brk[i], expected);
        EXPECT_EQ(expected, shown.text(IDC_MACRO_BREAK_STEP + i)) << "break column " << i;
        EXPECT_EQ("Step " + std::to_string(i + 1), shown.text(IDC_MACRO_STEP_HEADER + i));
    }
    EXPECT_EQ("Delay\n2560ms", shown.text(IDC_MACRO_MAKE_STEP + 7));
    EXPECT_EQ("Delay\n2560ms", shown.text(IDC_MACRO_BREAK_STEP + 1));
    // What is written: each list up to its first empty step (make 4 steps, one a delay of
    // two bytes; break 3 steps, one a delay), and two count bytes.
    EXPECT_EQ(memory_text(399 - 11), shown.text(IDC_MACRO_MEMORY));
}

// ---- The macro memory -------------------------------------------------------------------------

TEST_F(MacroEditorTest, FirstStepOfAFreshMacroTakesThreeBytes) {
    std::string before, after;
    on_dialog(sequence({inspect([&](HWND d) { before = item_text(d, IDC_MACRO_MEMORY); }),
                        choose_step(IDC_MACRO_MAKE_STEP, 2),
                        inspect([&](HWND d) { after = item_text(d, IDC_MACRO_MEMORY); }), click(IDC_MACRO_OK)}));
    on_dialog(click(2004));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ(memory_text(399), before);
    EXPECT_EQ(memory_text(396), after);
    EXPECT_EQ(A, edited().make_steps[0]);
    EXPECT_EQ(1, edited().in_use);
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(MacroEditorTest, ThreeBytesLeftForAFreshMacro) {
    use_memory_elsewhere(396);
    int enabled = -1;
    bool delay_enabled = true;
    std::string after;
    on_dialog(sequence({inspect([&](HWND d) { enabled = enabled_step_count(d); }),
                        choose_step(IDC_MACRO_BREAK_STEP + 3, 2),
                        inspect([&](HWND d) { after = item_text(d, IDC_MACRO_MEMORY); }), click(IDC_MACRO_OK)}));
    on_dialog(read_action_dialog(&delay_enabled, nullptr), click(2005));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ(16, enabled) << "every step button";
    EXPECT_FALSE(delay_enabled) << "a first delay needs four bytes";
    EXPECT_EQ(memory_text(0), after);
    EXPECT_EQ(0x80 | B, edited().break_steps[0]) << "the break row preselects Break; the list starts";
}

TEST_F(MacroEditorTest, TwoBytesLeftForAFreshMacro) {
    use_memory_elsewhere(397);
    int enabled = -1;
    std::string text;
    on_dialog(inspect([&](HWND d) {
        enabled = enabled_step_count(d);
        text = item_text(d, IDC_MACRO_MEMORY);
    }), click(IDC_MACRO_OK));
    EXPECT_EQ(0, open_editor()) << "OK without steps";
    EXPECT_EQ(0, enabled);
    EXPECT_EQ(memory_text(2), text);
}

TEST_F(MacroEditorTest, OneByteLeftAnEmptyStepTakesAKeyButNoDelay) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    use_memory_elsewhere(395);  // 3 in this slot: 1 left
    int enabled = -1;
    bool delay_enabled = true;
    std::string after;
    on_dialog(sequence({inspect([&](HWND d) { enabled = enabled_step_count(d); }),
                        choose_step(IDC_MACRO_MAKE_STEP + 1, 2),
                        inspect([&](HWND d) { after = item_text(d, IDC_MACRO_MEMORY); }), click(IDC_MACRO_OK)}));
    on_dialog(read_action_dialog(&delay_enabled, nullptr), click(2005));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ(16, enabled);
    EXPECT_FALSE(delay_enabled);
    EXPECT_EQ(B, edited().make_steps[1]);
    EXPECT_EQ(memory_text(0), after);
}

TEST_F(MacroEditorTest, OneByteLeftAKeyStepBecomesADelay) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    use_memory_elsewhere(395);
    bool delay_enabled = false;
    std::string after;
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP, 3),
                        inspect([&](HWND d) { after = item_text(d, IDC_MACRO_MEMORY); }), click(IDC_MACRO_OK)}));
    on_dialog(read_action_dialog(&delay_enabled, nullptr), click(IDC_ACTION_DELAY));
    on_dialog(set_text(IDC_DELAY_EDIT, "250"), click(IDC_DELAY_OK));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_TRUE(delay_enabled);
    EXPECT_EQ(delay(25), edited().make_steps[0]);
    EXPECT_EQ(memory_text(0), after);
}

TEST_F(MacroEditorTest, NoByteLeftOnlyExistingStepsChange) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    edited().break_steps[0] = delay(5);
    use_memory_elsewhere(394);  // 5 in this slot: 0 left
    std::vector<int> enabled_ids;
    bool key_delay_enabled = true, delay_delay_enabled = false;
    on_dialog(sequence({inspect([&](HWND d) {
                            for (int id = IDC_MACRO_MAKE_STEP; id < IDC_MACRO_MAKE_STEP + 16; ++id)
                                if (step_enabled(d, id)) enabled_ids.push_back(id);
                        }),
                        choose_step(IDC_MACRO_MAKE_STEP, 2), choose_step(IDC_MACRO_BREAK_STEP, 4),
                        click(IDC_MACRO_OK)}));
    on_dialog(read_action_dialog(&key_delay_enabled, nullptr), click(2029));
    on_dialog(read_action_dialog(&delay_delay_enabled, nullptr), click(IDC_ACTION_DELAY));
    on_dialog(set_text(IDC_DELAY_EDIT, "2560"), click(IDC_DELAY_OK));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ((std::vector<int>{IDC_MACRO_MAKE_STEP, IDC_MACRO_BREAK_STEP}), enabled_ids);
    EXPECT_FALSE(key_delay_enabled) << "a key step cannot become a delay";
    EXPECT_TRUE(delay_delay_enabled) << "a delay can replace a delay";
    EXPECT_EQ(29, edited().make_steps[0]);
    EXPECT_EQ(delay(0), edited().break_steps[0]);
}

// Macro 1 free below macros 2 and 3: its empty record is written too, so it counts.
TEST_F(MacroEditorTest, EmptyRecordsBelowUsedMacrosCount) {
    edited_slot = 1;
    edited().in_use = 1;
    edited().make_steps[0] = A;
    config_model.macro_slots[2].in_use = 1;
    config_model.macro_slots[2].make_steps[0] = A;
    config_model.macro_slots[2].make_steps[1] = B;
    config_model.macro_slots[2].break_steps[0] = 0x84;
    std::string text;
    on_dialog(inspect([&](HWND d) { text = item_text(d, IDC_MACRO_MEMORY); }), click(IDC_MACRO_OK));
    EXPECT_EQ(0x82, open_editor());
    EXPECT_EQ(memory_text(399 - (2 + 3 + 5)), text);
}

TEST_F(MacroEditorTest, OverTheBudgetShowsANegativeRemainder) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    use_memory_elsewhere(400);
    std::string text;
    int enabled = -1;
    on_dialog(inspect([&](HWND d) {
        text = item_text(d, IDC_MACRO_MEMORY);
        enabled = enabled_step_count(d);
    }), click(IDC_MACRO_OK));
    open_editor();
    EXPECT_EQ(memory_text(-4), text);
    EXPECT_EQ(1, enabled);
}

// ---- Scrolling -------------------------------------------------------------------------------

TEST_F(MacroEditorTest, ScrollRequests) {
    struct Case {
        int from;
        WORD request;
        WORD thumb;
        int to;
    } cases[] = {
        {0, SB_LINERIGHT, 0, 1},  {1, SB_LINELEFT, 0, 0},   {0, SB_LINELEFT, 0, 0},
        {8, SB_LINERIGHT, 0, 8},  {0, SB_PAGERIGHT, 0, 7},  {7, SB_PAGERIGHT, 0, 8},
        {8, SB_PAGELEFT, 0, 1},   {3, SB_PAGELEFT, 0, 0},   {2, SB_RIGHT, 0, 8},
        {6, SB_LEFT, 0, 0},       {0, SB_THUMBPOSITION, 5, 5}, {5, SB_THUMBTRACK, 2, 2},
        {4, SB_ENDSCROLL, 0, 4},
    };
    for (int i = 0; i < 16; ++i) {
        edited().make_steps[i] = 4 + i;
        edited().break_steps[i] = 0x80 | (20 + i);
    }
    std::vector<std::string> failures;
    on_dialog(inspect([&](HWND d) {
        HWND bar = GetDlgItem(d, IDC_MACRO_SCROLL);
        for (const Case& c : cases) {
            SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, c.from), reinterpret_cast<LPARAM>(bar));
            SendMessageA(d, WM_HSCROLL, MAKEWPARAM(c.request, c.thumb), reinterpret_cast<LPARAM>(bar));
            int position = GetScrollPos(bar, SB_CTL);
            char expected[MACRO_STEP_CAPTION_SIZE];
            format_step_caption(4 + c.to, expected);
            if (position != c.to || item_text(d, IDC_MACRO_STEP_HEADER) != "Step " + std::to_string(c.to + 1) ||
                item_text(d, IDC_MACRO_MAKE_STEP) != expected)
                failures.push_back("from " + std::to_string(c.from) + " request " + std::to_string(c.request) +
                                   ": at " + std::to_string(position));
        }
    }), click(IDC_MACRO_OK));
    open_editor();
    EXPECT_TRUE(failures.empty()) << failures.size() << " failed, first: " << failures[0];
}

TEST_F(MacroEditorTest, ScrolledToTheEndShowsSteps9To16) {
    for (int i = 0; i < 16; ++i) {
        edited().make_steps[i] = 4 + i;
        edited().break_steps[i] = i % 2 ? delay(i) : 0x80 | (30 + i);
    }
    DialogRecord seen;
    on_dialog(inspect([](HWND d) {
        SendMessageA(d, WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MACRO_SCROLL)));
    }), [&](HWND d) {
        for (int i = 0; i < 8; ++i) {
            seen.texts[IDC_MACRO_STEP_HEADER + i] = item_text(d, IDC_MACRO_STEP_HEADER + i);
            seen.texts[IDC_MACRO_MAKE_STEP + i] = item_text(d, IDC_MACRO_MAKE_STEP + i);
            seen.texts[IDC_MACRO_BREAK_STEP + i] = item_text(d, IDC_MACRO_BREAK_STEP + i);
        }
        return true;
    }, click(IDC_MACRO_OK));
    open_editor();
    for (int i = 0; i < 8; ++i) {
        char make[MACRO_STEP_CAPTION_SIZE], brk[MACRO_STEP_CAPTION_SIZE];
        format_step_caption(edited().make_steps[8 + i], make);
        format_step_caption(edited().break_steps[8 + i], brk);
        EXPECT_EQ("Step " + std::to_string(9 + i), seen.text(IDC_MACRO_STEP_HEADER + i));
        EXPECT_EQ(make, seen.text(IDC_MACRO_MAKE_STEP + i));
        EXPECT_EQ(brk, seen.text(IDC_MACRO_BREAK_STEP + i));
    }
}

// ---- The action dialog's preselection ---------------------------------------------------------

TEST_F(MacroEditorTest, PreselectedRadioButtonFollowsRowAndStep) {
    edited().make_steps[1] = 0x80 | A;  // a release in the make row
    edited().break_steps[1] = B;        // a press in the break row
    edited().make_steps[9] = 0x80 | B;  // scrolled into view at column 1
    edited().break_steps[8] = A;        // scrolled into view at column 0
    int radio[6] = {};
    auto scroll_to = [](int position) {
        return inspect([position](HWND d) {
            SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MACRO_SCROLL)));
        });
    };
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP, 2), choose_step(IDC_MACRO_BREAK_STEP, 3),
                        choose_step(IDC_MACRO_MAKE_STEP + 1, 4), choose_step(IDC_MACRO_BREAK_STEP + 1, 5),
                        scroll_to(8), choose_step(IDC_MACRO_MAKE_STEP + 1, 6),
                        choose_step(IDC_MACRO_BREAK_STEP, 7), inject_key(VK_ESCAPE)}));
    for (int& r : radio) on_dialog(read_action_dialog(nullptr, &r), inject_key(VK_ESCAPE));
    EXPECT_EQ(-1, open_editor());
    EXPECT_EQ(IDC_ACTION_MAKE, radio[0]) << "empty make step";
    EXPECT_EQ(IDC_ACTION_BREAK, radio[1]) << "empty break step";
    EXPECT_EQ(IDC_ACTION_BREAK, radio[2]) << "release in the make row";
    EXPECT_EQ(IDC_ACTION_MAKE, radio[3]) << "press in the break row";
    EXPECT_EQ(IDC_ACTION_BREAK, radio[4]) << "make step 10, scrolled";
    EXPECT_EQ(IDC_ACTION_MAKE, radio[5]) << "break step 9, scrolled";
}

TEST_F(MacroEditorTest, ScrolledStepButtonEditsTheStepItShows) {
    for (int i = 0; i <= 12; ++i) edited().break_steps[i] = 0x80 | A;
    int position = -1;
    on_dialog(sequence({inspect([](HWND d) {
                            SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5),
                                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MACRO_SCROLL)));
                        }),
                        choose_step(IDC_MACRO_BREAK_STEP + 7, 2), choose_step(IDC_MACRO_MAKE_STEP + 6, 3),
                        inspect([&](HWND d) { position = GetScrollPos(GetDlgItem(d, IDC_MACRO_SCROLL), SB_CTL); }),
                        click(IDC_MACRO_OK)}));
    on_dialog(click(2029));
    on_dialog(click(2028));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ(0x80 | 29, edited().break_steps[12]) << "break step 13, shown in column 8";
    EXPECT_EQ(28, edited().make_steps[0]) << "an empty place past the end of a list adds at its end";
    EXPECT_EQ(0, edited().make_steps[11]);
    EXPECT_EQ(0, position) << "the view follows the step that was added";
}

// ---- OK, Cancel, Repeat -----------------------------------------------------------------------

TEST_F(MacroEditorTest, OkResults) {
    struct Case {
        const char* what;
        int slot;
        int step;
        int repeat_initial;
        bool toggle_repeat;
        INT_PTR expected;
        int in_use_after;
    } cases[] = {
        {"no steps", 0, 0, 0, false, 0, 0},
        {"a key", 0, A, 0, false, 0x81, 1},
        {"slot 126", 126, A, 0, false, 0xFF, 1},
        {"Repeat from the cell", 3, A, 1, false, 0x484, 1},
        {"Repeat toggled on", 3, A, 0, true, 0x484, 1},
        {"Repeat toggled off", 3, A, 1, true, 0x84, 1},
        {"a release of Not Used has no key", 0, 0x80, 0, false, 0, 0},
        {"only a delay still has a key number", 0, delay(3), 0, false, 0x81, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MacroSlot& slot = config_model.macro_slots[c.slot];
        slot = MacroSlot();
        slot.break_steps[4] = c.step;
        UINT checked = c.repeat_initial ^ c.toggle_repeat ? BST_CHECKED : BST_UNCHECKED;
        if (c.toggle_repeat)
            on_dialog(press(IDC_MACRO_REPEAT), wait_for_check(IDC_MACRO_REPEAT, checked), click(IDC_MACRO_OK));
        else
            on_dialog(click(IDC_MACRO_OK));
        current_macro_slot = c.slot;
        macro_backup = slot;
        macro_repeat_initial = c.repeat_initial;
        EXPECT_EQ(c.expected, open(IDD_MACRO, macro_dialog_proc, 0));
        EXPECT_EQ(c.in_use_after, slot.in_use);
    }
}

TEST_F(MacroEditorTest, OpeningMarksTheSlotInUse) {
    int in_use = -1;
    on_dialog(inspect([&](HWND) { in_use = edited().in_use; }), inject_key(VK_ESCAPE));
    EXPECT_EQ(-1, open_editor());
    EXPECT_EQ(1, in_use);
    EXPECT_EQ(0, edited().in_use) << "Cancel restores the free slot";
}

TEST_F(MacroEditorTest, CancelAfterSeveralChangesRestoresTheSlot) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    edited().make_steps[1] = delay(7);
    edited().break_steps[0] = 0x84;
    MacroSlot before = edited();
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP, 2), choose_step(IDC_MACRO_MAKE_STEP + 1, 3),
                        choose_step(IDC_MACRO_BREAK_STEP + 5, 5),
                        inspect([](HWND) { EXPECT_EQ(B, edited().make_steps[0]) << "edited in place"; }),
                        inject_key(VK_ESCAPE)}));
    on_dialog(click(2005));
    on_dialog(click(2000));
    on_dialog(click(IDC_ACTION_DELAY));
    on_dialog(set_text(IDC_DELAY_EDIT, "40"), click(IDC_DELAY_OK));
    EXPECT_EQ(-1, open_editor());
    EXPECT_EQ(0, std::memcmp(&before, &edited(), sizeof before));
    // Cancel now leaves the unsaved state as it was before the dialog opened.
    EXPECT_EQ(0, config_model.config_changed) << "as before the dialog after Cancel";
}

TEST_F(MacroEditorTest, EnterAcceptsLikeOk) {
    edited().in_use = 1;
    edited().make_steps[0] = A;
    on_dialog([](HWND d) { return PostMessageA(d, WM_COMMAND, IDOK, 0) != FALSE; });
    EXPECT_EQ(0x81 + edited_slot, open_editor()) << "Enter keeps the macro instead of discarding the edits";
    EXPECT_EQ(A, edited().make_steps[0]);
    EXPECT_EQ(1, edited().in_use);
}

TEST_F(MacroEditorTest, TheCloseBoxCancels) {
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP + 2, 2),
                        [](HWND d) { return PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }}));
    on_dialog(click(2004));
    EXPECT_EQ(-1, open_editor());
    EXPECT_EQ(0, edited().make_steps[2]);
    EXPECT_EQ(0, edited().in_use);
}

TEST_F(MacroEditorTest, ActionDialogCancelKeepsTheStep) {
    edited().make_steps[0] = A;
    edited().in_use = 1;
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP, 2), click(IDC_MACRO_OK)}));
    on_dialog(inject_key(VK_ESCAPE));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    EXPECT_EQ(A, edited().make_steps[0]);
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(0, current_macro_slot & 0x80) << "the no-room bit is cleared again";
}

// The image carries a list up to its first empty step, so the editor never leaves one
// between two steps: "Not Used" removes the step and the later ones move up.
TEST_F(MacroEditorTest, NotUsedRemovesTheStepAndTheLaterOnesMoveUp) {
    edited().in_use = 1;
    for (int i = 0; i < 10; ++i) edited().make_steps[i] = A + i;
    edited().break_steps[0] = 0x84;
    edited().break_steps[1] = 0x85;
    std::string text, ninth;
    int position = -1;
    on_dialog(sequence({choose_step(IDC_MACRO_MAKE_STEP + 1, 2), choose_step(IDC_MACRO_BREAK_STEP, 3),
                        inspect([&](HWND d) {
                            text = item_text(d, IDC_MACRO_MEMORY);
                            SendMessageA(d, WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MACRO_SCROLL)));
                        }),
                        choose_step(IDC_MACRO_MAKE_STEP, 4),  // step 9 after the first removal
                        inspect([&](HWND d) {
                            position = GetScrollPos(GetDlgItem(d, IDC_MACRO_SCROLL), SB_CTL);
                            ninth = item_text(d, IDC_MACRO_MAKE_STEP);
                        }),
                        click(IDC_MACRO_OK)}));
    on_dialog(click(2000));
    on_dialog(click(2000));
    on_dialog(click(2000));
    EXPECT_EQ(0x81 + edited_slot, open_editor());
    const int make_after[16] = {A, C, A + 3, A + 4, A + 5, A + 6, A + 7, A + 8};
    EXPECT_EQ(0, std::memcmp(make_after, edited().make_steps, sizeof make_after)) << "steps 2 and 10 of the original list removed";
    EXPECT_EQ(0x85, edited().break_steps[0]);
    EXPECT_EQ(0, edited().break_steps[1]);
    EXPECT_EQ(memory_text(399 - (2 + 9 + 1)), text) << "the figure follows the removal";
    EXPECT_EQ(8, position) << "the view stays where the user is";
    EXPECT_EQ("Not Used", ninth) << "step 9 now shows the empty end of the list";
}

// ---- The recorder ---------------------------------------------------------------------------

namespace {

constexpr int ESC = 41, ENTER = 40, BREAK = 0x80;
// In `steps`: the delay step, if any, for the pause before the next stroke (all of whose strokes
// are recorded), between those of the shortest and the longest pause the sender's times allow.
constexpr int A_PAUSE = -1;

struct RecordCase {
    const char* what;
    bool with_delays;
    std::vector<KeyStroke> keys;
    std::vector<int> steps;     // the "When Input Made" list after the recording
    bool stops_itself;          // the recording ends without a click on Stop
    const char* status;         // the status text after it ended
    bool cancel;                // the dialog is closed with the close box (Cancel)
    std::vector<KeyStroke> keys_after = {};  // sent once the recording ended
    bool elsewhere = false;     // another window is made active to end it; `keys_after` go there
};

void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.what; }

std::vector<KeyStroke> a_held_150_ms() {
    return {{'A', 0x1E, false, false, 0}, {'A', 0x1E, false, true, 150}};
}

std::vector<KeyStroke> taps_of_a(int count) {
    std::vector<KeyStroke> keys;
    for (int i = 0; i < count; ++i) {
        const std::vector<KeyStroke> one = tap('A', 0x1E);
        keys.insert(keys.end(), one.begin(), one.end());
    }
    return keys;
}

std::vector<KeyStroke> esc_and_enter_after_a_stray_release() {
    std::vector<KeyStroke> keys = {{'A', 0x1E, false, true, 0}};
    for (const auto& part : {tap(VK_ESCAPE, 0x01), tap(VK_RETURN, 0x1C)}) keys.insert(keys.end(), part.begin(), part.end());
    return keys;
}

// `first`, then the strokes of each of the others.
std::vector<KeyStroke> joined(std::vector<KeyStroke> first, std::initializer_list<std::vector<KeyStroke>> others) {
    for (const auto& part : others) first.insert(first.end(), part.begin(), part.end());
    return first;
}

const KeyStroke SHIFT_DOWN = {VK_LSHIFT, 0x2A, false, false, 0}, SHIFT_UP = {VK_LSHIFT, 0x2A, false, true, 0};
constexpr int SHIFT = 117;

const RecordCase RECORD_CASES[] = {
    {"a press and a release", false, a_held_150_ms(), {A, A | BREAK}, false, "Stopped: 2 steps recorded.", false},
    {"with delays, the pauses as the sender measured them", true,
     {{'A', 0x1E, false, false, 0}, {'A', 0x1E, false, true, 5}, {'B', 0x30, false, false, 50}, {'B', 0x30, false, true, 200}},
     {A, A_PAUSE, A | BREAK, A_PAUSE, B, A_PAUSE, B | BREAK}, false, "Stopped: %d steps recorded.", false},
    {"Esc and Enter are steps; a release pressed before is dropped", false, esc_and_enter_after_a_stray_release(),
     {ESC, ESC | BREAK, ENTER, ENTER | BREAK}, false, "Stopped: 4 steps recorded.", false},
    {"16 steps end it; Space, Enter and Esc after it neither record nor reach the dialog", false,
     joined(taps_of_a(8), {tap(VK_SPACE, 0x39), tap(VK_RETURN, 0x1C), tap(VK_ESCAPE, 0x01)}),
     {A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK}, true,
     "Stopped: the list is full, 16 steps recorded. Keys typed after the stop were not recorded.", false},
    {"Shift held over a full list is released in it", false, joined({SHIFT_DOWN}, {taps_of_a(7), tap('B', 0x30), {SHIFT_UP}}),
     {SHIFT, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, A, A | BREAK, SHIFT | BREAK},
     true, "Stopped: the list is full, 16 steps recorded. The release of L Sft was added. Keys typed after the stop "
     "were not recorded.", false},
    {"Stop with a key held adds its release", false, {{'A', 0x1E, false, false, 0}}, {A, A | BREAK}, false,
     "Stopped: 2 steps recorded. The release of A was added.", false, {{'A', 0x1E, false, true, 0}}},
    {"a key typed into another window goes there; the recording stops", false, tap('A', 0x1E), {A, A | BREAK}, true,
     "Stopped: another window was chosen, 2 steps recorded.", false, tap('B', 0x30), true},
    {"the close box gives the macro back", false, a_held_150_ms(), {A, A | BREAK}, false, "Stopped: 2 steps recorded.",
     true},
};

class MacroRecorderTest : public MacroEditorTest, public testing::WithParamInterface<RecordCase> {};

TEST_P(MacroRecorderTest, RecordsTheKeysPressed) {
    const RecordCase& c = GetParam();
    edited().in_use = 1;
    edited().make_steps[0] = C;
    edited().break_steps[0] = C | BREAK;
    const MacroSlot before = edited();
    HWND other = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW, 300, 300, 200, 60, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    std::string status, first_caption, other_text;
    std::vector<int> recorded;
    std::vector<SentTime> sent;
    bool hook_while_recording = false, hook_after = true;
    const DialogAction make_other_active = inspect([other](HWND) { ShowWindow(other, SW_SHOW), SetForegroundWindow(other); });
    on_dialog(sequence({c.with_delays ? press(IDC_MACRO_WITH_DELAYS) : inspect([](HWND) {}),
                        wait_for_check(IDC_MACRO_WITH_DELAYS, c.with_delays ? BST_CHECKED : BST_UNCHECKED),
                        click(IDC_MACRO_RECORD), wait_for_text(IDC_MACRO_RECORD, "Stop"),
                        inspect([&](HWND) { hook_while_recording = key_hook_installed(); }), send_keys(c.keys, &sent),
                        next_tick(), c.elsewhere ? make_other_active : c.stops_itself ? inspect([](HWND) {}) : click(IDC_MACRO_RECORD),
                        wait_for_text(IDC_MACRO_RECORD, "Record"), send_keys(c.keys_after),
                        wait_until([&](HWND) { return window_text(other) == (c.elsewhere ? "b" : ""); }),
                        wait_until([](HWND) { return !key_hook_installed(); }),
                        inspect([&](HWND d) {
                            hook_after = key_hook_installed();
                            other_text = window_text(other);
                            status = item_text(d, IDC_MACRO_RECORD_STATUS);
                            SendMessageA(d, WM_HSCROLL, SB_LEFT, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MACRO_SCROLL)));
                            first_caption = item_text(d, IDC_MACRO_MAKE_STEP);
                            recorded.assign(edited().make_steps, edited().make_steps + step_count(edited().make_steps));
                        }),
                        click(c.cancel ? IDCANCEL : IDC_MACRO_OK)}));
    const INT_PTR result = open_editor();
    DestroyWindow(other);
    char expected_status[256];
    std::snprintf(expected_status, sizeof expected_status, c.status, static_cast<int>(recorded.size()));
    EXPECT_EQ(expected_status, status);
    auto delay_ms = [](long long pause_us) { return delay_step_for_pause(pause_us) ? delay_step_ms(delay_step_for_pause(pause_us)) : 0; };
    std::size_t at = 0, stroke = 0;
    for (int step : c.steps) {
        if (step != A_PAUSE) {
            ASSERT_LT(at, recorded.size());
            EXPECT_EQ(step, recorded[at++]) << "step " << at;
            ++stroke;
            continue;
        }
        // From the return of one SendInput (after the hook procedure's) to the call of the next,
        // and from the call of the one to the return of the next.
        const long long shortest = sent[stroke].first - sent[stroke - 1].second, longest = sent[stroke].second - sent[stroke - 1].first;
        const int ms = at < recorded.size() && is_delay_step(recorded[at]) ? delay_step_ms(recorded[at++]) : 0;
        std::printf("pause before stroke %zu: %.1f to %.1f ms, delay %d ms\n", stroke, shortest / 1e3, longest / 1e3, ms);
        EXPECT_GE(ms, delay_ms(shortest)) << "stroke " << stroke;
        EXPECT_LE(ms, delay_ms(longest)) << "stroke " << stroke;
    }
    EXPECT_EQ(at, recorded.size());
    EXPECT_TRUE(hook_while_recording && !hook_after) << "the keyboard is taken while recording, given back after";
    EXPECT_EQ(c.elsewhere ? "b" : "", other_text);
    EXPECT_EQ(c.steps[0] == ESC ? "Make\nEsc" : c.steps[0] == SHIFT ? "Make\nL Sft" : "Make\nA", first_caption);
    EXPECT_EQ(C | BREAK, edited().break_steps[0]) << "the other list stays";
    if (c.cancel) {
        EXPECT_EQ(-1, result);
        EXPECT_EQ(0, std::memcmp(&before, &edited(), sizeof before)) << "the macro as it was";
    } else {
        EXPECT_EQ(0x81 + edited_slot, result);
        EXPECT_EQ(0, std::memcmp(recorded.data(), edited().make_steps, recorded.size() * sizeof(int)));
    }
}

INSTANTIATE_TEST_SUITE_P(Recorder, MacroRecorderTest, testing::ValuesIn(RECORD_CASES));

}  // namespace
