// The readable notation of key codes and macro steps (tools/velmaroctl/NOTATION.md): the JSON
// form, the comparison of two configurations and the wiring sheet write it.
//
//   cells:  "A", "Left Shift", "FN", "repeat A", "macro 3", "repeat macro 3"
//   steps:  "A", "release A", "delay 100ms", "break all"
//
// Every key number 0..127 has exactly one canonical name; import also takes the utility's
// short names where they are unambiguous, "key N" for any key number, and any spelling case.
#pragma once
#include <string>
#include <vector>

// The canonical name of a key number (0..127); "" outside that range.
std::string key_number_name(int key_number);
// The key number that `name` stands for, or -1.
int find_key_number(const std::string& name);

// The notation of a cell's key code, or "" when only the number can express it.
std::string cell_code_text(int code);
// The notation of a macro step, or "" when only the number can express it.
std::string step_text(int step);

// Read a cell code or a macro step written in the notation. On success `code` holds the
// value and the result is empty; otherwise the result says what is wrong, starting in lower
// case so that the caller can add where the text was found.
std::string parse_cell_code(const std::string& text, int& code);
std::string parse_step(const std::string& text, int& step);

// A cell's key code or a macro step as shown to the user: the notation, or the number in hex
// ("code 0x0084") for the odd codes that the notation cannot express.
std::string cell_display_text(int code);
std::string step_display_text(int step);
// The steps of a list joined with ", ", or "(none)".
std::string steps_display_text(const std::vector<int>& steps);

// `text` from a document in double quotes for a message, its control characters (C0, DEL, C1)
// written as JSON escapes ("\u001b"): a message never carries them to a terminal or a box.
std::string quoted_text(const std::string& text);

// Range checks for codes given as numbers; same result convention as above.
std::string check_cell_code_number(long long code);
std::string check_step_number(long long step);
