// Reading a JSON document from a file and importing it: the one reader of velmaroctl import
// and of the window's Import JSON.
#pragma once
#include <iosfwd>
#include <string>

#include "config/config_snapshot.h"

// Reads a document of at most 1 MB from `in` (standard input, a file) as UTF-8 text (its bytes
// may be UTF-8, with or without a byte-order mark, or marked UTF-16); otherwise reports
// "<name>: <the encoding problem>", "<name>: The document is larger than 1 MB; ..." or, when
// the stream cannot be read, "Error opening the file: <name>", and returns false.
bool read_document_stream(const std::string& name, std::istream& in, std::string& text);

// Reads the file and gives its text as read_document_stream does; on failure reports
// "Error opening the file: <path>" (or that it is a directory, or the encoding problem) and
// returns false.
bool read_document_file(const std::string& path, std::string& text);

// The configuration that velmaroctl import saves from the document at `path`, as reading that
// file gives it back (of lines that share a pin only the first has cells; the macros above
// the highest that a cell of the file refers to are left out), with import's lines; on a
// problem reports it ("<path>: <problem>") and returns false.
bool load_json_file(const std::string& path, ConfigSnapshot& snapshot);
