// Exit, closing the window and New, each with every answer to the unsaved-changes question.
#include "harness.h"
#include "harness_images.h"

#include <cctype>
#include <tuple>

#include "config/config_model.h"

namespace {

const char* const SAVE_QUESTION = "The current configuration has changed.\nDo you want to save the changes?";

// Exit, the close box, and the end of the Windows session (log-off, shutdown).
enum class Ending { EXIT_COMMAND, CLOSE_MESSAGE, END_SESSION };

const char* ending_name(Ending ending) {
    return ending == Ending::EXIT_COMMAND ? "Exit" : ending == Ending::CLOSE_MESSAGE ? "Close" : "EndSession";
}

struct ExitCase {
    const char* what;
    bool changed;
    int answer;            // 0: no question expected
    int save_dialog;       // 0: no save dialog; IDOK: a file is chosen; IDCANCEL: cancelled
    bool ends;
};

const ExitCase EXIT_CASES[] = {
    {"unchanged", false, 0, 0, true},
    {"changed, Cancel", true, IDCANCEL, 0, false},
    {"changed, No", true, IDNO, 0, true},
    {"changed, Yes and saved", true, IDYES, IDOK, true},
    {"changed, Yes and the save cancelled", true, IDYES, IDCANCEL, false},
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.what; }
void PrintTo(Ending ending, std::ostream* out) { *out << ending_name(ending); }

}  // namespace

class ShellExit : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        attach_unit(1);
        start_app();
    }

    // Key A on the first cell: the image differs from the default in byte 1 only.
    void make_a_change() {
        config_model.key_table[cell_index(0, 0)] = 0x04;
        config_model.config_changed = 1;
    }

    void script(const ExitCase& c, const std::string& file) {
        if (c.answer) answer_boxes({c.answer});
        if (c.save_dialog == IDOK) on_dialog(file_name(file));
        if (c.save_dialog == IDCANCEL) on_dialog(click(IDCANCEL));
    }

    void expect_question(const ExitCase& c) {
        if (!c.answer) {
            EXPECT_TRUE(boxes().empty());
            return;
        }
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
        EXPECT_EQ("VELMARO Configuration Utility", boxes()[0].title);
        EXPECT_EQ(MB_ICONQUESTION, boxes()[0].icon);
        EXPECT_EQ("Yes No Cancel", boxes()[0].buttons);
        EXPECT_EQ(main_window, boxes()[0].owner);
    }

    void run_ending(Ending ending, const ExitCase& c) {
        SCOPED_TRACE(c.what);
        if (c.changed) make_a_change();
        std::string file = temp_path("exit.qzc");
        script(c, file);
        if (ending == Ending::EXIT_COMMAND) send_command(CMD_EXIT);
        if (ending == Ending::CLOSE_MESSAGE) SendMessageA(main_window, WM_CLOSE, 0, 0);
        if (ending == Ending::END_SESSION) {
            const LRESULT may_end = SendMessageA(main_window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            EXPECT_EQ(c.ends, may_end != FALSE) << "the answer to Windows";
            SendMessageA(main_window, WM_ENDSESSION, may_end, ENDSESSION_LOGOFF);
        }
        pump_idle();
        expect_question(c);
        EXPECT_EQ(c.ends, !IsWindow(main_window));
        EXPECT_EQ(c.ends, app_has_quit());
        if (c.ends) {
            EXPECT_EQ(0, app_quit_code());
        }
        std::vector<std::uint8_t> expected = default_image();
        expected[1] = 0x04;
        if (c.save_dialog == IDOK) {
            EXPECT_EQ(scrambled(expected), read_file_bytes(file));
        } else {
            EXPECT_FALSE(file_exists(file));
        }
        if (!c.ends) {
            EXPECT_EQ(1, config_model.config_changed);
        }
    }
};

class ShellEnding : public ShellExit, public testing::WithParamInterface<std::tuple<Ending, ExitCase>> {};

TEST_P(ShellEnding, AsksAboutUnsavedChangesThenEndsOrStays) {
    run_ending(std::get<0>(GetParam()), std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ShellEnding, testing::Combine(testing::Values(Ending::EXIT_COMMAND, Ending::CLOSE_MESSAGE, Ending::END_SESSION),
                                           testing::ValuesIn(EXIT_CASES)),
    [](const testing::TestParamInfo<std::tuple<Ending, ExitCase>>& info) {
        std::string name = std::string(ending_name(std::get<0>(info.param))) + "_";
        for (const char* c = std::get<1>(info.param).what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

TEST_F(ShellExit, CloseFromTheSystemMenuAsksToo) {
    make_a_change();
    answer_boxes({IDCANCEL});
    SendMessageA(main_window, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump_idle();
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
    EXPECT_TRUE(IsWindow(main_window));
}

TEST_F(ShellExit, TheMessageLoopReturnsZeroAfterExit) {
    PostMessageA(main_window, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, run_message_loop());
    EXPECT_FALSE(IsWindow(main_window));
}

// ---- New ------------------------------------------------------------------------------------

struct NewCase {
    const char* what;
    int answer;
    int save_dialog;
    bool resets;
};

void PrintTo(const NewCase& c, std::ostream* out) { *out << c.what; }

class ShellNew : public ShellExit, public testing::WithParamInterface<NewCase> {};

TEST_P(ShellNew, AsksThenLoadsTheDefaults) {
    const NewCase& c = GetParam();
    SendMessageA(rows_combo, CB_SETCURSEL, 2, 0);       // 3 rows
    SendMessageA(ghost_filter_check, BM_SETCHECK, BST_CHECKED, 0);
    make_a_change();
    std::string file = temp_path("new.qzc");
    answer_boxes({c.answer});
    if (c.save_dialog == IDOK) on_dialog(file_name(file));
    if (c.save_dialog == IDCANCEL) on_dialog(click(IDCANCEL));
    send_command(CMD_NEW);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
    EXPECT_EQ(c.resets ? 4 : 2, SendMessageA(rows_combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(c.resets ? BST_UNCHECKED : BST_CHECKED, SendMessageA(ghost_filter_check, BM_GETCHECK, 0, 0));
    EXPECT_EQ(c.resets ? 0 : 0x04, config_model.key_table[cell_index(0, 0)]);
    EXPECT_EQ(c.resets ? 0 : 1, config_model.config_changed);
    EXPECT_EQ(c.save_dialog == IDOK, file_exists(file));
    EXPECT_TRUE(IsWindow(main_window));
}

INSTANTIATE_TEST_SUITE_P(Answers, ShellNew,
                         testing::Values(NewCase{"Cancel", IDCANCEL, 0, false}, NewCase{"No", IDNO, 0, true},
                                         NewCase{"YesSaved", IDYES, IDOK, true},
                                         NewCase{"YesCancelled", IDYES, IDCANCEL, false}),
                         [](const testing::TestParamInfo<NewCase>& info) { return std::string(info.param.what); });

TEST_F(ShellExit, NewWithoutChangesDoesNotAsk) {
    SendMessageA(columns_combo, CB_SETCURSEL, 1, 0);
    send_command(CMD_NEW);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(3, SendMessageA(columns_combo, CB_GETCURSEL, 0, 0));
}
