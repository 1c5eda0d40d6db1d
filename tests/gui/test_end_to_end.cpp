// A configuration made only through the user interface (keys, a repeat key, the FN key with
// an FN-table key, two macros with delays) survives Save, Write, New + Open and New + Read:
// the model and every cell caption come back the same each time.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/config_image.h"
#include "keys/key_codes.h"
#include "test_key_dialogs_steps.h"

namespace {

// What the user configured, as the model holds it and the editor shows it.
struct Snapshot {
    int rows = 0, columns = 0;
    std::vector<int> column_pins, row_pins, keys, fn_keys, macros;
    bool single_key = false, ghost_filter = false;
    std::vector<std::string> captions;

    bool operator==(const Snapshot& other) const {
        return rows == other.rows && columns == other.columns && column_pins == other.column_pins &&
               row_pins == other.row_pins && keys == other.keys && fn_keys == other.fn_keys &&
               macros == other.macros && single_key == other.single_key &&
               ghost_filter == other.ghost_filter && captions == other.captions;
    }
};

Snapshot take_snapshot() {
    Snapshot s;
    s.rows = view->row_count();
    s.columns = view->column_count();
    s.column_pins.assign(config_model.column_pins, config_model.column_pins + s.columns);
    s.row_pins.assign(config_model.row_pins, config_model.row_pins + s.rows);
    for (int row = 0; row < s.rows; ++row)
        for (int column = 0; column < s.columns; ++column) {
            s.keys.push_back(config_model.key_table[cell_index(row, column)]);
            s.fn_keys.push_back(config_model.fn_key_table[cell_index(row, column)]);
        }
    for (const MacroSlot& slot : config_model.macro_slots) {
        s.macros.push_back(slot.in_use);
        s.macros.insert(s.macros.end(), slot.make_steps, slot.make_steps + MACRO_STEP_COUNT);
        s.macros.insert(s.macros.end(), slot.break_steps, slot.break_steps + MACRO_STEP_COUNT);
    }
    s.single_key = view->single_key_checked();
    s.ghost_filter = view->ghost_filter_checked();
    for (int k = 0; k < visible_columns * visible_rows; ++k) s.captions.push_back(window_text(cell_buttons[k]));
    return s;
}

std::string describe(const Snapshot& s) {
    std::string text = std::to_string(s.rows) + "x" + std::to_string(s.columns) + " keys";
    for (int key : s.keys) text += " " + std::to_string(key);
    text += " fn";
    for (int key : s.fn_keys) text += " " + std::to_string(key);
    text += " macro 1:";
    for (int i = 0; i < 33; ++i) text += " " + std::to_string(s.macros[i]);
    text += " macro 2:";
    for (int i = 33; i < 66; ++i) text += " " + std::to_string(s.macros[i]);
    return text;
}

class EndToEndTest : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        HarnessOptions options;
        options.watchdog_ms = 50000;  // many dialogs in one test
        harness_begin(options);
        attach_unit(1);
        start_app();
    }

    void click_cell(int k, std::initializer_list<int> held = {}) {
        BYTE saved[256], state[256];
        GetKeyboardState(saved);
        std::copy(saved, saved + 256, state);
        for (int key : held) state[key] = 0x80;
        SetKeyboardState(state);
        SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(cell_buttons[k]));
        SetKeyboardState(saved);
        pump_idle();
    }
    void choose_key(int k, DialogAction action) {
        on_dialog(action);
        click_cell(k);
    }
    // In the macro editor: a step button, then the action dialog and, for a delay, the delay
    // entry; `dialogs` is how many dialogs the harness will have seen once they are done.
    DialogAction step(int button, size_t dialogs) { return sequence({click(button), after_dialogs(dialogs)}); }
};

}  // namespace

TEST_F(EndToEndTest, ConfigurationSurvivesSaveWriteOpenAndRead) {
    // Keys: a plain one, a repeat key, the FN key, and in the FN table a key under another cell.
    choose_key(0, click(2004));
    choose_key(1, sequence({press(IDC_KEY_REPEAT), wait_for_check(IDC_KEY_REPEAT, BST_CHECKED), click(2005)}));
    choose_key(2, click(2002));
    click_cell(2, {VK_RBUTTON});
    ASSERT_TRUE(fn_view_active);
    choose_key(3, click(2006));
    click_cell(2, {VK_RBUTTON});
    ASSERT_FALSE(fn_view_active);

    // Macro 1 on cell 4: A pressed, 100 ms, Break All when the input breaks.
    size_t seen = dialogs().size() + 1;
    on_dialog(sequence({step(IDC_MACRO_MAKE_STEP, seen + 1), step(IDC_MACRO_MAKE_STEP + 1, seen + 3),
                        step(IDC_MACRO_BREAK_STEP, seen + 4), click(IDC_MACRO_OK)}));
    on_dialog(click(2004));
    on_dialog(click(IDC_ACTION_DELAY));
    on_dialog(set_text(IDC_DELAY_EDIT, "100"), click(IDC_DELAY_OK));
    on_dialog(click(2003));
    click_cell(4, {VK_CONTROL});

    // Macro 2 on cell 5, with Repeat: left Shift pressed, 2560 ms, left Shift released.
    seen = dialogs().size() + 1;
    on_dialog(sequence({press(IDC_MACRO_REPEAT), wait_for_check(IDC_MACRO_REPEAT, BST_CHECKED),
                        step(IDC_MACRO_MAKE_STEP, seen + 1), step(IDC_MACRO_MAKE_STEP + 1, seen + 3),
                        step(IDC_MACRO_BREAK_STEP, seen + 4), click(IDC_MACRO_OK)}));
    on_dialog(click(2117));
    on_dialog(click(IDC_ACTION_DELAY));
    on_dialog(set_text(IDC_DELAY_EDIT, "3000"), click(IDC_DELAY_OK));
    on_dialog(click(2117));
    click_cell(5, {VK_CONTROL});

    // What the user sees and the model holds now.
    const Snapshot edited = take_snapshot();
    ASSERT_EQ(20u, edited.captions.size());
    EXPECT_EQ("A", edited.captions[0]);
    EXPECT_EQ("[Repeat]\nB", edited.captions[1]);
    EXPECT_EQ("FN [OFF]", edited.captions[2]);
    EXPECT_EQ("Macro\n(A, Delay, ...)", edited.captions[4]);
    EXPECT_EQ("[Repeat]\nMacro\n(L Sft, Delay, ...)", edited.captions[5]);
    EXPECT_EQ(4, config_model.key_table[cell_index(0, 0)]);
    EXPECT_EQ(0x405, config_model.key_table[cell_index(0, 1)]);
    EXPECT_EQ(KEY_FN, config_model.key_table[cell_index(0, 2)]);
    EXPECT_EQ(KEY_FN, config_model.fn_key_table[cell_index(0, 2)]);
    EXPECT_EQ(6, config_model.fn_key_table[cell_index(0, 3)]);
    EXPECT_EQ(0x101, config_model.key_table[cell_index(1, 0)]);
    EXPECT_EQ(0x502, config_model.key_table[cell_index(1, 1)]);
    const MacroSlot& first = config_model.macro_slots[0];
    EXPECT_EQ((std::vector<int>{4, 0x0A7F, 0}), std::vector<int>(first.make_steps, first.make_steps + 3));
    EXPECT_EQ(0x83, first.break_steps[0]);
    const MacroSlot& second = config_model.macro_slots[1];
    EXPECT_EQ((std::vector<int>{117, 0x007F, 0}), std::vector<int>(second.make_steps, second.make_steps + 3));
    EXPECT_EQ(0x80 | 117, second.break_steps[0]);
    EXPECT_EQ(1, config_model.config_changed);

    // Save.
    const std::string file = temp_path("e2e.qzc");
    on_dialog(file_name(file));
    send_command(CMD_SAVE);
    std::vector<std::uint8_t> saved = read_file_bytes(file);
    ASSERT_EQ(512u, saved.size());
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_TRUE(take_snapshot() == edited);

    // Write: the unit holds the file's image, marked valid.
    send_command(CMD_WRITE);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("The configuration was successfully saved to the VELMARO", boxes()[0].text);
    std::vector<std::uint8_t> on_unit = unit_image(1);
    ASSERT_EQ(512u, on_unit.size());
    scramble_config_bytes(saved.data());
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 510, on_unit.begin()));
    EXPECT_EQ('O', on_unit[510]);
    EXPECT_EQ('K', on_unit[511]);

    // New, then Open.
    send_command(CMD_NEW);
    ASSERT_FALSE(take_snapshot() == edited) << "New did not reset the configuration";
    on_dialog(file_name(file));
    send_command(CMD_OPEN);
    const Snapshot opened = take_snapshot();
    EXPECT_TRUE(opened == edited) << "edited: " << describe(edited) << "\nopened: " << describe(opened);
    EXPECT_EQ(1u, boxes().size()) << "no message";

    // New, then Read.
    send_command(CMD_NEW);
    ASSERT_FALSE(take_snapshot() == edited);
    send_command(CMD_READ);
    ASSERT_EQ(2u, boxes().size());
    EXPECT_EQ("The configuration was successfully read from the VELMARO", boxes()[1].text);
    const Snapshot read = take_snapshot();
    EXPECT_TRUE(read == edited) << "edited: " << describe(edited) << "\nread: " << describe(read);
    EXPECT_EQ(0, config_model.config_changed);

    // And the FN key still switches the view over the FN-table key.
    click_cell(2, {VK_RBUTTON});
    EXPECT_TRUE(fn_view_active);
    EXPECT_EQ("C\n\n<FN ON>", window_text(cell_buttons[3]));
}
