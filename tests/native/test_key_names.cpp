// Key names: the full name table in both forms, and how format_key_name treats the flags.
// Key identity (scan codes to key numbers, row by row of the on-screen keyboard), the key
// tester's bounce rule, macro bursts and texts, and the macro recorder's steps, delay rounding,
// held keys and stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "fake_ui.h"
#include "keys/key_identity.h"
#include "keys/key_names.h"
#include "keys/key_tester.h"
#include "keys/keyboard_layout.h"

namespace {
struct NameCase {
    int key;
    const char* short_name;
    const char* long_name;
};

// Every key number whose two forms differ, and the single-form names that are easy to get
// wrong (punctuation, escapes, the doubled ampersand).
const NameCase NAMED_KEYS[] = {
    {3, "BREAK ALL", "BREAK ALL"},     {30, "1 !", "1 !"},
    {36, "7 &&", "7 &&"},              {39, "0 )", "0 )"},
    {40, "Ent", "Enter"},              {41, "Esc", "Esc"},
    {42, "Bksp", "Backspace"},         {43, "Tab", "Tab"},
    {44, "Space", "Space"},            {45, "- _", "- _"},
    {46, "= +", "= +"},                {47, "[ {", "[ {"},
    {48, "] }", "] }"},                {49, "\\ |", "\\ |"},
    {50, "# ~", "# ~"},                {51, "; :", "; :"},
    {52, "' \"", "' \""},              {53, "` ~", "` ~"},
    {54, ", <", ", <"},                {55, ". >", ". >"},
    {56, "/ ?", "/ ?"},                {57, "Caps", "Caps"},
    {70, "Prt Scn", "Print Screen"},   {71, "Scrl Lk", "Scrl Lock"},
    {72, "Pause", "Pause"},            {73, "Insert", "Insert"},
    {74, "Home", "Home"},              {75, "Pg Up", "Page Up"},
    {76, "Del", "Delete"},             {77, "End", "End"},
    {78, "Pg Dn", "Page Down"},        {79, "Right", "Right Arrow"},
    {80, "Left", "Left Arrow"},        {81, "Down", "Down Arrow"},
    {82, "Up", "Up Arrow"},            {83, "Num Lk", "Num Lock"},
    {84, "/ (N)", "/ (Num)"},          {85, "* (N)", "* (Num)"},
    {86, "- (N)", "- (Num)"},          {87, "+ (N)", "+ (Num)"},
    {88, "Ent (N)", "Enter (Num)"},    {98, "0 (N)", "0 (Num)"},
    {99, ". (N)", ". (Num)"},          {100, "\\ |", "\\ |"},
    {101, "Win Apl", "Win Apl"},       {116, "L Ctrl", "Left Ctrl"},
    {117, "L Sft", "Left Shift"},      {118, "L Alt", "Left Alt"},
    {119, "L Win", "Left Win"},        {120, "R Ctrl", "Right Ctrl"},
    {121, "R Sft", "Right Shift"},     {122, "R Alt", "Right Alt"},
    {123, "R Win", "Right Win"},       {127, "Delay", "Delay"},
};

std::string formatted(int code, int short_form, const char* before = "") {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s", before);
    const std::size_t start = std::string(before).size();
    format_key_name(code, short_form, buffer + start);
    return buffer;
}

class KeyNames : public ::testing::Test {
protected:
    void SetUp() override { reset_engine_state(); }
};
}  // namespace

TEST_F(KeyNames, NamedKeysInBothForms) {
    for (const NameCase& c : NAMED_KEYS) {
        EXPECT_EQ(c.short_name, formatted(c.key, 1)) << "key " << c.key;
        EXPECT_EQ(c.long_name, formatted(c.key, 0)) << "key " << c.key;
        EXPECT_STREQ(c.short_name, key_name(c.key, true)) << "key " << c.key;
        EXPECT_STREQ(c.long_name, key_name(c.key, false)) << "key " << c.key;
    }
}

TEST_F(KeyNames, RunsOfKeysInOrder) {
    for (int i = 0; i < 26; ++i)  // 4-29: A to Z
        EXPECT_EQ(std::string(1, static_cast<char>('A' + i)), formatted(4 + i, 0)) << 4 + i;
    const char* digits[] = {"1 !", "2 @", "3 #", "4 $", "5 %", "6 ^", "7 &&", "8 *", "9 (", "0 )"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(digits[i], formatted(30 + i, 1)) << 30 + i;
    for (int i = 0; i < 12; ++i)  // 58-69: F1 to F12
        EXPECT_EQ("F" + std::to_string(i + 1), formatted(58 + i, 0)) << 58 + i;
    for (int i = 0; i < 9; ++i) {  // 89-97: keypad digits 1 to 9
        EXPECT_EQ(std::to_string(i + 1) + " (N)", formatted(89 + i, 1)) << 89 + i;
        EXPECT_EQ(std::to_string(i + 1) + " (Num)", formatted(89 + i, 0)) << 89 + i;
    }
}

TEST_F(KeyNames, UnassignedNumbersAreNotUsed) {
    std::vector<int> unassigned = {0, 1, 124, 125, 126};
    for (int key = 102; key <= 115; ++key) unassigned.push_back(key);
    for (int key : unassigned) {
        EXPECT_EQ("Not Used", formatted(key, 1)) << key;
        EXPECT_EQ("Not Used", formatted(key, 0)) << key;
    }
    EXPECT_STREQ("Not Used", key_name(-1, true));
    EXPECT_STREQ("Not Used", key_name(128, false));
}

TEST_F(KeyNames, FnFollowsTheFnView) {
    for (int short_form : {0, 1}) {
        fn_view_active = false;
        EXPECT_EQ("FN [OFF]", formatted(KEY_FN, short_form));
        fn_view_active = true;
        EXPECT_EQ("FN [ON]", formatted(KEY_FN, short_form));
    }
}

TEST_F(KeyNames, NoNameIsLongerThanTheBufferAllows) {
    for (int code = 0; code < 0x800; ++code) {
        const std::string text = formatted(code, code & 1);
        EXPECT_LE(text.size(), static_cast<std::size_t>(KEY_NAME_MAX)) << code;
    }
}

TEST_F(KeyNames, FlagsDecideBetweenReplacePrefixAndAppend) {
    struct Case {
        int code;
        int short_form;
        const char* before;
        const char* expected;
    } cases[] = {
        {0x404, 1, "", "[Repeat]\nA"},
        {0x42A, 1, "", "[Repeat]\nBksp"},
        {0x42A, 0, "", "[Repeat]\nBackspace"},
        {0x400, 0, "", "[Repeat]\nNot Used"},
        {0x404, 0, "old", "old[Repeat]\nA"},        // the prefix replaces only from out on
        {0x105, 0, "Macro\n(", "Macro\n(B"},        // macro flag: appended
        {0x505, 1, "x", "xB"},                      // macro + repeat: appended, no prefix
        {0x205, 1, "y", "yB"},                      // bit 9: appended
        {0x305, 0, "z", "zB"},
        {0x605, 0, "w", "wB"},
        {0x705, 0, "v", "vB"},
        {0x004, 0, "", "A"},
        {0x884, 0, "", "A"},                        // bit 11 and the break flag are ignored
        {0xFFFF & (0x0A7F & KEY_NUMBER_MASK), 1, "", "Delay"},
        {0x84 & KEY_NUMBER_MASK, 1, "", "A"},
        {36, 0, "", "7 &&"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, formatted(c.code, c.short_form, c.before))
            << "code 0x" << std::hex << c.code << " after \"" << c.before << "\"";
}

TEST_F(KeyNames, NoFlagsAndRepeatReplaceWhatWasThere) {
    const struct { int code; const char* expected; } cases[] = {
        {0x004, "A"}, {0x404, "[Repeat]\nA"}, {0x104, "Leftover textA"}};
    for (const auto& c : cases) {
        char buffer[64] = "Leftover text";
        format_key_name(c.code, 0, buffer);
        EXPECT_STREQ(c.expected, buffer) << std::hex << c.code;
    }
}

// ---- Key identity -----------------------------------------------------------------------------

namespace {
struct ScanCase {
    int scan;
    bool extended;
    int key;
};
constexpr bool E0 = true, PLAIN = false;

// The key numbers of one row of the on-screen keyboard, from the layout table itself.
#define LAYOUT_KEY_NUMBER(caption, number, x, row, width, height) number,
#define LAYOUT_SKIP(caption, number, x, row, width, height)
const std::vector<int> LAYOUT_ROWS[] = {
    {KEYBOARD_FUNCTION_ROW(LAYOUT_KEY_NUMBER)},
    {KEYBOARD_NUMBER_ROW(LAYOUT_KEY_NUMBER)},
    {KEYBOARD_TOP_ROW(LAYOUT_KEY_NUMBER)},
    {KEYBOARD_HOME_ROW(LAYOUT_KEY_NUMBER, LAYOUT_SKIP)},
    {KEYBOARD_BOTTOM_ROW(LAYOUT_KEY_NUMBER)},
    {KEYBOARD_SPACE_ROW(LAYOUT_KEY_NUMBER)},
};

// Each key of each row as a key event carries it (set 1 scan code, the E0 flag). Keys that share
// a virtual key with another (keypad and editing block, both Enter, Ctrl and Alt keys, Print
// Screen and keypad *, Pause and Num Lock) are told apart by these two alone.
const std::vector<ScanCase> SCAN_ROWS[] = {
    {{0x01, PLAIN, 41}, {0x3B, PLAIN, 58}, {0x3C, PLAIN, 59}, {0x3D, PLAIN, 60}, {0x3E, PLAIN, 61},
     {0x3F, PLAIN, 62}, {0x40, PLAIN, 63}, {0x41, PLAIN, 64}, {0x42, PLAIN, 65}, {0x43, PLAIN, 66},
     {0x44, PLAIN, 67}, {0x57, PLAIN, 68}, {0x58, PLAIN, 69}, {0x37, E0, 70}, {0x54, PLAIN, 70},
     {0x46, PLAIN, 71}, {0x45, PLAIN, 72}, {0x46, E0, 72}},
    {{0x29, PLAIN, 53}, {0x02, PLAIN, 30}, {0x03, PLAIN, 31}, {0x04, PLAIN, 32}, {0x05, PLAIN, 33},
     {0x06, PLAIN, 34}, {0x07, PLAIN, 35}, {0x08, PLAIN, 36}, {0x09, PLAIN, 37}, {0x0A, PLAIN, 38},
     {0x0B, PLAIN, 39}, {0x0C, PLAIN, 45}, {0x0D, PLAIN, 46}, {0x0E, PLAIN, 42}, {0x52, E0, 73},
     {0x47, E0, 74}, {0x49, E0, 75}, {0x45, E0, 83}, {0x35, E0, 84}, {0x37, PLAIN, 85}, {0x4A, PLAIN, 86}},
    {{0x0F, PLAIN, 43}, {0x10, PLAIN, 20}, {0x11, PLAIN, 26}, {0x12, PLAIN, 8}, {0x13, PLAIN, 21},
     {0x14, PLAIN, 23}, {0x15, PLAIN, 28}, {0x16, PLAIN, 24}, {0x17, PLAIN, 12}, {0x18, PLAIN, 18},
     {0x19, PLAIN, 19}, {0x1A, PLAIN, 47}, {0x1B, PLAIN, 48}, {0x2B, PLAIN, 49}, {0x53, E0, 76},
     {0x4F, E0, 77}, {0x51, E0, 78}, {0x47, PLAIN, 95}, {0x48, PLAIN, 96}, {0x49, PLAIN, 97}, {0x4E, PLAIN, 87}},
    {{0x3A, PLAIN, 57}, {0x1E, PLAIN, 4}, {0x1F, PLAIN, 22}, {0x20, PLAIN, 7}, {0x21, PLAIN, 9},
     {0x22, PLAIN, 10}, {0x23, PLAIN, 11}, {0x24, PLAIN, 13}, {0x25, PLAIN, 14}, {0x26, PLAIN, 15},
     {0x27, PLAIN, 51}, {0x28, PLAIN, 52}, {0x1C, PLAIN, 40}, {0x4B, PLAIN, 92}, {0x4C, PLAIN, 93},
     {0x4D, PLAIN, 94}},
    {{0x2A, PLAIN, 117}, {0x2C, PLAIN, 29}, {0x2D, PLAIN, 27}, {0x2E, PLAIN, 6}, {0x2F, PLAIN, 25},
     {0x30, PLAIN, 5}, {0x31, PLAIN, 17}, {0x32, PLAIN, 16}, {0x33, PLAIN, 54}, {0x34, PLAIN, 55},
     {0x35, PLAIN, 56}, {0x36, PLAIN, 121}, {0x36, E0, 121}, {0x48, E0, 82}, {0x4F, PLAIN, 89},
     {0x50, PLAIN, 90}, {0x51, PLAIN, 91}, {0x1C, E0, 88}},
    {{0x1D, PLAIN, 116}, {0x5B, E0, 119}, {0x38, PLAIN, 118}, {0x39, PLAIN, 44}, {0x38, E0, 122},
     {0x5C, E0, 123}, {0x5D, E0, 101}, {0x1D, E0, 120}, {0x4B, E0, 80}, {0x50, E0, 81}, {0x4D, E0, 79},
     {0x52, PLAIN, 98}, {0x53, PLAIN, 99}},
};
}  // namespace

TEST(KeyIdentity, EveryKeyOfTheOnScreenKeyboardRowByRow) {
    for (size_t row = 0; row < std::size(SCAN_ROWS); ++row) {
        SCOPED_TRACE("keyboard row " + std::to_string(row + 1));
        std::set<int> layout(LAYOUT_ROWS[row].begin(), LAYOUT_ROWS[row].end());
        layout.erase(KEY_NOT_USED);
        std::set<int> covered;
        for (const ScanCase& c : SCAN_ROWS[row]) {
            EXPECT_EQ(c.key, key_number_of_scan(c.scan, c.extended))
                << "scan 0x" << std::hex << c.scan << (c.extended ? " E0" : "");
            EXPECT_TRUE(is_keyboard_key(c.key)) << c.key;
            covered.insert(c.key);
        }
        EXPECT_EQ(layout, covered) << "the row's keys and the cases differ";
    }
}

TEST(KeyIdentity, KeysWithoutANumber) {
    const ScanCase cases[] = {
        {0x00, PLAIN, 0}, {0x01, E0, 0}, {0x1E, E0, 0}, {0x5B, PLAIN, 0}, {0x7F, PLAIN, 0}, {0x5E, E0, 0},
    };
    for (const ScanCase& c : cases)
        EXPECT_EQ(0, key_number_of_scan(c.scan, c.extended)) << std::hex << c.scan << " " << c.extended;
    for (int key : {0, 1, KEY_FN, KEY_BREAK_ALL, 102, 115, 124, KEY_DELAY}) EXPECT_FALSE(is_keyboard_key(key)) << key;
    EXPECT_EQ(100, key_number_of_scan(0x56, false)) << "the ISO key beside left Shift";
}

// ---- The key tester -----------------------------------------------------------------------------

namespace {
constexpr int A = 4, ESC = 41, Q = 20, TAB = 43;

struct TimedEvent {
    int key;
    bool down;
    long long time_us;
    KeyEventKind kind;
    long long gap_us;
};
}  // namespace

TEST(KeyTester, BounceRuleAtExactTimes) {
    const std::vector<TimedEvent> sequence = {
        {A, false, 0, KEY_EVENT_STRAY_RELEASE, 0},
        {A, true, 1000, KEY_EVENT_PRESS, 0},
        {A, true, 31000, KEY_EVENT_REPEAT, 0},       // held: the keyboard repeats
        {A, true, 61000, KEY_EVENT_REPEAT, 0},
        {A, false, 100000, KEY_EVENT_RELEASE, 0},
        {A, true, 104000, KEY_EVENT_BOUNCE, 4000},
        {A, false, 110000, KEY_EVENT_RELEASE, 0},
        {A, true, 129999, KEY_EVENT_BOUNCE, 19999},  // just under the limit
        {A, false, 200000, KEY_EVENT_RELEASE, 0},
        {A, true, 220000, KEY_EVENT_PRESS, 20000},   // exactly 20 ms: not a bounce
        {ESC, true, 220500, KEY_EVENT_PRESS, 0},     // another key: times of its own
        {A, false, 230000, KEY_EVENT_RELEASE, 0},
        {ESC, false, 231000, KEY_EVENT_RELEASE, 0},
        {ESC, true, 231100, KEY_EVENT_BOUNCE, 100},
        {A, true, 900000, KEY_EVENT_PRESS, 670000},
    };
    KeyTimes times = {};
    for (size_t i = 0; i < sequence.size(); ++i) {
        const TimedEvent& e = sequence[i];
        long long gap = -1;
        EXPECT_EQ(e.kind, classify_key_event(times, e.key, e.down, e.time_us, &gap)) << "event " << i;
        EXPECT_EQ(e.gap_us, gap) << "event " << i;
    }
}

namespace {
constexpr int C = 6, V = 25, X = 27, Z = 29, LCTRL = 116, LSHIFT = 117, BRK = KEY_FLAG_BREAK;
constexpr long long EXPIRE = -1;  // in a TesterStep's key: time passes up to time_us, no key comes
int delay_of(int count) { return count * 256 + KEY_DELAY; }

struct TesterStep {
    int key;
    bool down;
    long long time_us;
    const char* status;   // nullptr: nothing shown changes
    int tested;
};

class KeyTesterTexts : public ::testing::Test {
protected:
    // A 3 x 4 matrix: rows on pins 4, 5 and 6, columns on pins 1, 2, 3 and 7.
    //   Row 1: Esc      A          Macro(A, ...)   \ |
    //   Row 2: FN       Macro(Break A)  Tab        # ~
    //   Row 3: Macros 3 to 6, as `made` below
    // FN table: Q at row 2, column 3.
    void SetUp() override {
        reset_engine_state();
        view->select_row_count(3);
        view->select_column_count(4);
        config_model.row_pins[0] = 3;
        config_model.row_pins[1] = 4;
        config_model.row_pins[2] = 5;
        for (int c = 0; c < 3; ++c) config_model.column_pins[c] = c;
        config_model.column_pins[3] = 6;
        config_model.key_table[cell_index(0, 0)] = ESC;
        config_model.key_table[cell_index(0, 1)] = A | KEY_FLAG_REPEAT;
        config_model.key_table[cell_index(0, 2)] = KEY_FLAG_MACRO | 1;
        config_model.key_table[cell_index(0, 3)] = 49;
        config_model.key_table[cell_index(1, 0)] = KEY_FN;
        config_model.key_table[cell_index(1, 1)] = KEY_FLAG_MACRO | 2;
        config_model.key_table[cell_index(1, 2)] = TAB;
        config_model.key_table[cell_index(1, 3)] = 50;
        config_model.key_table[cell_index(3, 0)] = Q;   // outside the matrix: never counted
        config_model.fn_key_table[cell_index(1, 2)] = Q;
        config_model.macro_slots[0].in_use = 1;
        config_model.macro_slots[0].make_steps[0] = A;
        config_model.macro_slots[0].make_steps[1] = 5;
        config_model.macro_slots[1].in_use = 1;
        config_model.macro_slots[1].make_steps[0] = A | KEY_FLAG_BREAK;
        const int made[4][4] = {{LCTRL, V, V | BRK, LCTRL | BRK}, {delay_of(5), X, X | BRK},
                                {C, C | BRK, C, C | BRK}, {LSHIFT, delay_of(30), Z, KEY_BREAK_ALL}};
        for (int m = 0; m < 4; ++m) {
            config_model.key_table[cell_index(2, m)] = KEY_FLAG_MACRO | (3 + m);
            config_model.macro_slots[2 + m].in_use = 1;
            std::copy(made[m], made[m] + 4, config_model.macro_slots[2 + m].make_steps);
        }
    }
};

}  // namespace

TEST_F(KeyTesterTexts, CodesThatAPressSends) {
    const struct { int code; int key; } cases[] = {
        {ESC, ESC}, {A | KEY_FLAG_REPEAT, A}, {KEY_FLAG_MACRO | 1, A}, {KEY_FLAG_MACRO | 2, 0},
        {KEY_FN, 0}, {KEY_FN | KEY_FLAG_REPEAT, 0}, {KEY_NOT_USED, 0}, {KEY_BREAK_ALL, 0},
        {KEY_FLAG_MACRO | 7, 0} /* an empty macro */, {KEY_FLAG_MACRO, 0}, {110, 0}, {121, 121},
        {KEY_FLAG_MACRO | 4, X} /* after its delay */, {50, 49} /* # ~ has the scan code of \ | */,
    };
    for (const auto& c : cases) EXPECT_EQ(c.key, key_sent_by_code(c.code)) << std::hex << c.code;
    EXPECT_EQ(10, testable_cell_count()) << "all but FN and the macro that only releases A";
    config_model.macro_slots[1].break_steps[0] = 5;
    EXPECT_EQ(5, key_sent_by_code(KEY_FLAG_MACRO | 2)) << "nothing pressed when made: the first key of the breaks";
}

TEST_F(KeyTesterTexts, StatusAndCountAlongAPressSequence) {
    const char* const PLAIN_A = "A: Row 1 (pin 4) \xD7 Col 2 (pin 2)";
    const char* const BOTH_A = "A: 2 cells: Row 1 (pin 4) \xD7 Col 2 (pin 2), Row 1 (pin 4) \xD7 Col 3 (pin 3) (macro)";
    const TesterStep steps[] = {
        {ESC, true, 0, "Esc: Row 1 (pin 4) \xD7 Col 1 (pin 1)", 1},
        {ESC, true, 30000, nullptr, 1},
        {ESC, false, 50000, nullptr, 1},
        {A, true, 60000, BOTH_A, 3},
        {ESC, true, 54000, "Esc bounced: pressed again 4 ms after its release", 2},  // not the macro: no B came
        {Q, true, 70000, "Q: FN table, Row 2 (pin 5) \xD7 Col 3 (pin 3)", 2},
        {5, true, 80000,
         "B: no cell of this configuration sends it (the unit may hold another configuration: Tools, Compare with "
         "VELMARO)", 2},
        {0, true, 90000, "This key has no VELMARO key number: no cell can send it", 2},
        {TAB, true, 100000, "Tab: Row 2 (pin 5) \xD7 Col 3 (pin 3)", 3},
        {A, false, 200000, nullptr, 3},
        {5, false, 200000, nullptr, 3},
        // The key events of a macro come as a burst when its cell is pressed: one press of that cell.
        {LCTRL, true, 1000000, "Macro 3 (L Ctrl, V, ...): Row 3 (pin 6) \xD7 Col 1 (pin 1)", 4},
        {V, true, 1003000, nullptr, 4},  // no cell sends V: it is the macro's
        {V, false, 1009000, nullptr, 4},
        {LCTRL, false, 1012000, nullptr, 4},
        {C, true, 1100000, "Macro 5 (C, C, ...): Row 3 (pin 6) \xD7 Col 3 (pin 3)", 5},
        {C, false, 1102000, nullptr, 5},
        {C, true, 1104000, nullptr, 5},  // 2 ms after its release, but the macro's: no bounce
        {C, false, 1106000, nullptr, 5},
        {C, true, 1112000, "C bounced: pressed again 6 ms after its release", 5},  // the cell bounces
        {X, true, 1200000, "Macro 4 (Delay, X, ...): Row 3 (pin 6) \xD7 Col 2 (pin 2)", 6},  // a first delay
        {X, false, 1201000, nullptr, 6},
        {LSHIFT, true, 1300000, "Macro 6 (L Sft, Delay, ...): Row 3 (pin 6) \xD7 Col 4 (pin 7)", 7},
        {Z, true, 2400000, nullptr, 7},  // its delay of 300 ms came 0.8 s late: the last moment it may
        {LSHIFT, false, 2401000, nullptr, 7},  // Break All, in any order
        {Z, false, 2402000, nullptr, 7},
        {A, true, 3000000, BOTH_A, 8},
        {A, false, 3050000, PLAIN_A, 7},  // the macro would have sent B
        {A, true, 4000000, BOTH_A, 8},
        {5, true, 4002000, "Macro 1 (A, B): Row 1 (pin 4) \xD7 Col 3 (pin 3)", 8},
        {5, false, 4004000, nullptr, 8},
        {A, false, 4006000, nullptr, 8},
        {A, true, 5000000, BOTH_A, 8},
        {EXPIRE, false, 5500000, nullptr, 8},
        {EXPIRE, false, 5500001, PLAIN_A, 8},  // B overdue
        {A, false, 6000000, nullptr, 8},
        {49, true, 7000000, "\\ |: 2 cells: Row 1 (pin 4) \xD7 Col 4 (pin 7), Row 2 (pin 5) \xD7 Col 4 (pin 7)", 10},
    };
    KeyTester tester;
    reset_key_tester(tester);
    for (const TesterStep& s : steps) {
        char status[256] = "unchanged";
        const bool shown = s.key == EXPIRE ? key_tester_expire(tester, s.time_us, status, sizeof status)
                                           : key_tester_event(tester, s.key, s.down, s.time_us, status, sizeof status);
        EXPECT_EQ(s.status != nullptr, shown) << s.key << " at " << s.time_us;
        if (s.status) {
            EXPECT_STREQ(s.status, status) << s.key << " at " << s.time_us;
        }
        EXPECT_EQ(s.tested, tested_cell_count(tester)) << s.key << " at " << s.time_us;
    }
    EXPECT_TRUE(tester.bounced[cell_index(0, 0)]);
    EXPECT_FALSE(tester.bounced[cell_index(0, 1)]);
    EXPECT_TRUE(tester.lit[cell_index(1, 3)]);
    EXPECT_FALSE(tester.lit[cell_index(0, 0)]) << "only the last press lights";
    char count[64];
    format_tested_count(3, 8, count, sizeof count);
    EXPECT_STREQ("3 of 8 keys tested", count);
    const int* presses = tester.presses;
    EXPECT_EQ((std::vector<int>{1, 1, 2, 1}), std::vector<int>(presses + cell_index(2, 0), presses + cell_index(2, 4)));
    EXPECT_EQ((std::vector<int>{3, 1, 1, 1}), (std::vector<int>{presses[cell_index(0, 1)], presses[cell_index(0, 2)],
                                                               presses[cell_index(0, 3)], presses[cell_index(1, 3)]}));
    char held[128];
    format_held_keys(tester, held, sizeof held);
    EXPECT_STREQ("Held down: C, Q, Esc, Tab, \\ |", held) << "C stays down after its bounce";
    clear_key_tester_marks(tester);
    key_tester_lost_keyboard(tester);
    format_held_keys(tester, held, sizeof held);
    EXPECT_STREQ("Held down: none", held);
    EXPECT_EQ(0, tested_cell_count(tester));
}

TEST_F(KeyTesterTexts, ManyCellsAreCountedAndTheFirstThreeNamed) {
    for (int c = 0; c < 3; ++c) config_model.key_table[cell_index(1, c)] = ESC;
    KeyTester tester;
    reset_key_tester(tester);
    char status[256];
    ASSERT_TRUE(key_tester_event(tester, ESC, true, 0, status, sizeof status));
    EXPECT_STREQ("Esc: 4 cells: Row 1 (pin 4) \xD7 Col 1 (pin 1), Row 2 (pin 5) \xD7 Col 1 (pin 1), "
                 "Row 2 (pin 5) \xD7 Col 2 (pin 2), ...", status);
    EXPECT_EQ(4, tested_cell_count(tester));
}

// ---- The macro recorder -------------------------------------------------------------------------

TEST(MacroRecorder, PausesRoundDownToTenMilliseconds) {
    const struct { long long pause_us; int step; } cases[] = {
        {0, 0},          {9999, 0},          {10000, 0x017F},    {19999, 0x017F},  {20000, 0x027F},
        {150400, 0x0F7F}, {2559999, 0xFF7F}, {2560000, 0x007F}, {60000000, 0x007F},
    };
    for (const auto& c : cases) EXPECT_EQ(c.step, delay_step_for_pause(c.pause_us)) << c.pause_us << " us";
}

namespace {
struct RecordedEvent {
    int key;
    bool down;
    long long time_us;
};
struct RecordCase {
    const char* name;
    bool with_delays;
    std::vector<RecordedEvent> events;
    std::vector<int> steps;
    RecordResult last;
    const char* status = nullptr;  // after the events, and Stop while it records; nullptr: not looked at
    long long quiet_us = 0;        // after a stop by itself: when the keys typed after it are given back
};
}  // namespace

TEST(MacroRecorder, StepsFromKeyEvents) {
    std::vector<RecordedEvent> seventeen;
    for (int i = 0; i < 9; ++i) {
        seventeen.push_back({A + i, true, i * 1000});
        seventeen.push_back({A + i, false, i * 1000 + 500});
    }
    std::vector<int> sixteen;
    for (int i = 0; i < 8; ++i) {
        sixteen.push_back(A + i);
        sixteen.push_back((A + i) | BRK);
    }
    // Shift held while A to G are typed, then H: no room for H, its release and Shift's.
    std::vector<RecordedEvent> shift_held = {{LSHIFT, true, 0}};
    shift_held.insert(shift_held.end(), seventeen.begin(), seventeen.begin() + 16);
    std::vector<int> shift_steps = {LSHIFT};
    shift_steps.insert(shift_steps.end(), sixteen.begin(), sixteen.begin() + 14);
    shift_steps.push_back(LSHIFT | BRK);
    std::vector<RecordedEvent> paused_press(seventeen.begin(), seventeen.begin() + 14);  // A to G, a pause, 1
    paused_press.push_back({30, true, 100000});
    const RecordCase cases[] = {
        {"A with delays", true, {{A, true, 0}, {A, false, 150000}}, {A, delay_of(15), A | BRK}, RECORD_GOING},
        {"A without", false, {{A, true, 0}, {A, false, 150000}}, {A, A | BRK}, RECORD_GOING},
        {"a release pressed before", true, {{LSHIFT, false, 0}, {A, true, 50000}, {A, false, 52000}},
         {A, A | BRK}, RECORD_GOING},
        {"held keys repeat", true, {{A, true, 0}, {A, true, 30000}, {A, true, 60000}, {A, false, 65000}},
         {A, delay_of(6), A | BRK}, RECORD_GOING},
        {"shifted, pauses under 10 ms", true,
         {{LSHIFT, true, 0}, {A, true, 9999}, {A, false, 29999}, {LSHIFT, false, 3029999}},
         {LSHIFT, A, delay_of(2), A | BRK, delay_of(0), LSHIFT | BRK}, RECORD_GOING},
        {"keys without a number", false, {{0, true, 0}, {KEY_FN, true, 1}, {A, true, 2}}, {A, A | BRK}, RECORD_GOING,
         "Stopped: 2 steps recorded. The release of A was added."},
        {"sixteen steps stop it; the keys after are swallowed", false, seventeen, sixteen, RECORD_FULL,
         "Stopped: the list is full, 16 steps recorded. Keys typed after the stop were not recorded.", 508000},
        {"Shift held over a full list", false, shift_held, shift_steps, RECORD_FULL,
         "Stopped: the list is full, 16 steps recorded. The release of L Sft was added. Keys typed after the stop "
         "were not recorded.", 507000},
        {"Stop with keys held releases the last pressed first", false,
         {{LCTRL, true, 0}, {LSHIFT, true, 1}, {V, true, 2}, {V, false, 3}},
         {LCTRL, LSHIFT, V, V | BRK, LSHIFT | BRK, LCTRL | BRK}, RECORD_GOING,
         "Stopped: 6 steps recorded. The releases of L Sft, L Ctrl were added."},
        {"a delay and its key would not fit: the true count", true, paused_press, {sixteen.begin(), sixteen.begin() + 14},
         RECORD_FULL, "Stopped: the list is full, 14 steps recorded. Keys typed after the stop were not recorded.",
         600000},
        {"eight keys held: the list fills with their releases", true,
         [] {
             std::vector<RecordedEvent> e;
             for (int i = 0; i < 15; ++i) e.push_back({A + i, true, i * 1000});
             e.push_back({30, true, 100000});
             return e;
         }(),
         [] {
             std::vector<int> s;
             for (int i = 0; i < 16; ++i) s.push_back(i < 8 ? A + i : (A + 15 - i) | BRK);
             return s;
         }(),
         RECORD_FULL},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        reset_engine_state();
        MacroSlot& slot = config_model.macro_slots[0];
        slot.in_use = 1;
        slot.make_steps[0] = 6;   // replaced by the recording
        slot.break_steps[0] = 6 | BRK;
        MacroRecorder recorder;
        start_recording(recorder, slot, c.with_delays);
        RecordResult last = RECORD_GOING;
        for (const RecordedEvent& e : c.events) {
            const RecordResult result = record_key_event(recorder, e.key, e.down, e.time_us);
            if (last != RECORD_GOING)
                EXPECT_EQ(RECORD_SWALLOWED, result) << "after the stop";
            else
                last = result;
        }
        EXPECT_EQ(c.last, last);
        if (recorder.state == RECORDER_RECORDING) stop_recording(recorder);
        std::vector<int> steps(slot.make_steps, slot.make_steps + MACRO_STEP_COUNT);
        std::vector<int> expected = c.steps;
        expected.resize(MACRO_STEP_COUNT, 0);
        EXPECT_EQ(expected, steps);
        EXPECT_EQ(6 | BRK, slot.break_steps[0]) << "the break list stays";
        char status[256];
        format_record_status(recorder, last == RECORD_FULL ? STOP_FULL : STOP_BY_USER, status, sizeof status);
        if (c.status) {
            EXPECT_STREQ(c.status, status);
        }
        if (c.quiet_us) {
            EXPECT_FALSE(recorder_quiet(recorder, c.quiet_us - 1));
            EXPECT_TRUE(recorder_quiet(recorder, c.quiet_us));
        }
    }
}

TEST(MacroRecorder, AStepThatWouldNotFitStopsIt) {
    reset_engine_state();
    // Other macros take 394 bytes: 11 full slots of 34 and one of 20.
    for (int s = 0; s < 12; ++s) {
        MacroSlot& other = config_model.macro_slots[s];
        other.in_use = 1;
        const int steps = s < 11 ? 32 : 18;
        for (int i = 0; i < steps; ++i) (i < 16 ? other.make_steps[i] : other.break_steps[i - 16]) = A;
    }
    ASSERT_EQ(394, macro_memory_used());
    MacroSlot& slot = config_model.macro_slots[12];  // right after them: no empty record between
    slot.in_use = 1;
    MacroRecorder recorder;
    start_recording(recorder, slot, true);
    EXPECT_EQ(RECORD_GOING, record_key_event(recorder, A, true, 0));          // 3 bytes, 1 kept: 398
    EXPECT_EQ(RECORD_NO_MEMORY, record_key_event(recorder, A, false, 50000));  // delay + break: 400
    EXPECT_EQ(A, slot.make_steps[0]);
    EXPECT_EQ(A | BRK, slot.make_steps[1]) << "the release, without its delay";
    EXPECT_EQ(398, macro_memory_used());
    char status[256];
    format_record_status(recorder, STOP_NO_MEMORY, status, sizeof status);
    EXPECT_STREQ("Stopped: the macro memory is full, 2 steps recorded. The release of A was added.", status);
    MacroRecorder without;
    start_recording(without, slot, false);
    EXPECT_EQ(RECORD_GOING, record_key_event(without, A, true, 0));
    EXPECT_EQ(RECORD_GOING, record_key_event(without, A, false, 50000));      // 398
    EXPECT_EQ(RECORD_NO_MEMORY, record_key_event(without, 5, true, 60000));   // B and its release: 400
    EXPECT_EQ(398, macro_memory_used());
}
