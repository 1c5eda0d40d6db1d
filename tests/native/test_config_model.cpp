// The model's defaults (New) and the unsaved-changes question.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "fake_ui.h"

namespace {
const char* const SAVE_CHANGES_TEXT =
    "The current configuration has changed.\nDo you want to save the changes?";

std::string temp_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("velmaro-model-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + name))
        .string();
}

// A model far from the defaults, with unsaved changes.
void make_edited_model() {
    view->select_row_count(2);
    view->select_column_count(3);
    config_model.column_pins[0] = 8;
    config_model.key_table[cell_index(1, 2)] = 0x04;
    config_model.fn_key_table[cell_index(0, 0)] = 0x05;
    config_model.macro_slots[3].in_use = 1;
    config_model.macro_slots[3].make_steps[0] = 0x06;
    view->set_single_key_checked(true);
    view->set_ghost_filter_checked(true);
    fn_view_active = true;
    config_model.config_changed = 1;
}

class ConfigModelTest : public ::testing::Test {
protected:
    void SetUp() override { reset_engine_state(); }
};

void expect_default_configuration() {
    EXPECT_EQ(5, view->row_count());
    EXPECT_EQ(4, view->column_count());
    const int columns[] = {0, 1, 2, 3, 8, 7, 6, 5};
    const int rows[] = {4, 5, 6, 7, 8, 7, 6, 5};
    for (int i = 0; i < MATRIX_MAX_LINES; ++i) {
        EXPECT_EQ(columns[i], config_model.column_pins[i]) << "column " << i;
        EXPECT_EQ(rows[i], config_model.row_pins[i]) << "row " << i;
    }
    for (int c = 0; c < KEY_TABLE_SIZE; ++c) {
        EXPECT_EQ(0, config_model.key_table[c]) << c;
        EXPECT_EQ(0, config_model.fn_key_table[c]) << c;
    }
    for (const MacroSlot& slot : config_model.macro_slots) {
        EXPECT_EQ(0, slot.in_use);
        for (int i = 0; i < MACRO_STEP_COUNT; ++i) EXPECT_EQ(0, slot.make_steps[i] | slot.break_steps[i]);
    }
    EXPECT_FALSE(view->single_key_checked());
    EXPECT_FALSE(view->ghost_filter_checked());
    EXPECT_FALSE(fn_view_active);
    EXPECT_EQ(0, config_model.config_changed);
}
}  // namespace

TEST_F(ConfigModelTest, StartUpNewGivesTheDefaultsWithoutAPrompt) {
    new_configuration();
    expect_default_configuration();
    EXPECT_TRUE(fake_messages.empty());
    EXPECT_EQ(1, fake_refresh_count);
}

TEST_F(ConfigModelTest, NewAnswers) {
    struct Case {
        MessageAnswer answer;
        bool reset;
    } cases[] = {{ANSWER_CANCEL, false}, {ANSWER_NO, true}, {ANSWER_OK, false}};
    for (const Case& c : cases) {
        reset_engine_state();
        make_edited_model();
        script_answer(c.answer);
        new_configuration();
        ASSERT_EQ(1u, fake_messages.size()) << c.answer;
        EXPECT_EQ(MESSAGE_SAVE_CHANGES, fake_messages[0].kind);
        EXPECT_EQ(SAVE_CHANGES_TEXT, fake_messages[0].text);
        if (c.reset) {
            expect_default_configuration();
        } else {
            EXPECT_EQ(2, view->row_count()) << c.answer;
            EXPECT_EQ(0x04, config_model.key_table[cell_index(1, 2)]) << c.answer;
            EXPECT_TRUE(fn_view_active) << c.answer;
            EXPECT_EQ(1, config_model.config_changed) << c.answer;
            EXPECT_EQ(0, fake_refresh_count) << c.answer;
        }
    }
}

TEST_F(ConfigModelTest, NewWithYesAndCollidingPinsShowsThePinErrorAndStops) {
    make_edited_model();
    config_model.column_pins[1] = 8;  // column 1 is on pin 9 already
    script_answer(ANSWER_YES);
    new_configuration();
    EXPECT_EQ((std::vector<std::string>{SAVE_CHANGES_TEXT, "Error: Pin 9 is used for multiple scan lines"}),
              fake_message_texts());
    EXPECT_TRUE(fake_dialogs.empty());
    EXPECT_EQ(2, view->row_count());
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(ConfigModelTest, AskSaveChanges) {
    const std::string path = temp_path("ask.qzc");
    struct Case {
        const char* what;
        unsigned char changed;
        MessageAnswer answer;
        bool choose_file;
        bool proceed;
        bool written;
    } cases[] = {
        {"unchanged: no prompt", 0, ANSWER_CANCEL, false, true, false},
        {"cancel", 1, ANSWER_CANCEL, false, false, false},
        {"no", 1, ANSWER_NO, false, true, false},
        {"yes, saved", 1, ANSWER_YES, true, true, true},
        {"yes, save dialog cancelled", 1, ANSWER_YES, false, false, false},
    };
    for (const Case& c : cases) {
        reset_to_default_configuration();
        std::remove(path.c_str());
        config_model.config_changed = c.changed;
        script_answer(c.answer);
        if (c.choose_file) script_file(path); else script_file_cancel();
        EXPECT_EQ(c.proceed, ask_save_changes()) << c.what;
        EXPECT_EQ(c.changed ? 1u : 0u, fake_messages.size()) << c.what;
        EXPECT_EQ(c.written, std::filesystem::exists(path)) << c.what;
        EXPECT_EQ(c.written ? 0 : c.changed, config_model.config_changed) << c.what;
    }
    std::remove(path.c_str());
}

TEST_F(ConfigModelTest, NewKeepsTheFileName) {
    const std::string path = temp_path("keep.qzc");
    reset_to_default_configuration();
    script_file(path);
    ASSERT_TRUE(save_configuration_file());
    new_configuration();
    EXPECT_EQ(path, config_model.config_file_name);
    fake_dialogs.clear();
    script_file_cancel();
    save_configuration_file();
    ASSERT_EQ(1u, fake_dialogs.size());
    EXPECT_EQ(path, fake_dialogs[0].offered);
    std::remove(path.c_str());
}
