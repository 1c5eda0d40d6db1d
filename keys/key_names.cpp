// Display names of key codes: a short form for step buttons, a long form for cell captions; a
// macro in short.
#include "keys/key_names.h"

#include <cstdio>
#include <cstring>

#include "config/config_model.h"

namespace {
struct KeyNames {
    const char* short_name;
    const char* long_name;  // nullptr: the same as the short name
};

constexpr const char* NOT_USED = "Not Used";
constexpr const char* REPEAT_PREFIX = "[Repeat]\n";

// Indexed by key number. Key 2 (FN) is named at run time from the FN view flag.
const KeyNames KEY_NAMES[128] = {
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"FN", nullptr}, {"BREAK ALL", nullptr},
    // 4-29: letters
    {"A", nullptr}, {"B", nullptr}, {"C", nullptr}, {"D", nullptr}, {"E", nullptr},
    {"F", nullptr}, {"G", nullptr}, {"H", nullptr}, {"I", nullptr}, {"J", nullptr},
    {"K", nullptr}, {"L", nullptr}, {"M", nullptr}, {"N", nullptr}, {"O", nullptr},
    {"P", nullptr}, {"Q", nullptr}, {"R", nullptr}, {"S", nullptr}, {"T", nullptr},
    {"U", nullptr}, {"V", nullptr}, {"W", nullptr}, {"X", nullptr}, {"Y", nullptr},
    {"Z", nullptr},
    // 30-39: the digit row; "&&" shows as one "&" on a push button
    {"1 !", nullptr}, {"2 @", nullptr}, {"3 #", nullptr}, {"4 $", nullptr},
    {"5 %", nullptr}, {"6 ^", nullptr}, {"7 &&", nullptr}, {"8 *", nullptr},
    {"9 (", nullptr}, {"0 )", nullptr},
    // 40-57
    {"Ent", "Enter"}, {"Esc", nullptr}, {"Bksp", "Backspace"}, {"Tab", nullptr},
    {"Space", nullptr}, {"- _", nullptr}, {"= +", nullptr}, {"[ {", nullptr},
    {"] }", nullptr}, {"\\ |", nullptr}, {"# ~", nullptr}, {"; :", nullptr},
    {"' \"", nullptr}, {"` ~", nullptr}, {", <", nullptr}, {". >", nullptr},
    {"/ ?", nullptr}, {"Caps", nullptr},
    // 58-69: function keys
    {"F1", nullptr}, {"F2", nullptr}, {"F3", nullptr}, {"F4", nullptr},
    {"F5", nullptr}, {"F6", nullptr}, {"F7", nullptr}, {"F8", nullptr},
    {"F9", nullptr}, {"F10", nullptr}, {"F11", nullptr}, {"F12", nullptr},
    // 70-82: editing and arrow block
    {"Prt Scn", "Print Screen"}, {"Scrl Lk", "Scrl Lock"}, {"Pause", nullptr},
    {"Insert", nullptr}, {"Home", nullptr}, {"Pg Up", "Page Up"}, {"Del", "Delete"},
    {"End", nullptr}, {"Pg Dn", "Page Down"}, {"Right", "Right Arrow"},
    {"Left", "Left Arrow"}, {"Down", "Down Arrow"}, {"Up", "Up Arrow"},
    // 83-99: numeric keypad
    {"Num Lk", "Num Lock"}, {"/ (N)", "/ (Num)"}, {"* (N)", "* (Num)"},
    {"- (N)", "- (Num)"}, {"+ (N)", "+ (Num)"}, {"Ent (N)", "Enter (Num)"},
    {"1 (N)", "1 (Num)"}, {"2 (N)", "2 (Num)"}, {"3 (N)", "3 (Num)"},
    {"4 (N)", "4 (Num)"}, {"5 (N)", "5 (Num)"}, {"6 (N)", "6 (Num)"},
    {"7 (N)", "7 (Num)"}, {"8 (N)", "8 (Num)"}, {"9 (N)", "9 (Num)"},
    {"0 (N)", "0 (Num)"}, {". (N)", ". (Num)"},
    // 100-101: the non-US backslash key and the application key
    {"\\ |", nullptr}, {"Win Apl", nullptr},
    // 102-115: unassigned
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"Not Used", nullptr},
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"Not Used", nullptr},
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"Not Used", nullptr},
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"Not Used", nullptr},
    {"Not Used", nullptr}, {"Not Used", nullptr},
    // 116-123: modifiers in the order of the HID modifier usages
    {"L Ctrl", "Left Ctrl"}, {"L Sft", "Left Shift"}, {"L Alt", "Left Alt"},
    {"L Win", "Left Win"}, {"R Ctrl", "Right Ctrl"}, {"R Sft", "Right Shift"},
    {"R Alt", "Right Alt"}, {"R Win", "Right Win"},
    // 124-127
    {"Not Used", nullptr}, {"Not Used", nullptr}, {"Not Used", nullptr}, {"Delay", nullptr},
};
}  // namespace

const char* key_name(int key_number, bool short_form) {
    if (key_number < 0 || key_number > KEY_NUMBER_MASK) return NOT_USED;
    if (key_number == KEY_FN) return fn_view_active ? "FN [ON]" : "FN [OFF]";
    const KeyNames& names = KEY_NAMES[key_number];
    if (short_form || names.long_name == nullptr) return names.short_name;
    return names.long_name;
}

void format_key_name(int code, int short_form, char* out) {
    switch (code & KEY_FLAGS_MASK) {
    case 0:
        out[0] = '\0';
        break;
    case KEY_FLAG_REPEAT:
        std::strcpy(out, REPEAT_PREFIX);
        break;
    default:  // macro flag or bit 9: the name follows the text already there
        break;
    }
    std::strcat(out, key_name(code & KEY_NUMBER_MASK, short_form != 0));
}

void format_macro_summary(const MacroSlot& slot, char* out, std::size_t size) {
    out[0] = '\0';
    int named = 0;
    for (int i = 0; i < 2 * MACRO_STEP_COUNT && named < 3; ++i) {
        const int step = i < MACRO_STEP_COUNT ? slot.make_steps[i] : slot.break_steps[i - MACRO_STEP_COUNT];
        if (step == 0) continue;
        const std::size_t length = std::strlen(out);
        const char* separator = named == 0 ? "" : ", ";
        if (++named == 3)
            std::snprintf(out + length, size - length, ", ...");
        else
            std::snprintf(out + length, size - length, "%s%s", separator, key_name(step & KEY_NUMBER_MASK, true));
    }
}
