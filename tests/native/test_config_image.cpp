// The configuration image: layout, pin order, macro records, the budget, and the checks
// that keep a bad image from touching the model.
#include <gtest/gtest.h>

#include <string>

#include "config/config_image.h"
#include "fake_ui.h"
#include "keys/key_codes.h"
#include "test_config_helpers.h"

namespace {
class ConfigImageTest : public ::testing::Test {
protected:
    void SetUp() override { reset_to_default_configuration(); }
};

Image build_ok() {
    Image image;
    image.fill(0xEE);
    EXPECT_TRUE(build_config_image(image.data()));
    return image;
}

bool all_zero(const Image& image) {
    for (std::uint8_t b : image)
        if (b != 0) return false;
    return true;
}

// Builds expecting failure with exactly one error message; returns that message.
std::string build_failure() {
    Image image;
    image.fill(0xEE);
    fake_messages.clear();
    const EngineSnapshot before = EngineSnapshot::take();
    EXPECT_FALSE(build_config_image(image.data()));
    EXPECT_TRUE(all_zero(image));
    EXPECT_TRUE(before.unchanged());
    if (fake_messages.size() != 1) return "(" + std::to_string(fake_messages.size()) + " messages)";
    EXPECT_EQ(MESSAGE_ERROR, fake_messages[0].kind);
    return fake_messages[0].text;
}
}  // namespace

// ---- layout -----------------------------------------------------------------------------

TEST_F(ConfigImageTest, DefaultConfigurationLayout) {
    const Image image = build_ok();
    for (int i = 0; i < IMAGE_PIN_LIST; ++i) ASSERT_EQ(0, image[i]) << "byte " << i;
    EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}), bytes_at(image, IMAGE_PIN_LIST, 9));
    EXPECT_EQ((std::vector<std::uint8_t>{0x4C, 0, 0, 5, 4, 0, 0}), bytes_at(image, 505, 7));
    EXPECT_TRUE(fake_messages.empty());
}

TEST_F(ConfigImageTest, OptionsByte) {
    const struct { bool single, ghost; std::uint8_t byte; } cases[] = {
        {false, false, 0x00}, {true, false, 0x01}, {false, true, 0x02}, {true, true, 0x03}};
    for (const auto& c : cases) {
        view->set_single_key_checked(c.single);
        view->set_ghost_filter_checked(c.ghost);
        EXPECT_EQ(c.byte, build_ok()[IMAGE_OPTIONS]) << c.single << c.ghost;
    }
}

TEST_F(ConfigImageTest, KeyTablesFollowThePinOrder) {
    set_matrix({4, 1}, {6, 3});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            config_model.key_table[cell_index(r, c)] = 0x0410 + 0x10 * r + c;    // repeat flag in the high byte
            config_model.fn_key_table[cell_index(r, c)] = 0x0120 + 0x10 * r + c;
        }
    const Image image = build_ok();
    EXPECT_EQ((std::vector<std::uint8_t>{4, 1, 6, 3, 0}), bytes_at(image, IMAGE_PIN_LIST, 5));
    // (column 2, row 2), (column 2, row 1), (column 1, row 2), (column 1, row 1)
    EXPECT_EQ((std::vector<std::uint8_t>{0x04, 0x21, 0x04, 0x11, 0x04, 0x20, 0x04, 0x10, 0, 0}),
              bytes_at(image, IMAGE_KEY_TABLE, 10));
    EXPECT_EQ((std::vector<std::uint8_t>{0x01, 0x31, 0x01, 0x21, 0x01, 0x30, 0x01, 0x20, 0, 0}),
              bytes_at(image, IMAGE_FN_TABLE, 10));
}

// ---- pins ---------------------------------------------------------------------------------

TEST_F(ConfigImageTest, PinCollisionsNameTheEarliestRepeatedEntry) {
    const struct { std::initializer_list<int> columns, rows; int pin; } cases[] = {
        {{2, 5}, {5, 2}, 2},
        {{1, 2, 3, 4}, {5, 6, 7, 8, 1}, 1},
        {{9, 1}, {3, 3}, 3},
        {{7, 7}, {1}, 7},
        {{1, 2, 3, 4, 5, 6, 7, 8}, {8}, 8},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        set_matrix(c.columns, c.rows);
        EXPECT_EQ("Error: Pin " + std::to_string(c.pin) + " is used for multiple scan lines", build_failure());
    }
}

TEST_F(ConfigImageTest, MatrixOutOfRangeIsRefused) {
    const struct { int rows, columns, column_pin; } cases[] = {
        {0, 4, 0}, {5, 0, 0}, {9, 1, 0}, {5, 5, 0}, {4, 4, 9}, {4, 4, -1}};
    for (const auto& c : cases) {
        reset_to_default_configuration();
        view->select_row_count(c.rows);
        view->select_column_count(c.columns);
        config_model.column_pins[0] = c.column_pin;
        config_model.row_pins[3] = 7;  // keep pins distinct where the counts allow it
        EXPECT_NE(std::string::npos, build_failure().find("out of range")) << c.rows << "x" << c.columns;
    }
}

// ---- macro records ------------------------------------------------------------------------

TEST_F(ConfigImageTest, MacroRecords) {
    const struct {
        const char* what;
        std::initializer_list<int> make, brk;
        std::vector<std::uint8_t> record;
        int referring_cell = 0;  // the cell of the normal table that runs the macro
        int column_4_pin = 3;    // pin index; 0 shares pin 1 with column 1
    } cases[] = {
        {"press, delay, release", {0x04, 0x0A7F, 0x84}, {}, {4, 0x04, 0x7F, 0x0A, 0x84, 0}},
        {"stops at the first empty step", {0x04, 0, 0x05}, {0x06}, {1, 0x04, 1, 0x06}},
        {"no steps", {}, {}, {0, 0}},
        {"delay of 256 units", {}, {0x007F}, {0, 2, 0x7F, 0x00}},
        {"break all, break flag", {KEY_BREAK_ALL}, {0x84, 0x85}, {1, 3, 2, 0x84, 0x85}},
        {"only a cell outside the matrix runs it: not in the image", {0x04}, {}, {}, cell_index(2, 5)},
        {"only a column on a pin used before runs it", {0x04}, {}, {}, cell_index(0, 3), 0},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        set_macro(0, c.make, c.brk);
        config_model.key_table[c.referring_cell] = KEY_FLAG_MACRO | 1;
        config_model.column_pins[3] = c.column_4_pin;
        int shared_pin = 0;
        Image image;
        ASSERT_TRUE(build_config_image_keeping_shared_pin(image.data(), shared_pin)) << c.what;
        EXPECT_EQ(c.record, bytes_at(image, IMAGE_MACRO_AREA, static_cast<int>(c.record.size()))) << c.what;
        for (int i = IMAGE_MACRO_AREA + static_cast<int>(c.record.size()); i < IMAGE_MACRO_END; ++i)
            ASSERT_EQ(0, image[i]) << c.what << " byte " << i;
    }
}

TEST_F(ConfigImageTest, SixteenDelaysTakeThirtyTwoBytes) {
    set_macro(0, {0x017F, 0x027F, 0x037F, 0x047F, 0x057F, 0x067F, 0x077F, 0x087F, 0x097F, 0x0A7F,
                  0x0B7F, 0x0C7F, 0x0D7F, 0x0E7F, 0x0F7F, 0x107F},
              {});
    config_model.fn_key_table[cell_index(4, 3)] = KEY_FLAG_MACRO | 1;
    const Image image = build_ok();
    EXPECT_EQ(32, image[IMAGE_MACRO_AREA]);
    EXPECT_EQ(0x7F, image[IMAGE_MACRO_AREA + 31]);
    EXPECT_EQ(0x10, image[IMAGE_MACRO_AREA + 32]);
    EXPECT_EQ(0, image[IMAGE_MACRO_AREA + 33]);  // empty break list
}

TEST_F(ConfigImageTest, FreeSlotBelowAnInUseOneIsAnEmptyRecord) {
    set_macro(0, {0x04}, {});
    set_macro(2, {0x06}, {0x86});
    config_model.key_table[cell_index(0, 0)] = KEY_FLAG_MACRO | 1;
    config_model.key_table[cell_index(1, 0)] = KEY_FLAG_MACRO | 3;
    const Image image = build_ok();
    EXPECT_EQ((std::vector<std::uint8_t>{1, 0x04, 0, 0, 0, 1, 0x06, 1, 0x86, 0}),
              bytes_at(image, IMAGE_MACRO_AREA, 10));
    set_macro(2, {}, {});
    ASSERT_TRUE(parse_config_image(image.data()));
    EXPECT_EQ(0x06, config_model.macro_slots[2].make_steps[0]);  // macro 3 found its own record
    EXPECT_EQ(0x86, config_model.macro_slots[2].break_steps[0]);
    EXPECT_EQ(0x04, config_model.macro_slots[0].make_steps[0]);
    EXPECT_EQ(0, config_model.macro_slots[1].in_use);  // the gap is free again after reopening
    EXPECT_EQ(image, build_ok());                       // and is written the same way again
}

TEST_F(ConfigImageTest, ReferencedMacroBeyondTheLastInUseSlotGetsARecord) {
    set_macro(0, {0x04}, {});
    config_model.fn_key_table[cell_index(2, 1)] = KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 3;
    Image image = build_ok();
    EXPECT_EQ((std::vector<std::uint8_t>{1, 0x04, 0, 0, 0, 0, 0}), bytes_at(image, IMAGE_MACRO_AREA, 7));
    ASSERT_TRUE(parse_config_image(image.data()));
    EXPECT_EQ(1, config_model.macro_slots[2].in_use);
}

namespace {
// A 19-byte macro: 15 key steps and a delay (budget 16 + 1 + 2, record 1 + 17 + 1).
void set_nineteen_byte_macro(int slot, int delay_count) {
    set_macro(slot, {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12,
                     (delay_count << 8) | KEY_DELAY}, {});
}
}  // namespace

TEST_F(ConfigImageTest, ExactBudgetFillsTheMacroAreaToByte494) {
    for (int slot = 0; slot < 21; ++slot) set_nineteen_byte_macro(slot, slot + 1);
    config_model.key_table[cell_index(1, 2)] = KEY_FLAG_MACRO | 21;
    ASSERT_EQ(MACRO_MEMORY_SIZE, macro_memory_used());
    const Image image = build_ok();
    EXPECT_EQ(17, image[IMAGE_MACRO_AREA + 20 * 19]);  // the last record's make count
    EXPECT_EQ(KEY_DELAY, image[492]);                  // its delay step ...
    EXPECT_EQ(21, image[493]);                         // ... and count
    EXPECT_EQ(0, image[494]);                          // its empty break list
    EXPECT_EQ(0, image[495]);
    EXPECT_EQ(1, image[IMAGE_PIN_LIST]);
}

TEST_F(ConfigImageTest, MacrosPastTheAreaFailInsteadOfBeingDropped) {
    const struct { const char* what; int first, last, extra_empty_slot; } cases[] = {
        {"an in-use slot without steps after a full area", 0, 20, 21},
        {"a full area above a free slot 0", 1, 21, -1},
        {"an in-use empty slot in the middle", 0, 20, -1},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        for (int slot = c.first; slot <= c.last; ++slot) set_nineteen_byte_macro(slot, 1);
        if (c.extra_empty_slot >= 0) set_macro(c.extra_empty_slot, {}, {});
        if (c.first == 0 && c.extra_empty_slot < 0) {  // move macro 11 up, leaving slot 10 in use but empty
            set_nineteen_byte_macro(21, 1);
            set_macro(10, {}, {});
        }
        config_model.key_table[cell_index(0, 0)] = KEY_FLAG_MACRO | 22;  // the image holds them all
        EXPECT_EQ(401, macro_memory_used()) << c.what << ": the memory figure says what the area needs";
        const std::string text = build_failure();
        EXPECT_NE(std::string::npos, text.find("401 bytes")) << c.what << ": " << text;
        EXPECT_NE(std::string::npos, text.find("macro area")) << c.what << ": " << text;
    }
}

TEST_F(ConfigImageTest, KeyReferringToAMacroAbove127IsRefused) {
    config_model.key_table[cell_index(0, 0)] = KEY_FLAG_MACRO | 0x80;
    EXPECT_NE(std::string::npos, build_failure().find("127"));
}

// The memory figure is every byte build writes into the macro area, so whatever the editor
// accepts builds: it is checked against the records build actually writes.
TEST_F(ConfigImageTest, MacroMemoryUsedIsWhatBuildWrites) {
    const struct {
        const char* what;
        std::initializer_list<int> slots;  // slots set to `make` / `brk`
        std::initializer_list<int> make, brk;
        int cell_macro;                    // macro number a covered cell runs, or 0
        int used;
    } cases[] = {
        {"nothing", {}, {}, {}, 0, 0},
        {"one step", {0}, {0x04}, {}, 0, 3},
        {"press and release", {0}, {0x04}, {0x84}, 0, 4},
        {"a delay counts twice", {0}, {0x0A7F}, {}, 0, 4},
        {"a 256-unit delay", {0}, {0x007F}, {}, 0, 4},
        {"steps after an empty one are not written", {0}, {0x04, 0, 0x05}, {}, 0, 3},
        {"an in-use macro without steps keeps its count bytes", {0}, {}, {}, 0, 2},
        {"free macro numbers below a used one", {5}, {0x04}, {}, 0, 5 * 2 + 3},
        {"a cell runs a free macro number", {0}, {0x04}, {}, 4, 3 + 3 * 2},
        {"sixteen delays on each side", {9}, {0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F,
                                             0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F, 0x17F}, {}, 0, 18 + 34},
        {"the first and the last slot", {0, 126}, {0x04, 0x05}, {0x0A7F}, 0, 6 + 125 * 2 + 6},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        for (int slot : c.slots) set_macro(slot, c.make, c.brk);
        if (c.cell_macro) config_model.key_table[cell_index(1, 1)] = KEY_FLAG_MACRO | c.cell_macro;
        EXPECT_EQ(c.used, macro_memory_used()) << c.what;
        const Image image = build_ok();
        int written = 0;
        for (int pos = IMAGE_MACRO_AREA; pos < IMAGE_MACRO_END; ++pos)
            if (image[pos] != 0) written = pos - IMAGE_MACRO_AREA + 1;
        EXPECT_LE(written, c.used) << c.what << ": build wrote past the figure";
    }
}

TEST_F(ConfigImageTest, MacroMemoryOfFreeLowerNumbersAndUncoveredCells) {
    set_macro(1, {0x04}, {});
    set_macro(2, {0x04, 0x05, 0x06}, {});
    EXPECT_EQ(2 + 3 + 5, macro_memory_used()) << "macro 1 free, macros 2 and 3 in use";
    config_model.key_table[cell_index(7, 0)] = KEY_FLAG_MACRO | 40;  // outside the 5 x 4 matrix
    EXPECT_EQ(2 + 3 + 5, macro_memory_used()) << "a cell outside the matrix is not written";
    config_model.fn_key_table[cell_index(4, 3)] = KEY_FLAG_MACRO | 6;
    EXPECT_EQ(2 + 3 + 5 + 3 * 2, macro_memory_used()) << "the FN table refers to macro 6";
}

TEST_F(ConfigImageTest, BuildLeavesTheModelAlone) {
    set_matrix({3, 1}, {2, 9, 4});
    set_macro(1, {0x04, 0x0A7F}, {0x84});
    config_model.key_table[5] = KEY_FLAG_MACRO | 2;
    config_model.config_changed = 1;
    const EngineSnapshot before = EngineSnapshot::take();
    build_ok();
    EXPECT_TRUE(before.unchanged());
}
// ---- parse --------------------------------------------------------------------------------

namespace {
// Refers macro number `n` from the first key-table entry.
void refer_macro(Image& image, int n) {
    image[IMAGE_KEY_TABLE] = KEY_FLAG_MACRO >> 8;
    image[IMAGE_KEY_TABLE + 1] = static_cast<std::uint8_t>(n);
}

// Writes `bytes` into the macro area from byte 96 + offset.
void put_macro_bytes(Image& image, int offset, std::initializer_list<int> bytes) {
    int pos = IMAGE_MACRO_AREA + offset;
    for (int b : bytes) image[pos++] = static_cast<std::uint8_t>(b);
}

// Six records of 16 delays on each side: 6 x 66 bytes, bytes 96 to 491.
void put_six_full_records(Image& image) {
    for (int r = 0; r < 6; ++r) {
        const int base = IMAGE_MACRO_AREA + 66 * r;
        image[base] = 32;
        image[base + 33] = 32;
        for (int i = 0; i < 16; ++i) {
            image[base + 1 + 2 * i] = KEY_DELAY;
            image[base + 2 + 2 * i] = 1;
            image[base + 34 + 2 * i] = KEY_DELAY;
            image[base + 35 + 2 * i] = 2;
        }
    }
}

// Changes the default model in every part that parse may replace.
void make_model_distinct() {
    set_matrix({9, 8, 7}, {1, 2, 3});
    for (int c = 0; c < KEY_TABLE_SIZE; ++c) {
        config_model.key_table[c] = 0x04 + c;
        config_model.fn_key_table[c] = 0x30;
    }
    set_macro(0, {0x04}, {0x84});
    set_macro(40, {0x0A7F}, {});
    view->set_single_key_checked(true);
    fn_view_active = true;
    config_model.config_changed = 1;
}
}  // namespace

TEST_F(ConfigImageTest, ParseChecks) {
    const struct {
        const char* what;
        int at, value;
        bool accepted;
    } cases[] = {
        {"rows 0", IMAGE_ROWS, 0, false},
        {"rows 9", IMAGE_ROWS, 9, false},
        {"columns 0", IMAGE_COLUMNS, 0, false},
        {"columns 9", IMAGE_COLUMNS, 9, false},
        {"5 rows and 5 columns", IMAGE_COLUMNS, 5, false},
        {"a pin 0", IMAGE_PIN_LIST + 2, 0, false},
        {"a pin 10", IMAGE_PIN_LIST + 8, 10, false},
        {"4 rows and 5 columns", IMAGE_COLUMNS, 5, true},
        {"no format mark", IMAGE_FORMAT_MARK_AT, 0x00, true},
        {"byte 506 set", 506, 0x55, true},
        {"unknown option bits", IMAGE_OPTIONS, 0xFC, true},
        {"validity mark O", IMAGE_VALID_MARK, VALID_MARK_FIRST, true},
        {"validity mark K", IMAGE_VALID_MARK + 1, VALID_MARK_SECOND, true},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        make_model_distinct();
        Image image = valid_image(5, 4);
        if (c.what == std::string("4 rows and 5 columns")) image[IMAGE_ROWS] = 4;
        image[c.at] = static_cast<std::uint8_t>(c.value);
        const EngineSnapshot before = EngineSnapshot::take();
        EXPECT_EQ(c.accepted, parse_config_image(image.data())) << c.what;
        if (!c.accepted) {
            EXPECT_TRUE(before.unchanged()) << c.what;
        } else {
            EXPECT_FALSE(fn_view_active) << c.what;
        }
        EXPECT_TRUE(fake_messages.empty()) << c.what;
    }
}

TEST_F(ConfigImageTest, MalformedMacroAreas) {
    const struct {
        const char* what;
        void (*fill)(Image&);
        bool accepted;
    } cases[] = {
        {"reference to macro 128", [](Image& i) { refer_macro(i, 128); }, false},
        {"reference to macro 255 from the FN table",
         [](Image& i) { i[IMAGE_FN_TABLE + 38] = 1; i[IMAGE_FN_TABLE + 39] = 255; }, false},
        {"17 make steps", [](Image& i) {
             refer_macro(i, 1);
             put_macro_bytes(i, 0, {17, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0});
         }, false},
        {"17 break steps", [](Image& i) {
             refer_macro(i, 1);
             put_macro_bytes(i, 0, {0, 17, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
         }, false},
        {"delay cut off by its count", [](Image& i) {
             refer_macro(i, 1);
             put_macro_bytes(i, 0, {2, 4, KEY_DELAY, 9, 0});
         }, false},
        {"break data past byte 495", [](Image& i) {
             refer_macro(i, 7);
             put_six_full_records(i);
             put_macro_bytes(i, 396, {2, KEY_DELAY, 5, 1});  // count at 495, its step at 496
         }, false},
        {"break count at byte 496", [](Image& i) {
             refer_macro(i, 7);
             put_six_full_records(i);
             put_macro_bytes(i, 396, {3, 4, 5, 6});
         }, false},
        {"make count 255", [](Image& i) { refer_macro(i, 1); put_macro_bytes(i, 0, {255}); }, false},
        {"records past the area for macro 127", [](Image& i) {
             refer_macro(i, 127);
             for (int pos = IMAGE_MACRO_AREA; pos < IMAGE_MACRO_END; pos += 2) i[pos] = 1;
         }, false},
        {"a record ending at byte 495", [](Image& i) {
             refer_macro(i, 7);
             put_six_full_records(i);
             put_macro_bytes(i, 396, {2, KEY_DELAY, 5, 0});
         }, true},
        {"sixteen delays", [](Image& i) { refer_macro(i, 6); put_six_full_records(i); }, true},
        {"127 empty records", [](Image& i) { refer_macro(i, 127); }, true},
        {"macro flag with number 0", [](Image& i) { refer_macro(i, 0); put_macro_bytes(i, 0, {255}); }, true},
        {"reference outside the used entries",
         [](Image& i) { i[40] = 1; i[41] = 200; }, true},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        make_model_distinct();
        Image image = valid_image(5, 4);
        c.fill(image);
        const EngineSnapshot before = EngineSnapshot::take();
        EXPECT_EQ(c.accepted, parse_config_image(image.data())) << c.what;
        if (!c.accepted) {
            EXPECT_TRUE(before.unchanged()) << c.what;
        }
    }
}

TEST_F(ConfigImageTest, ParseReadsRecordsUpToTheHighestReference) {
    Image image = valid_image(2, 2);
    image[IMAGE_FN_TABLE + 6] = (KEY_FLAG_MACRO | KEY_FLAG_REPEAT) >> 8;  // only the FN table refers
    image[IMAGE_FN_TABLE + 7] = 3;
    put_macro_bytes(image, 0, {1, 0x04, 0, 0, 0, 4, 0x05, KEY_DELAY, 0x0A, 0x85, 1, 3, 1, 0x07, 0});
    make_model_distinct();
    ASSERT_TRUE(parse_config_image(image.data()));
    const MacroSlot* slots = config_model.macro_slots;
    // The empty record that no key runs comes back as a free slot.
    EXPECT_EQ((std::vector<int>{1, 0, 1, 0}),
              (std::vector<int>{slots[0].in_use, slots[1].in_use, slots[2].in_use, slots[3].in_use}));
    EXPECT_EQ(0x04, slots[0].make_steps[0]);
    EXPECT_EQ(0, slots[0].break_steps[0]);
    EXPECT_EQ(0, slots[1].make_steps[0] | slots[1].break_steps[0]);  // the empty record
    EXPECT_EQ((std::vector<int>{0x05, 0x0A7F, 0x85, 0}),
              (std::vector<int>(slots[2].make_steps, slots[2].make_steps + 4)));
    EXPECT_EQ(0x03, slots[2].break_steps[0]);
    EXPECT_EQ(0, slots[40].in_use);  // an earlier macro beyond the records is gone
    EXPECT_EQ(0, slots[40].make_steps[0]);
}

TEST_F(ConfigImageTest, ParseTakesOverSettingsAndClearsTheCellsNotCovered) {
    make_model_distinct();  // 3 x 3
    Image image = valid_image(2, 2);
    image[IMAGE_PIN_LIST] = 5;  // columns on pins 5 and 2, rows on 3 and 4
    image[IMAGE_OPTIONS] = OPTION_FILTER_GHOST;
    for (int e = 0; e < 4; ++e) {
        image[IMAGE_KEY_TABLE + 2 * e + 1] = static_cast<std::uint8_t>(0x50 + e);
        image[IMAGE_FN_TABLE + 2 * e + 1] = static_cast<std::uint8_t>(0x60 + e);
    }
    ASSERT_TRUE(parse_config_image(image.data()));
    EXPECT_EQ(2, view->row_count());
    EXPECT_EQ(2, view->column_count());
    EXPECT_EQ((std::vector<int>{4, 1, 6}), (std::vector<int>(config_model.column_pins, config_model.column_pins + 3)));
    EXPECT_EQ((std::vector<int>{2, 3, 2}), (std::vector<int>(config_model.row_pins, config_model.row_pins + 3)));
    EXPECT_FALSE(view->single_key_checked());
    EXPECT_TRUE(view->ghost_filter_checked());
    // Column 2 (pin 2) comes first: entries 0, 1 are its rows 1, 2; then column 1 (pin 5).
    EXPECT_EQ(0x50, config_model.key_table[cell_index(0, 1)]);
    EXPECT_EQ(0x51, config_model.key_table[cell_index(1, 1)]);
    EXPECT_EQ(0x52, config_model.key_table[cell_index(0, 0)]);
    EXPECT_EQ(0x63, config_model.fn_key_table[cell_index(1, 0)]);
    // Not covered: Not Used, none of the codes of the model before stays hidden.
    EXPECT_EQ(KEY_NOT_USED, config_model.key_table[cell_index(2, 2)]);
    EXPECT_EQ(KEY_NOT_USED, config_model.key_table[cell_index(0, 2)]);
    EXPECT_EQ(KEY_NOT_USED, config_model.fn_key_table[cell_index(4, 3)]);
    EXPECT_EQ(1, config_model.config_changed);  // the caller clears it
}

TEST_F(ConfigImageTest, RepeatedPinInAnImageGivesCodesToTheFirstLineOnly) {
    Image image = valid_image(2, 2);
    image[IMAGE_PIN_LIST + 1] = 1;  // both columns on pin 1
    image[IMAGE_KEY_TABLE + 1] = 0x11;
    image[IMAGE_KEY_TABLE + 3] = 0x12;
    image[IMAGE_KEY_TABLE + 5] = 0x13;
    make_model_distinct();
    ASSERT_TRUE(parse_config_image(image.data()));
    EXPECT_EQ(0x11, config_model.key_table[cell_index(0, 0)]);
    EXPECT_EQ(0x12, config_model.key_table[cell_index(1, 0)]);
    EXPECT_EQ(KEY_NOT_USED, config_model.key_table[cell_index(0, 1)]);
    EXPECT_EQ("Error: Pin 1 is used for multiple scan lines", build_failure());
}

// Models made from a fixed pseudo-random sequence: build, parse into a cleared model and
// build again must give the same bytes and the same cells and macros.
TEST_F(ConfigImageTest, BuildParseBuildRoundTrips) {
    unsigned seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
    };
    for (int round = 0; round < 300; ++round) {
        reset_to_default_configuration();
        const int columns = 1 + next(8);
        const int rows = 1 + next(9 - columns);
        int pins[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        for (int i = 8; i > 0; --i) std::swap(pins[i], pins[next(i + 1)]);
        view->select_column_count(columns);
        view->select_row_count(rows);
        for (int i = 0; i < columns; ++i) config_model.column_pins[i] = pins[i];
        for (int i = 0; i < rows; ++i) config_model.row_pins[i] = pins[columns + i];
        const int macros = next(8);
        for (int slot = 0; slot < macros; ++slot) {
            MacroSlot& m = config_model.macro_slots[slot];
            m.in_use = 1;
            for (int i = 0, n = next(17); i < n; ++i) m.make_steps[i] = next(3) ? 4 + next(120) : (1 + next(255)) << 8 | KEY_DELAY;
            for (int i = 0, n = next(17); i < n; ++i) m.break_steps[i] = 0x80 | (4 + next(100));
        }
        // Any 16-bit code, except that macro references stay at most one past the macros.
        auto cell_code = [&]() {
            const int code = next(0x10000);
            return (code & KEY_FLAG_MACRO) ? (code & 0xFF00) | (1 + next(macros + 1)) : code;
        };
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                config_model.key_table[cell_index(r, c)] = cell_code();
                config_model.fn_key_table[cell_index(r, c)] = cell_code();
            }
        // The image keeps macros up to the highest one a key refers to: refer to the last.
        if (macros > 0) config_model.key_table[cell_index(next(rows), next(columns))] = KEY_FLAG_MACRO | macros;
        view->set_single_key_checked(next(2));
        view->set_ghost_filter_checked(next(2));
        const Image first = build_ok();
        const ConfigModel original = config_model;
        std::memset(&config_model, 0, sizeof config_model);
        ASSERT_TRUE(parse_config_image(first.data())) << "round " << round;
        const Image second = build_ok();
        for (int i = 0; i < CONFIG_IMAGE_SIZE; ++i)
            ASSERT_EQ(first[i], second[i]) << "round " << round << " byte " << i;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                ASSERT_EQ(original.key_table[cell_index(r, c)], config_model.key_table[cell_index(r, c)]);
                ASSERT_EQ(original.fn_key_table[cell_index(r, c)], config_model.fn_key_table[cell_index(r, c)]);
            }
        for (int slot = 0; slot < macros; ++slot)
            ASSERT_EQ(0, std::memcmp(&original.macro_slots[slot], &config_model.macro_slots[slot], sizeof(MacroSlot)))
                << "round " << round << " slot " << slot;
    }
}
