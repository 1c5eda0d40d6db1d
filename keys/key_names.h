// Display names of key codes.
#pragma once
#include <cstddef>

#include "config/config_model.h"
#include "keys/key_codes.h"

// Writes the display name of `code` at `out` (the end of a caption being built, or a fresh
// buffer). Only bits 0..10 are looked at. With the flags field 0 the text at `out` is replaced,
// with the repeat flag alone it becomes "[Repeat]\n" + name, with any other flag the name is
// appended to what `out` already holds. `out` needs KEY_NAME_MAX + 1 free characters.
void format_key_name(int code, int short_form, char* out);

// The name of a key number (0..127) on its own, without flags.
const char* key_name(int key_number, bool short_form);

// A macro in short: the short names of its first two steps (made, then breaks) and ", ..."
// when there are more, as in "L Ctrl, C, ...". The cell captions and the key tester show it.
void format_macro_summary(const MacroSlot& slot, char* out, std::size_t size);
