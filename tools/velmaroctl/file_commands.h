// velmaroctl's file commands: show, export, import, new, and diff of files or units.
#pragma once
#include <string>

#include "config/config_snapshot.h"

// A source of a configuration: a configuration file, a JSON document (a name ending in
// ".json", read as import reads it) or "unit:N". On failure reports and returns false.
bool load_source(const std::string& source, ConfigSnapshot& snapshot);
// "unit:" followed by anything but 1 to 4 is a usage error: reports it and returns false.
bool valid_source_name(const std::string& source);

// Each returns the exit status.
int run_show_command(const std::string& file);
int run_export_command(const std::string& file, bool numeric);
int run_import_command(const std::string& json_file, const std::string& output);
int run_new_command(const std::string& output);
// `a` and `b` are configuration files or "unit:N".
int run_diff_command(const std::string& a, const std::string& b);
// The wiring sheet of a configuration file, a JSON document or "unit:N", as an SVG page.
int run_sheet_command(const std::string& source, const std::string& output);
