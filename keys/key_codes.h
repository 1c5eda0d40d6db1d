// Key codes: what a matrix cell or a macro step sends.
#pragma once

// Bits of a KeyCode (16 bits, kept in an int).
constexpr int KEY_NUMBER_MASK = 0x7F;   // key number 0..127; in a macro cell, the macro number
constexpr int KEY_FLAG_BREAK = 0x80;    // macro steps: release instead of press
constexpr int KEY_FLAG_MACRO = 0x100;   // cells: run macro (code & 0x7F)
constexpr int KEY_FLAG_REPEAT = 0x400;  // cells: repeat
constexpr int KEY_FLAGS_MASK = 0x700;   // the flags field that format_key_name inspects

// Special key numbers.
constexpr int KEY_NOT_USED = 0;
constexpr int KEY_FN = 2;
constexpr int KEY_BREAK_ALL = 3;
constexpr int KEY_DELAY = 127;          // delay step: count of 10 ms units in bits 8..15 (0 = 256)

// Macros are numbered 1..127; a macro cell carries the number in its low byte.
constexpr int HIGHEST_MACRO_NUMBER = 127;

// The FN key: a cell whose key number is FN, plain or repeat (no macro flag; the release flag
// makes another key). The one rule for the editors, import, the image and the sheet; the
// transfers keep their own byte rule for sending the FN table.
inline bool is_fn_key(int code) { return (code & (KEY_FLAG_MACRO | 0xFF)) == KEY_FN; }

// Whether a cell's code runs macro `number` (any flags besides the macro flag).
inline bool code_runs_macro(int code, int number) {
    return (code & KEY_FLAG_MACRO) != 0 && (code & 0xFF) == number;
}
// The macro number a cell's code runs (its low byte, which can exceed 127 in a code no editor
// made), or 0.
inline int macro_number_of(int code) { return (code & KEY_FLAG_MACRO) ? code & 0xFF : 0; }

// Delays go in units of 10 ms; the count 0 stands for 256 units.
constexpr int DELAY_UNIT_MS = 10;
constexpr int DELAY_MAX_UNITS = 256;
inline bool is_delay_step(int step) { return step > 0 && (step & 0xFF) == KEY_DELAY; }
inline int delay_step_ms(int step) {
    const int count = (step >> 8) & 0xFF;
    return (count != 0 ? count : DELAY_MAX_UNITS) * DELAY_UNIT_MS;
}
// The delay step for a number of milliseconds (the delay entry, the recorder's pauses): 10 ms
// units rounded down, at least 1; more than 255 units become the count 0, which stands for
// 2560 ms.
inline int delay_step_for_ms(long long ms) {
    long long count = ms / DELAY_UNIT_MS;
    if (count <= 0) count = 1;
    if (count >= DELAY_MAX_UNITS) count = 0;
    return static_cast<int>(count) * 256 + KEY_DELAY;
}

// On-screen keyboard buttons carry the identifier KEY_BUTTON_BASE + key number.
constexpr int KEY_BUTTON_BASE = 2000;

// Longest text format_key_name appends: "[Repeat]\n" and "Print Screen".
constexpr int KEY_NAME_MAX = 21;
