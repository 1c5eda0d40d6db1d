// velmaroctl's device commands over the same transfers as the utility's Read and Write.
#include "unit_commands.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "keys/key_codes.h"
#include "device/hid_call.h"
#include "device/unit_listing.h"
#include "device/unit_write.h"
#include "velmaroctl.h"

namespace {
constexpr int BAR_WIDTH = 20;
constexpr int NO_UNIT = -1;

bool progress_on_terminal = false;
std::size_t progress_width = 0;  // length of the line on screen, 0 when none is drawn

void draw_progress(const char* text) {
    if (!progress_on_terminal) return;
    const std::string line = progress_line(text);
    std::string shown = "\r" + line;
    if (line.size() < progress_width) shown += std::string(progress_width - line.size(), ' ');
    *ctl_err << shown << std::flush;
    progress_width = std::max(line.size(), std::size_t(1));
}

void no_messages_to_pump() {}

void sleep_for(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

const TransferUi cli_transfer_ui = {draw_progress, no_messages_to_pump, sleep_for};

// Ends the progress line so that what follows starts on a line of its own.
void finish_progress() {
    if (progress_width == 0) return;
    *ctl_err << "\n" << std::flush;
    progress_width = 0;
}

// The percentages of a progress text, in order.
std::vector<int> percentages(const std::string& text) {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        std::size_t start = i;
        while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
        if (start < i) numbers.push_back(std::stoi(text.substr(start, i - start)));
    }
    return numbers;
}

// The unit a transfer uses: the one asked for; else, as the utility's own search finds it,
// unit 1, unless more than one unit is attached (at any of the four numbers): then none, after
// naming them, since a script must not use a unit it did not name.
int choose_unit(int requested, const std::string& how_to_choose) {
    bool opened[MAX_UNITS + 1] = {};
    search_units(opened);
    if (requested != 0) return requested;
    const std::vector<int> units = list_attached_units();
    if (units.size() < 2) return 1;
    report_error(std::to_string(units.size()) + " VELMARO units are attached: choose one with " + how_to_choose);
    for (int unit : units) report_error(unit_label(unit));
    return NO_UNIT;
}

// Runs a transfer with the progress line and the in-progress flag around it.
template <typename Transfer>
int run_transfer(Transfer transfer) {
    transfer_in_progress = true;
    const int result = transfer();
    transfer_in_progress = false;
    finish_progress();
    return result;
}

int read_unit_image(int unit, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    return run_transfer([&] { return device_read_image(image, unit); });
}

bool prepare_write(const std::string& file, WritePlan& plan) {
    static ConfigSnapshot snapshot;  // 16 KB: off the stack
    return load_config_file(file, snapshot) && plan_write(snapshot, plan);
}

bool fn_table_holds_codes(const ConfigSnapshot& snapshot) {
    for (int row = 0; row < snapshot.rows; ++row)
        for (int column = 0; column < snapshot.columns; ++column)
            if (snapshot.fn_keys[row][column] != KEY_NOT_USED) return true;
    return false;
}

bool steps_kept(const ConfigSnapshot& a, const ConfigSnapshot& b, int number) {
    return macro_make_steps(a, number) == macro_make_steps(b, number) &&
           macro_break_steps(a, number) == macro_break_steps(b, number);
}

// Says on the error stream what the write leaves out: the FN table when no cell holds the
// FN key, and the macros that only that table (or no cell) refers to.
void report_unwritten(const WritePlan& plan) {
    if (fn_table_holds_codes(plan.snapshot) && !fn_table_holds_codes(plan.as_written))
        report_error("FN table not written: no cell holds the FN key");
    for (int number = 1; number <= MACRO_SLOT_COUNT; ++number) {
        if (!macro_listed(plan.snapshot, number) || steps_kept(plan.snapshot, plan.as_written, number))
            continue;
        const bool from_fn_table = macro_referenced(plan.snapshot, number);
        report_error("Macro " + std::to_string(number) + " not written: " +
                     (from_fn_table ? "only the FN table refers to it" : "no cell refers to it"));
    }
}

// How a write (and its verify) to one unit went, with the exit status it gives.
struct UnitOutcome {
    int status;
    bool written;
    std::string text;  // the failure, or how the verify ended
    std::vector<std::string> differences;
};

UnitOutcome write_to_unit(const WritePlan& plan, int unit, bool verify) {
    const UnitWriteOutcome outcome = write_unit(plan, unit, verify);
    const int failed = verify ? CTL_EXIT_NOT_COMPARED : CTL_EXIT_FAILED;
    int status = CTL_EXIT_OK;
    if (outcome.write_result != TRANSFER_OK || outcome.read_result != TRANSFER_OK) status = failed;
    else if (!outcome.differences.empty()) status = CTL_EXIT_FAILED;
    return {status, outcome.write_result == TRANSFER_OK, write_outcome_words(outcome, unit), outcome.differences};
}

int write_one_unit(const WritePlan& plan, const std::string& file, int unit, bool verify) {
    const UnitOutcome outcome = write_to_unit(plan, unit, verify);
    if (outcome.written) *ctl_out << transfer_result_text(TRANSFER_OK, unit, true) << "\n";
    for (const std::string& line : outcome.differences) *ctl_out << line << "\n";
    if (outcome.status == CTL_EXIT_OK && verify)
        *ctl_out << "Verified: the VELMARO (" << unit << ") holds the configuration of " << file << "\n";
    if (!outcome.differences.empty())
        report_error("Verify failed: the VELMARO (" + std::to_string(unit) + ") differs from " +
                     file + " in " + count_of_places(outcome.differences.size()));
    else if (outcome.status != CTL_EXIT_OK)
        report_error(outcome.text);
    return outcome.status;
}

// One line per unit; the worst status of all (2 over 1 over 0).
int write_all_units(const WritePlan& plan, bool verify) {
    const std::vector<int> units = list_attached_units();
    if (units.empty()) {
        report_error(transfer_result_text(TRANSFER_NOT_FOUND, 1, true));
        return verify ? CTL_EXIT_NOT_COMPARED : CTL_EXIT_FAILED;
    }
    int status = CTL_EXIT_OK;
    int failures = 0;
    for (int unit : units) {
        const UnitOutcome outcome = write_to_unit(plan, unit, verify);
        *ctl_out << unit_label(unit) << ": " << outcome.text << "\n";
        status = std::max(status, outcome.status);
        failures += outcome.status != CTL_EXIT_OK;
    }
    if (failures > 0)
        report_error(std::to_string(failures) + " of " + std::to_string(units.size()) +
                     " units did not take the configuration");
    return status;
}
}  // namespace

bool unit_library_ready() {
    std::string problem;
    if (load_hid_library(problem)) return true;
    report_error(problem);
    return false;
}

std::string progress_line(const std::string& progress_text) {
    const std::vector<int> numbers = percentages(progress_text);
    int percent = numbers.empty() ? 0 : numbers[0];
    if (percent >= 100 && numbers.size() > 1) percent = numbers[1];
    percent = std::min(std::max(percent, 0), 100);
    const int filled = percent * BAR_WIDTH / 100;
    std::string line = "[" + std::string(filled, '#') + std::string(BAR_WIDTH - filled, '-') + "] ";
    for (char c : progress_text) line += c == '\n' ? std::string(", ") : std::string(1, c);
    return line;
}

void install_cli_transfer_ui(bool terminal) {
    progress_on_terminal = terminal;
    progress_width = 0;
    after_unit_transfer = finish_progress;
    set_transfer_ui(&cli_transfer_ui);
}

// Reads a unit's image and decodes it as the window's Read does; on failure reports and
// returns false.
bool read_unit_configuration(int unit, std::uint8_t image[CONFIG_IMAGE_SIZE], ConfigSnapshot& snapshot) {
    const int result = read_unit_image(unit, image);
    if (result != TRANSFER_OK) {
        report_error(transfer_result_text(result, unit, false));
        return false;
    }
    if (snapshot_from_image(image, snapshot)) return true;
    report_error(transfer_result_text(TRANSFER_INVALID, unit, false));
    return false;
}

bool load_unit_configuration(int unit, ConfigSnapshot& snapshot) {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    return read_unit_configuration(unit, image, snapshot);
}

int run_units_command() {
    if (!unit_library_ready()) return CTL_EXIT_FAILED;
    const std::vector<int> units = list_attached_units();
    for (int unit : units) *ctl_out << unit_label(unit) << "\n";
    if (!units.empty()) return CTL_EXIT_OK;
    report_error(transfer_result_text(TRANSFER_NOT_FOUND, 1, false));
    return CTL_EXIT_FAILED;
}

int run_write_command(const std::string& file, int unit, bool verify, bool all) {
    const int failed = verify ? CTL_EXIT_NOT_COMPARED : CTL_EXIT_FAILED;
    if (!unit_library_ready()) return failed;
    static WritePlan plan;  // three configurations of 16 KB each: kept off the stack
    if (!prepare_write(file, plan)) return failed;
    if (!all) unit = choose_unit(unit, "--unit N, or all of them with --all");
    if (unit == NO_UNIT) return CTL_EXIT_USAGE;
    report_unwritten(plan);
    if (all) return write_all_units(plan, verify);
    return write_one_unit(plan, file, unit, verify);
}

int run_unit_diff(const ConfigSnapshot& configuration, int unit, bool unit_first) {
    static WritePlan plan;
    if (!plan_write(configuration, plan) || !unit_library_ready()) return CTL_EXIT_NOT_COMPARED;
    bool opened[MAX_UNITS + 1] = {};
    search_units(opened);
    std::vector<std::string> differences;
    const int result = unit_differences(plan, unit, differences, unit_first);
    if (result != TRANSFER_OK) {
        report_error(transfer_result_text(result, unit, false));
        return CTL_EXIT_NOT_COMPARED;
    }
    for (const std::string& line : differences) *ctl_out << line << "\n";
    return differences.empty() ? CTL_EXIT_OK : CTL_EXIT_FAILED;
}

int run_read_command(const std::string& output, int unit) {
    if (!unit_library_ready()) return CTL_EXIT_FAILED;
    unit = choose_unit(unit, "--unit N");
    if (unit == NO_UNIT) return CTL_EXIT_USAGE;
    // A backup: the bytes the unit holds, not an image built anew (which a pin clash on the
    // unit would refuse).
    static ConfigSnapshot snapshot;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!read_unit_configuration(unit, image, snapshot) || !save_image_file(output, image))
        return CTL_EXIT_FAILED;
    *ctl_out << transfer_result_text(TRANSFER_OK, unit, false) << "\n";
    return CTL_EXIT_OK;
}
