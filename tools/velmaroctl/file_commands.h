// velmaroctl's file commands: show, export, import, new, and diff of files or units.
#pragma once
#include <string>

// Each returns the exit status.
int run_show_command(const std::string& file);
int run_export_command(const std::string& file, bool numeric);
int run_import_command(const std::string& json_file, const std::string& output);
int run_new_command(const std::string& output);
// `a` and `b` are configuration files or "unit:N".
int run_diff_command(const std::string& a, const std::string& b);
