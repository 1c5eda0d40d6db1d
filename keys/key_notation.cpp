// The readable notation of key codes and macro steps: canonical names, aliases, and the
// words "repeat", "macro", "release" and "delay".
#include "keys/key_notation.h"

#include <cctype>
#include <cstdio>
#include <map>

#include "keys/key_codes.h"
#include "keys/key_names.h"

namespace {
constexpr int KEY_COUNT = KEY_NUMBER_MASK + 1;
constexpr int HIGHEST_CODE = 0xFFFF;
constexpr int CELL_FLAGS_ALLOWED = KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 0xFF;
constexpr int NON_US_BACKSLASH = 100;
constexpr int AMPERSAND_KEY = 36;

// Key numbers that the display names leave ambiguous get a name of their own.
bool shares_not_used_name(int key_number) {
    return key_number == 1 || (key_number >= 102 && key_number <= 115) ||
           (key_number >= 124 && key_number <= 126);
}

std::string canonical_name(int key_number) {
    if (shares_not_used_name(key_number)) return "Not Used (" + std::to_string(key_number) + ")";
    switch (key_number) {
    case KEY_FN: return "FN";
    case KEY_BREAK_ALL: return "break all";
    case AMPERSAND_KEY: return "7 &";
    case NON_US_BACKSLASH: return "Non-US \\ |";
    default: return key_name(key_number, false);
    }
}

// Lower case, outer blanks dropped, inner runs of blanks made one blank.
std::string normalized(const std::string& text) {
    std::string result;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isspace(u)) {
            if (!result.empty() && result.back() != ' ') result += ' ';
            continue;
        }
        result += static_cast<char>(std::tolower(u));
    }
    if (!result.empty() && result.back() == ' ') result.pop_back();
    return result;
}

using NameMap = std::map<std::string, int>;

void add_alias(NameMap& names, const std::string& name, int key_number) {
    names.emplace(normalized(name), key_number);  // the first holder of a name keeps it
}

const NameMap& name_map() {
    static NameMap names;
    if (!names.empty()) return names;
    for (int k = 0; k < KEY_COUNT; ++k) add_alias(names, canonical_name(k), k);
    for (int k = 0; k < KEY_COUNT; ++k) {
        add_alias(names, key_name(k, false), k);
        add_alias(names, key_name(k, true), k);
    }
    add_alias(names, "FN [ON]", KEY_FN);
    add_alias(names, "FN [OFF]", KEY_FN);
    return names;
}

// Splits off a leading word ("repeat", "macro", ...) followed by a blank.
bool strip_word(const std::string& text, const std::string& word, std::string& rest) {
    if (text.size() <= word.size() || text.compare(0, word.size(), word) != 0) return false;
    if (text[word.size()] != ' ') return false;
    rest = text.substr(word.size() + 1);
    return true;
}

// A whole number of at most 6 digits, or -1.
long parse_count(const std::string& text) {
    if (text.empty() || text.size() > 6) return -1;
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}


std::string hex_code(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "code 0x%04X", static_cast<unsigned>(code) & 0xFFFFu);
    return text;
}

// "key N" for any key number, or a name; -1 when neither.
int key_number_of(const std::string& norm) {
    std::string rest;
    if (strip_word(norm, "key", rest)) {
        const long number = parse_count(rest);
        return number >= 0 && number < KEY_COUNT ? static_cast<int>(number) : -1;
    }
    const NameMap& names = name_map();
    const auto found = names.find(norm);
    return found == names.end() ? -1 : found->second;
}

std::string unknown_key(const std::string& text) { return "unknown key name " + quoted_text(text); }

std::string parse_macro_reference(const std::string& number_text, int& code) {
    const long number = parse_count(number_text);
    if (number < 1 || number > HIGHEST_MACRO_NUMBER)
        return "macro number " + quoted_text(number_text) + " is out of range 1-127";
    code = KEY_FLAG_MACRO | static_cast<int>(number);
    return "";
}

std::string parse_delay(const std::string& amount, int& step) {
    std::string digits = amount;
    if (digits.size() > 2 && digits.compare(digits.size() - 2, 2, "ms") == 0)
        digits.erase(digits.size() - 2);
    if (!digits.empty() && digits.back() == ' ') digits.pop_back();
    const long ms = parse_count(digits);
    if (ms < DELAY_UNIT_MS || ms > DELAY_MAX_UNITS * DELAY_UNIT_MS || ms % DELAY_UNIT_MS != 0)
        return quoted_text("delay " + amount) + " is not a multiple of 10 ms from 10ms to 2560ms";
    const int units = static_cast<int>(ms / DELAY_UNIT_MS) % DELAY_MAX_UNITS;
    step = units << 8 | KEY_DELAY;
    return "";
}
}  // namespace

std::string key_number_name(int key_number) {
    if (key_number < 0 || key_number >= KEY_COUNT) return "";
    return canonical_name(key_number);
}

int find_key_number(const std::string& name) { return key_number_of(normalized(name)); }

std::string cell_code_text(int code) {
    if (code < 0 || code > HIGHEST_CODE || (code & ~CELL_FLAGS_ALLOWED) != 0) return "";
    const std::string prefix = (code & KEY_FLAG_REPEAT) ? "repeat " : "";
    if (code & KEY_FLAG_MACRO) {
        const int number = code & 0xFF;
        if (number < 1 || number > HIGHEST_MACRO_NUMBER) return "";
        return prefix + "macro " + std::to_string(number);
    }
    if (code & KEY_FLAG_BREAK) return "";
    return prefix + key_number_name(code & KEY_NUMBER_MASK);
}

std::string step_text(int step) {
    if (step <= 0 || step > HIGHEST_CODE) return "";
    if (is_delay_step(step)) return "delay " + std::to_string(delay_step_ms(step)) + "ms";
    if (step > 0xFF) return "";
    const std::string name = key_number_name(step & KEY_NUMBER_MASK);
    return (step & KEY_FLAG_BREAK) ? "release " + name : name;
}

std::string parse_cell_code(const std::string& text, int& code) {
    const std::string norm = normalized(text);
    std::string rest = norm;
    int flags = 0;
    if (strip_word(norm, "repeat", rest)) flags = KEY_FLAG_REPEAT;
    std::string number_text;
    if (strip_word(rest, "macro", number_text)) {
        const std::string problem = parse_macro_reference(number_text, code);
        code |= flags;
        return problem;
    }
    if (strip_word(rest, "delay", number_text) || strip_word(rest, "release", number_text))
        return quoted_text(text) + " is a macro step, not a key";
    const int key = key_number_of(rest);
    if (key < 0) return unknown_key(text);
    code = flags | key;
    return "";
}

std::string parse_step(const std::string& text, int& step) {
    const std::string norm = normalized(text);
    std::string rest = norm;
    if (strip_word(norm, "delay", rest)) return parse_delay(rest, step);
    if (strip_word(norm, "repeat", rest) || strip_word(norm, "macro", rest))
        return quoted_text(text) + " belongs to a key, not to a macro step";
    const bool release = strip_word(norm, "release", rest);
    const int key = key_number_of(rest);
    if (key < 0) return unknown_key(text);
    if (key == KEY_DELAY && !release) return "a delay step needs its time, such as \"delay 100ms\"";
    if (key == KEY_NOT_USED && !release) return "a step cannot be \"Not Used\"";
    step = release ? (key | KEY_FLAG_BREAK) : key;
    return "";
}

std::string check_cell_code_number(long long code) {
    if (code < 0 || code > HIGHEST_CODE)
        return "key code " + std::to_string(code) + " is out of range 0-65535";
    if ((code & KEY_FLAG_MACRO) && (code & 0xFF) > HIGHEST_MACRO_NUMBER)
        return "key code " + std::to_string(code) + " refers to macro " +
               std::to_string(code & 0xFF) + "; macros are numbered 1-127";
    return "";
}

std::string check_step_number(long long step) {
    if (step < 1 || step > HIGHEST_CODE || (step > 0xFF && (step & 0xFF) != KEY_DELAY))
        return "step " + std::to_string(step) + " is out of range (1-255, or a delay 0xNN7F)";
    return "";
}

std::string cell_display_text(int code) {
    const std::string text = cell_code_text(code);
    return text.empty() ? hex_code(code) : text;
}

std::string step_display_text(int step) {
    const std::string text = step_text(step);
    return text.empty() ? hex_code(step) : text;
}

std::string steps_display_text(const std::vector<int>& steps) {
    if (steps.empty()) return "(none)";
    std::string text;
    for (std::size_t i = 0; i < steps.size(); ++i) text += (i ? ", " : "") + step_display_text(steps[i]);
    return text;
}

std::string quoted_text(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80;  // U+0080..U+009F in UTF-8
        if (c >= 0x20 && c != 0x7F && !c1) {
            out += text[i];
            continue;
        }
        const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : c;
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", code);
        out += escape;
    }
    return out + "\"";
}
