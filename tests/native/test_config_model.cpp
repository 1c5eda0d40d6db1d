// The model's defaults (New), the unsaved-changes question, and the edit history (Undo, Redo).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "config/config_edit.h"
#include "config/config_file.h"
#include "config/config_history.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "config/config_snapshot.h"
#include "keys/key_codes.h"
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

// ---- The edit history ------------------------------------------------------------------------

namespace {

// Everything the window shows of a configuration, the view included, and its image.
struct ShownState {
    int rows, columns;
    bool single_key, ghost_filter, fn_view;
    int column_pins[MATRIX_MAX_LINES], row_pins[MATRIX_MAX_LINES];
    int keys[KEY_TABLE_SIZE], fn_keys[KEY_TABLE_SIZE];
    MacroSlot macros[MACRO_SLOT_COUNT];
    bool built;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    std::string file_name;
};

ShownState shown_state() {
    ShownState s;
    s.rows = view->row_count();
    s.columns = view->column_count();
    s.single_key = view->single_key_checked();
    s.ghost_filter = view->ghost_filter_checked();
    s.fn_view = fn_view_active;
    std::memcpy(s.column_pins, config_model.column_pins, sizeof s.column_pins);
    std::memcpy(s.row_pins, config_model.row_pins, sizeof s.row_pins);
    std::memcpy(s.keys, config_model.key_table, sizeof s.keys);
    std::memcpy(s.fn_keys, config_model.fn_key_table, sizeof s.fn_keys);
    std::memcpy(s.macros, config_model.macro_slots, sizeof s.macros);
    s.built = build_config_image(s.image);  // zeroed when the pins clash or the macros overflow
    s.file_name = config_model.config_file_name;
    return s;
}

// Where the first difference lies, or "" when the two are the same.
std::string difference(const ShownState& a, const ShownState& b) {
    if (a.rows != b.rows || a.columns != b.columns) return "counts";
    if (a.single_key != b.single_key || a.ghost_filter != b.ghost_filter) return "options";
    if (a.fn_view != b.fn_view) return "view";
    if (std::memcmp(a.column_pins, b.column_pins, sizeof a.column_pins) ||
        std::memcmp(a.row_pins, b.row_pins, sizeof a.row_pins))
        return "pins";
    if (std::memcmp(a.keys, b.keys, sizeof a.keys)) return "key table";
    if (std::memcmp(a.fn_keys, b.fn_keys, sizeof a.fn_keys)) return "FN table";
    if (std::memcmp(a.macros, b.macros, sizeof a.macros)) return "macros";
    if (a.built != b.built || std::memcmp(a.image, b.image, sizeof a.image)) return "image";
    if (a.file_name != b.file_name) return "file name";
    return "";
}

// Applies random edits of every kind the user can make, the way the editors make them, and
// keeps what the window showed before and after each recorded step.
class RandomEditor {
public:
    explicit RandomEditor(unsigned seed) : random_(seed) {}

    std::vector<ShownState> before, after;  // of step i (index i - 1)
    int saved = 0;                            // steps made when last saved, -1 when gone

    // One random edit; returns whether it was a step (and checks the history agrees). A Read
    // saves, unless saving is over (`may_save` false), when it is taken as an Import.
    bool edit(bool may_save = true) {
        const ShownState start = shown_state();
        const unsigned char changed_before = config_model.config_changed;
        const int kind = pick(0, 11);
        if (kind == 8) {  // Read: a whole configuration loaded, then saved
            load_other_configuration();
            return finish(start, changed_before, history_record_step({start.fn_view, FOCUS_NONE, 0, 0}), may_save);
        }
        if (kind == 9) {  // Import: the configuration and the file name that Save proposes
            history_begin_edit();
            load_other_configuration();
            std::snprintf(config_model.config_file_name, CONFIG_FILE_NAME_SIZE, "import-%d.QZC", pick(1, 3));
            return finish(start, changed_before, history_record_step({start.fn_view, FOCUS_NONE, 0, 0}), false);
        }
        history_begin_edit();
        HistoryPlace place{fn_view_active, FOCUS_NONE, 0, 0};
        switch (kind) {
        case 0: case 1: edit_cell(place); break;
        case 2: edit_macro_session(place); break;
        case 3: edit_count(place); break;
        case 4: edit_pin(place); break;
        case 5: view->set_single_key_checked(!view->single_key_checked()); break;
        case 6: view->set_ghost_filter_checked(!view->ghost_filter_checked()); break;
        default: switch_fn_view(place); break;
        }
        return finish(start, changed_before, history_record_step(place), false);
    }

    void save() {
        history_mark_saved();
        saved = static_cast<int>(after.size());
    }

private:
    std::mt19937 random_;

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    int random_code() {
        switch (pick(0, 11)) {
        case 0: return KEY_NOT_USED;
        case 1: return KEY_FN;
        case 2: return KEY_FLAG_MACRO | pick(1, 6);
        case 3: return KEY_FLAG_REPEAT | KEY_FLAG_MACRO | pick(1, 6);
        case 4: case 5: return KEY_FLAG_REPEAT | pick(4, 101);
        default: return pick(4, 101);
        }
    }

    void fill_macro(MacroSlot& slot) {
        slot = MacroSlot();
        slot.in_use = 1;
        for (int i = pick(1, 6); i > 0; --i) slot.make_steps[pick(0, 15)] = pick(0, 1) ? pick(4, 101) : pick(1, 30) * 256 + KEY_DELAY;
        for (int i = pick(0, 4); i > 0; --i) slot.break_steps[pick(0, 15)] = 0x80 | pick(4, 101);
    }

    // Mostly the cells of a 5 x 4 matrix, at times any of the 64.
    int random_cell() { return pick(0, 7) ? cell_index(pick(0, 4), pick(0, 3)) : pick(0, KEY_TABLE_SIZE - 1); }

    // A key chosen for a cell (sometimes the same key again); a macro left behind is freed.
    void edit_cell(HistoryPlace& place) {
        const int cell = random_cell();
        const bool fn_table = pick(0, 3) == 0;
        const int* table = fn_table ? config_model.fn_key_table : config_model.key_table;
        const int old_code = table[cell], old_fn_entry = config_model.fn_key_table[cell];
        const int code = pick(0, 4) == 0 ? old_code : random_code();
        store_cell_code(fn_table, cell, code);
        place = {fn_view_active, FOCUS_CELL, cell / 8, cell % 8};
        for (int left : {old_code, old_fn_entry}) {
            const int n = macro_number_of(left);
            if (n < 1 || model_refers_to_macro(n, 8, 8)) continue;
            const MacroSlot& slot = config_model.macro_slots[n - 1];
            EXPECT_EQ(0, slot.in_use | slot.make_steps[0] | slot.break_steps[0]) << "macro " << n << " left behind";
        }
    }

    // A macro editor session that ended with OK: new steps (or none changed) and the cell's code.
    void edit_macro_session(HistoryPlace& place) {
        const int cell = random_cell();
        const int number = pick(1, 6);
        if (pick(0, 4) != 0) fill_macro(config_model.macro_slots[number - 1]);
        if (config_model.macro_slots[number - 1].in_use)
            store_cell_code(fn_view_active, cell, KEY_FLAG_MACRO | number);
        place = {fn_view_active, FOCUS_CELL, cell / 8, cell % 8};
    }

    void edit_count(HistoryPlace& place) {
        const bool rows = pick(0, 1) == 1;
        const int count = pick(1, 8);
        if (rows) {
            view->select_row_count(count);
            if (count + view->column_count() > 9) view->select_column_count(9 - count);
            place = {fn_view_active, FOCUS_ROW, count - 1, 0};
        } else {
            view->select_column_count(count);
            if (count + view->row_count() > 9) view->select_row_count(9 - count);
            place = {fn_view_active, FOCUS_COLUMN, 0, count - 1};
        }
    }

    void edit_pin(HistoryPlace& place) {
        const int line = pick(0, 7);
        if (pick(0, 1)) {
            config_model.row_pins[line] = pick(0, 8);
            place = {fn_view_active, FOCUS_ROW, line, 0};
        } else {
            config_model.column_pins[line] = pick(0, 8);
            place = {fn_view_active, FOCUS_COLUMN, 0, line};
        }
    }

    // The FN view gesture on the FN key: only its first use, which writes the FN table, is a
    // step. Without an FN key, the FN key is chosen for a cell instead.
    void switch_fn_view(HistoryPlace& place) {
        for (int cell = 0; cell < KEY_TABLE_SIZE; ++cell) {
            if (config_model.key_table[cell] != KEY_FN) continue;
            place = {fn_view_active, FOCUS_CELL, cell / 8, cell % 8};
            config_model.fn_key_table[cell] = KEY_FN;
            fn_view_active = !fn_view_active;
            return;
        }
        const int cell = random_cell();
        store_cell_code(false, cell, KEY_FN);
        place = {fn_view_active, FOCUS_CELL, cell / 8, cell % 8};
    }

    // Read or Import: a configuration of its own, with a macro that no cell refers to.
    void load_other_configuration() {
        ConfigSnapshot loaded;
        capture_configuration(loaded);
        loaded.rows = pick(1, 4);
        loaded.columns = pick(1, 5);
        for (int row = 0; row < MATRIX_MAX_LINES; ++row)
            for (int column = 0; column < MATRIX_MAX_LINES; ++column) loaded.keys[row][column] = pick(0, 2) ? pick(4, 101) : 0;
        loaded.keys[0][0] = KEY_FLAG_MACRO | pick(1, 6);
        fill_macro(loaded.macros[pick(0, 5)]);
        apply_configuration(loaded);
    }

    bool finish(const ShownState& start, unsigned char changed_before, bool recorded, bool read) {
        const ShownState end = shown_state();
        ShownState same_view = end;
        same_view.fn_view = start.fn_view;  // the view alone is no change
        const bool changed = !difference(start, same_view).empty();
        EXPECT_EQ(changed, recorded) << "a step is recorded exactly when the configuration changed";
        if (recorded) {
            before.push_back(start);
            after.push_back(end);
            if (saved > static_cast<int>(after.size()) - 1) saved = -1;  // the redo steps went
            EXPECT_EQ(1, config_model.config_changed);
        } else {
            EXPECT_EQ(changed_before, config_model.config_changed) << "no step leaves the unsaved flag";
        }
        if (read) save();
        return recorded;
    }
};

}  // namespace

// Long random sequences of edits: undoing every step gives back the first configuration byte
// for byte, each undo in the view where its step was made, and redoing gives back the last;
// the unsaved flag follows the saved state. Beyond the limit, the oldest steps go.
TEST_F(ConfigModelTest, UndoAndRedoGiveBackEveryStateOfLongRandomEdits) {
    struct Case {
        unsigned seed;
        int steps;        // recorded steps wanted
        int undo_after;   // after undoing all and redoing all: undo these, then edit anew (0: not)
        int saves_until;  // Save now and then while fewer steps than this were made
    } cases[] = {{1, 40, 0, 40}, {2, HISTORY_STEP_LIMIT, 0, 1000}, {3, 160, 0, 1000}, {4, 160, 0, 30}, {5, 60, 20, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        reset_engine_state();
        new_configuration();
        RandomEditor editor(c.seed);
        for (int attempt = 0; static_cast<int>(editor.after.size()) < c.steps && attempt < 20 * c.steps; ++attempt) {
            const bool may_save = static_cast<int>(editor.after.size()) < c.saves_until;
            editor.edit(may_save);
            if (attempt % 17 == 5 && may_save) editor.save();
            ASSERT_FALSE(::testing::Test::HasFailure());
        }
        const int made = static_cast<int>(editor.after.size());
        ASSERT_EQ(c.steps, made);
        const int kept = made < HISTORY_STEP_LIMIT ? made : HISTORY_STEP_LIMIT;
        const int oldest = made - kept;  // steps before it were dropped
        ASSERT_EQ(kept, history_undo_count());
        EXPECT_EQ(0, history_redo_count());
        // Back to the start, one step at a time.
        for (int step = made; step > oldest; --step) {
            SCOPED_TRACE("undo of step " + std::to_string(step));
            ASSERT_TRUE(history_undo(nullptr));
            ASSERT_EQ("", difference(editor.before[step - 1], shown_state()));
            EXPECT_EQ(step - 1 == editor.saved ? 0 : 1, config_model.config_changed);
        }
        EXPECT_FALSE(history_undo(nullptr)) << "nothing left to undo";
        if (oldest == 0) {
            EXPECT_EQ("", difference(editor.before[0], shown_state())) << "the first configuration";
        }
        // And forward again.
        for (int step = oldest + 1; step <= made; ++step) {
            SCOPED_TRACE("redo of step " + std::to_string(step));
            ASSERT_TRUE(history_redo(nullptr));
            ASSERT_EQ("", difference(editor.after[step - 1], shown_state()));
            EXPECT_EQ(step == editor.saved ? 0 : 1, config_model.config_changed);
        }
        EXPECT_FALSE(history_redo(nullptr)) << "nothing left to redo";
        if (c.undo_after > 0) {
            // A new edit after some undos drops the steps that could be redone.
            for (int i = 0; i < c.undo_after; ++i) ASSERT_TRUE(history_undo(nullptr));
            editor.before.resize(made - c.undo_after);
            editor.after.resize(made - c.undo_after);
            if (editor.saved > made - c.undo_after) editor.saved = -1;
            while (!editor.edit()) {
            }
            EXPECT_EQ(0, history_redo_count());
            EXPECT_EQ(made - c.undo_after + 1, history_undo_count());
            ASSERT_TRUE(history_undo(nullptr));
            EXPECT_EQ("", difference(editor.before.back(), shown_state()));
        }
    }
}
