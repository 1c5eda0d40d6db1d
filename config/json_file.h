// Reading a JSON document from a file and importing it: the one reader of velmaroctl import
// and of the window's Import JSON.
#pragma once
#include <string>

#include "config/config_snapshot.h"

// The document's bytes as UTF-8 text (they may be UTF-8, with or without a byte-order mark, or
// marked UTF-16); otherwise reports "<name>: <the encoding problem>" and returns false.
bool json_document_text(const std::string& name, const std::string& bytes, std::string& text);

// Reads the whole file and gives its text as json_document_text does; on failure reports
// "Error opening the file: <path>" (or that it is a directory, or the encoding problem) and
// returns false.
bool read_document_file(const std::string& path, std::string& text);

// Reads the document at `path` and imports it as velmaroctl import does; on a problem
// reports it ("<path>: <problem>") and returns false.
bool load_json_file(const std::string& path, ConfigSnapshot& snapshot);
