// velmaroctl: the command-line companion of the utility. Same engine, same files.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
constexpr int CTL_EXIT_OK = 0;
constexpr int CTL_EXIT_FAILED = 1;  // bad input, a failed transfer, or (diff, verify) a difference
constexpr int CTL_EXIT_USAGE = 2;
constexpr int CTL_EXIT_NOT_COMPARED = 2;  // diff, write --verify: the comparison could not be made

// The program's entry: argv[0] is the program name.
int velmaroctl_main(int argc, char** argv);
// The same with the arguments after the program name and the two streams to write to.
int run_velmaroctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Where the commands write while run_velmaroctl runs (standard output and error otherwise).
extern std::ostream* ctl_out;
extern std::ostream* ctl_err;

// Writes `text` as one line on the error stream (line breaks inside become blanks).
void report_error(const std::string& text);

// Installs the message and view operations that velmaroctl runs the engine with: messages
// are printed by report_error and answered OK (No for the unsaved-changes question), file
// dialogs are never shown, the window's four values live in memory.
void install_cli_engine_ops();
