// The text encodings a JSON document may arrive in: UTF-8, with or without a byte-order mark,
// and UTF-16 of either byte order with its mark (what Windows PowerShell 5.1 writes for
// "velmaroctl export X > x.json"). One reader for velmaroctl and the window's JSON import.
#pragma once
#include <string>

// The document's bytes as UTF-8 text, without a byte-order mark. False when the bytes are
// in no encoding read here; `problem` then names it, as a sentence for the user, e.g. "The
// document is UTF-16 without a byte-order mark". Empty input is empty text.
bool json_text_from_bytes(const std::string& bytes, std::string& utf8, std::string& problem);
