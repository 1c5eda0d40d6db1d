// Reading a JSON document from a file and importing it: the one reader of velmaroctl import
// and of the window's Import JSON.
#pragma once
#include <string>

#include "config/config_snapshot.h"

// Reads the whole file as it is stored; on failure reports "Error opening the file: <path>"
// (or that it is a directory) and returns false.
bool read_document_file(const std::string& path, std::string& text);

// Reads the document at `path` and imports it as velmaroctl import does; on a problem
// reports it ("<path>: <problem>") and returns false.
bool load_json_file(const std::string& path, ConfigSnapshot& snapshot);
