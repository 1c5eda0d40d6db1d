// velmaroctl's key notation: one name per key number, both directions for every key number,
// cell code and step, the aliases import accepts, and the problems it names.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "keys/key_notation.h"
#include "keys/key_codes.h"
#include "keys/key_names.h"
#include "unit_commands.h"

namespace {
std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// ---- names ------------------------------------------------------------------------------

TEST(CliKeyNames, EveryKeyNumberHasOneNameThatLeadsBackToIt) {
    std::set<std::string> seen;
    for (int key = 0; key <= KEY_NUMBER_MASK; ++key) {
        const std::string name = key_number_name(key);
        ASSERT_FALSE(name.empty()) << key;
        EXPECT_EQ(key, find_key_number(name)) << name;
        EXPECT_TRUE(seen.insert(lower(name)).second) << "name shared: " << name;
    }
    EXPECT_EQ("", key_number_name(-1));
    EXPECT_EQ("", key_number_name(128));
}

TEST(CliKeyNames, NamesAreTheLongDisplayNamesWhereThoseAreUnambiguous) {
    const std::set<int> renamed = {1, 2, 3, 36, 100};
    for (int key = 0; key <= KEY_NUMBER_MASK; ++key) {
        const std::string display = key_name(key, false);
        if (renamed.count(key) || (display == "Not Used" && key != 0)) continue;
        EXPECT_EQ(display, key_number_name(key)) << key;
    }
}

TEST(CliKeyNames, AmbiguousDisplayNamesGetNamesOfTheirOwn) {
    const struct {
        int key;
        const char* name;
    } cases[] = {
        {0, "Not Used"},       {1, "Not Used (1)"}, {102, "Not Used (102)"},   {115, "Not Used (115)"},
        {124, "Not Used (124)"}, {126, "Not Used (126)"}, {2, "FN"},            {3, "break all"},
        {36, "7 &"},           {49, "\\ |"},        {100, "Non-US \\ |"},      {127, "Delay"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, key_number_name(c.key)) << c.key;
}

TEST(CliKeyNames, ImportTakesShortNamesAnyCaseAndKeyNumbers) {
    const struct {
        const char* text;
        int key;
    } cases[] = {
        {"l sft", 117},  {"ENTER", 40},    {"Ent", 40},         {"Ent (N)", 88},  {"7 &&", 36},
        {"FN [ON]", 2},  {"fn [off]", 2},  {"BREAK ALL", 3},    {"key 105", 105}, {"key 0", 0},
        {"  Left   Shift ", 117}, {"\\ |", 49}, {"prt scn", 70}, {"Print Screen", 70}, {"a", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(c.key, find_key_number(c.text)) << c.text;
    for (const char* unknown : {"Foo", "key 128", "key", "", "Not Used 1", "key -1", "AA"})
        EXPECT_EQ(-1, find_key_number(unknown)) << unknown;
}

// ---- cell codes -------------------------------------------------------------------------

TEST(CliCellNotation, EveryKeyNumberPlainAndRepeatedGoesBothWays) {
    for (int key = 0; key <= KEY_NUMBER_MASK; ++key) {
        for (int flags : {0, KEY_FLAG_REPEAT}) {
            const int code = flags | key;
            const std::string text = cell_code_text(code);
            EXPECT_EQ((flags ? "repeat " : "") + key_number_name(key), text);
            int back = -1;
            EXPECT_EQ("", parse_cell_code(text, back)) << text;
            EXPECT_EQ(code, back) << text;
        }
    }
}

TEST(CliCellNotation, EveryMacroNumberPlainAndRepeatedGoesBothWays) {
    for (int number = 1; number <= 127; ++number) {
        for (int flags : {0, KEY_FLAG_REPEAT}) {
            const int code = KEY_FLAG_MACRO | flags | number;
            const std::string text = cell_code_text(code);
            EXPECT_EQ((flags ? "repeat macro " : "macro ") + std::to_string(number), text);
            int back = -1;
            EXPECT_EQ("", parse_cell_code(text, back));
            EXPECT_EQ(code, back) << text;
        }
    }
}

TEST(CliCellNotation, CodesOnlyANumberCanExpressHaveNoText) {
    for (int code : {0x800 | 4, 0x200 | 4, 0x84, 0x484, KEY_FLAG_MACRO, KEY_FLAG_MACRO | 0xFF,
                     0x0A7F, 0x10000, -1})
        EXPECT_EQ("", cell_code_text(code)) << code;
}

TEST(CliCellNotation, BadTextsAreNamed) {
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"Foo", "unknown key name \"Foo\""},
        {"repeat Foo", "unknown key name \"repeat Foo\""},
        {"macro 0", "macro number \"0\" is out of range 1-127"},
        {"macro 128", "macro number \"128\" is out of range 1-127"},
        {"macro x", "macro number \"x\" is out of range 1-127"},
        {"delay 10ms", "\"delay 10ms\" is a macro step, not a key"},
        {"release A", "\"release A\" is a macro step, not a key"},
    };
    for (const auto& c : cases) {
        int code = -7;
        EXPECT_EQ(c.problem, parse_cell_code(c.text, code)) << c.text;
    }
}

// ---- steps ------------------------------------------------------------------------------

TEST(CliStepNotation, EveryKeyNumberPressedAndReleasedGoesBothWays) {
    for (int key = 0; key <= KEY_NUMBER_MASK; ++key) {
        for (int flags : {0, KEY_FLAG_BREAK}) {
            const int step = flags | key;
            if (step == 0 || step == KEY_DELAY) continue;  // the list's end; a delay has a count
            const std::string text = step_text(step);
            EXPECT_EQ((flags ? "release " : "") + key_number_name(key), text);
            int back = -1;
            EXPECT_EQ("", parse_step(text, back)) << text;
            EXPECT_EQ(step, back) << text;
        }
    }
}

TEST(CliStepNotation, EveryDelayCountGoesBothWays) {
    for (int count = 0; count <= 255; ++count) {
        const int step = count << 8 | KEY_DELAY;
        const int ms = (count == 0 ? 256 : count) * 10;
        EXPECT_EQ("delay " + std::to_string(ms) + "ms", step_text(step));
        int back = -1;
        EXPECT_EQ("", parse_step(step_text(step), back));
        EXPECT_EQ(step, back) << ms;
    }
    int step = 0;
    EXPECT_EQ("", parse_step("Delay 100 ms", step));
    EXPECT_EQ(0x0A7F, step);
}

TEST(CliStepNotation, StepsOnlyANumberCanExpressHaveNoText) {
    for (int step : {0, 0x104, 0x10000, -5}) EXPECT_EQ("", step_text(step)) << step;
}

TEST(CliStepNotation, BadTextsAreNamed) {
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"Foo", "unknown key name \"Foo\""},
        {"Not Used", "a step cannot be \"Not Used\""},
        {"Delay", "a delay step needs its time, such as \"delay 100ms\""},
        {"delay 15ms", "\"delay 15ms\" is not a multiple of 10 ms from 10ms to 2560ms"},
        {"delay 0ms", "\"delay 0ms\" is not a multiple of 10 ms from 10ms to 2560ms"},
        {"delay 2570ms", "\"delay 2570ms\" is not a multiple of 10 ms from 10ms to 2560ms"},
        {"delay soon", "\"delay soon\" is not a multiple of 10 ms from 10ms to 2560ms"},
        {"macro 1", "\"macro 1\" belongs to a key, not to a macro step"},
        {"repeat A", "\"repeat A\" belongs to a key, not to a macro step"},
    };
    for (const auto& c : cases) {
        int step = -7;
        EXPECT_EQ(c.problem, parse_step(c.text, step)) << c.text;
    }
}

// ---- progress line ----------------------------------------------------------------------

TEST(CliProgressLine, BarFollowsThePhaseUnderWayAndShowsBothPercentages) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"Writing configuration - 3%\nWriting data - 0%",
         "[--------------------] Writing configuration - 3%, Writing data - 0%"},
        {"Reading configuration - 46%\nReading data - 0%",
         "[#########-----------] Reading configuration - 46%, Reading data - 0%"},
        {"Writing configuration - 100%\nWriting macro - 50%  SN- 1234",
         "[##########----------] Writing configuration - 100%, Writing macro - 50%  SN- 1234"},
        {"Reading configuration - 100%\nReading data - 100%",
         "[####################] Reading configuration - 100%, Reading data - 100%"},
        {"Initializing...", "[--------------------] Initializing..."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, progress_line(c.text));
}
}  // namespace
