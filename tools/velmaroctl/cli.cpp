// velmaroctl's command line: the subcommands, their options, and how the engine is set up
// to run without a window.
#include "velmaroctl.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include <CLI/CLI.hpp>

#include "config/config_model.h"
#include "config/ui_ops.h"
#include "file_commands.h"
#include "unit_commands.h"

#if defined(_WIN32)
#include <io.h>
#include <stdlib.h>
#define stderr_is_terminal() (_isatty(_fileno(stderr)) != 0)
// The runtime reports a pipe whose reader has gone as EINVAL; the system error tells.
constexpr unsigned long SYSTEM_BROKEN_PIPE = 109;  // ERROR_BROKEN_PIPE
constexpr unsigned long SYSTEM_PIPE_CLOSING = 232;  // ERROR_NO_DATA
constexpr unsigned long SYSTEM_NO_READER = 233;     // ERROR_PIPE_NOT_CONNECTED (so under Wine)
#define reader_gone(error)                                                                   \
    ((error) == EPIPE || _doserrno == SYSTEM_BROKEN_PIPE || _doserrno == SYSTEM_PIPE_CLOSING || \
     _doserrno == SYSTEM_NO_READER)
#else
#define reader_gone(error) ((error) == EPIPE)
#include <unistd.h>
#define stderr_is_terminal() (isatty(STDERR_FILENO) != 0)
#endif

std::ostream* ctl_out = &std::cout;
std::ostream* ctl_err = &std::cerr;

namespace {
// What the command line asked for.
struct CommandLine {
    std::string file;
    std::string second_file;
    std::string output;
    bool numeric = false;
    bool verify = false;
    bool all_units = false;
    int unit = 0;  // 0: not given
};

MessageAnswer print_message(MessageKind kind, const char* text) {
    report_error(text);
    return kind == MESSAGE_SAVE_CHANGES ? ANSWER_NO : ANSWER_OK;
}

bool no_file_dialog(bool, char*, std::size_t) { return false; }

const UiOps cli_ui_ops = {print_message, no_file_dialog};

// The subcommands, in the order of the help text.
struct Subcommands {
    CLI::App* show;
    CLI::App* export_json;
    CLI::App* import_json;
    CLI::App* new_file;
    CLI::App* units;
    CLI::App* write;
    CLI::App* read;
    CLI::App* diff;
    CLI::App* sheet;
};

CLI::Option* add_unit_option(CLI::App* command, CommandLine& line) {
    return command->add_option("--unit", line.unit, "Unit number 1-4 (needed when several are attached)")
        ->check(CLI::Range(1, MAX_UNITS));
}

Subcommands add_file_commands(CLI::App& app, CommandLine& line) {
    Subcommands commands{};
    commands.show = app.add_subcommand("show", "Print a configuration file as readable text");
    commands.show->add_option("FILE", line.file, "Configuration file")->required();
    commands.export_json = app.add_subcommand("export", "Print a configuration file as JSON");
    commands.export_json->add_option("FILE", line.file, "Configuration file")->required();
    commands.export_json->add_flag("--numeric", line.numeric, "Key codes and steps as numbers");
    commands.import_json = app.add_subcommand("import", "Save a JSON configuration as a file");
    commands.import_json->add_option("JSON", line.file, "JSON file, - for standard input")->required();
    commands.import_json->add_option("-o,--output", line.output, "Configuration file to write")->required();
    commands.new_file = app.add_subcommand("new", "Save the default configuration");
    commands.new_file->add_option("-o,--output", line.output, "Configuration file to write")->required();
    commands.diff = app.add_subcommand("diff", "List the differences of two configurations");
    commands.diff->add_option("A", line.file, "Configuration file or unit:N")->required();
    commands.diff->add_option("B", line.second_file, "Configuration file or unit:N")->required();
    commands.sheet = app.add_subcommand("sheet", "Print a wiring sheet (one SVG page) of a configuration");
    commands.sheet->add_option("SOURCE", line.file, "Configuration file, JSON document or unit:N")->required();
    commands.sheet->add_option("-o,--output", line.output, "SVG file to write")->required();
    return commands;
}

void add_unit_commands(CLI::App& app, CommandLine& line, Subcommands& commands) {
    commands.units = app.add_subcommand("units", "List the attached units");
    commands.write = app.add_subcommand("write", "Write a configuration file to a unit");
    commands.write->add_option("FILE", line.file, "Configuration file")->required();
    CLI::Option* unit = add_unit_option(commands.write, line);
    commands.write->add_flag("--all", line.all_units, "Write to every attached unit in turn")->excludes(unit);
    commands.write->add_flag("--verify", line.verify, "Read the unit back and list what differs");
    commands.read = app.add_subcommand("read", "Read a unit's configuration into a file");
    commands.read->add_option("-o,--output", line.output, "Configuration file to write")->required();
    add_unit_option(commands.read, line);
}

int dispatch(const Subcommands& commands, const CommandLine& line) {
    if (commands.show->parsed()) return run_show_command(line.file);
    if (commands.export_json->parsed()) return run_export_command(line.file, line.numeric);
    if (commands.import_json->parsed()) return run_import_command(line.file, line.output);
    if (commands.new_file->parsed()) return run_new_command(line.output);
    if (commands.units->parsed()) return run_units_command();
    if (commands.write->parsed()) return run_write_command(line.file, line.unit, line.verify, line.all_units);
    if (commands.read->parsed()) return run_read_command(line.output, line.unit);
    if (commands.diff->parsed()) return run_diff_command(line.file, line.second_file);
    if (commands.sheet->parsed()) return run_sheet_command(line.file, line.output);
    return CTL_EXIT_USAGE;
}

bool known_command(CLI::App& app, const std::string& name) {
    for (const CLI::App* command : app.get_subcommands({}))
        if (command->get_name() == name) return true;
    return false;
}

std::string command_list(CLI::App& app) {
    std::string list;
    for (const CLI::App* command : app.get_subcommands({}))
        list += (list.empty() ? "" : ", ") + command->get_name();
    return list;
}

int parse_and_run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"velmaroctl: view, convert, compare and transfer VELMARO configurations",
                 "velmaroctl"};
    app.require_subcommand(1);
    app.allow_windows_style_options(false);  // "/tmp/x.qzc" is a path, not an option
    CommandLine line;
    Subcommands commands = add_file_commands(app, line);
    add_unit_commands(app, line, commands);
    if (!args.empty() && !args[0].empty() && args[0][0] != '-' && !known_command(app, args[0])) {
        report_error("Unknown command \"" + args[0] + "\": the commands are " + command_list(app) +
                     " (velmaroctl --help tells more)");
        return CTL_EXIT_USAGE;
    }
    std::vector<const char*> argv{"velmaroctl"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? CTL_EXIT_OK : CTL_EXIT_USAGE;
    }
    return dispatch(commands, line);
}

// A command whose output did not reach its destination has failed: one line says so, except
// for a closed pipe (`velmaroctl export F | head -1`), where the reader wants no more.
int check_output(std::ostream& out, int status) {
    out.flush();
    if (out) return status;
    const int error = errno;
    if (!reader_gone(error))
        report_error(std::string("Error writing the output") +
                     (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
    return CTL_EXIT_FAILED;
}
}  // namespace

void report_error(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    *ctl_err << line << "\n" << std::flush;
}

void install_cli_engine_ops() {
    set_ui_ops(&cli_ui_ops);
    set_view_ops(&memory_view_ops);
}

int run_velmaroctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const UiOps* previous_ui = ui;
    const ViewOps* previous_view = view;
    const TransferUi* previous_transfer_ui = transfer_ui;
    ctl_out = &out;
    ctl_err = &err;
    install_cli_engine_ops();
    install_cli_transfer_ui(&err == &std::cerr && stderr_is_terminal());
    int status = CTL_EXIT_FAILED;
    errno = 0;
    try {
        status = parse_and_run(args, out, err);
    } catch (const std::exception& error) {
        report_error(std::string("Error: ") + error.what());
    }
    status = check_output(out, status);
    ctl_out = &std::cout;
    ctl_err = &std::cerr;
    // A caller that runs the tool in-process (the tests) gets its own operations back.
    set_ui_ops(previous_ui);
    set_view_ops(previous_view);
    set_transfer_ui(previous_transfer_ui);
    return status;
}

int velmaroctl_main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return run_velmaroctl(args, std::cout, std::cerr);
}
