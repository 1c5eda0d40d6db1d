// Key names: the full name table in both forms, and how format_key_name treats the flags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_ui.h"
#include "keys/key_names.h"

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
