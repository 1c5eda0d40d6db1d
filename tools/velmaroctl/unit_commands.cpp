// velmaroctl's device commands over the same transfers as the utility's Read and Write.
#include "unit_commands.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include "config_diff.h"
#include "device/hid_call.h"
#include "velmaroctl.h"

void (*before_verify_read)(int unit) = nullptr;

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

bool read_unit_serial(int unit) {
    HidDeviceHandle handle{};
    if (call_open_hid_device(DEVICE_ID, HID_REPORT_SIZE, HID_REPORT_SIZE, &handle, unit) != 0) return false;
    unit_serial[unit] = device_read_serial(&handle);
    call_close_hid_device(&handle);
    return true;
}

// The unit a transfer uses: the one asked for, or unit 1 when only one is attached.
int choose_unit(int requested) {
    bool present[MAX_UNITS + 1] = {};
    const int count = enumerate_cli_units(present);
    if (requested != 0) return requested;
    if (count == 1) return 1;
    report_error(std::to_string(count) + " VELMARO units are attached: choose one with --unit N");
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

bool verify_unit(const ConfigSnapshot& written, const std::string& file, int unit) {
    if (before_verify_read) before_verify_read(unit);
    ConfigSnapshot read_back;
    if (!load_unit_configuration(unit, read_back)) return false;
    const std::vector<std::string> differences = compare_configurations(written, read_back);
    for (const std::string& line : differences) *ctl_out << line << "\n";
    if (differences.empty()) {
        *ctl_out << "Verified: the VELMARO (" << unit << ") holds the configuration of " << file << "\n";
        return true;
    }
    report_error("Verify failed: the VELMARO (" + std::to_string(unit) + ") differs from " + file +
                 " in " + std::to_string(differences.size()) +
                 (differences.size() == 1 ? " place" : " places"));
    return false;
}
}  // namespace

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
    set_transfer_ui(&cli_transfer_ui);
}

int enumerate_cli_units(bool present[MAX_UNITS + 1]) {
    unit_count = 1;
    if (!read_unit_serial(2)) return unit_count;
    present[2] = true;
    unit_count = 2;
    present[1] = read_unit_serial(1);
    if (!read_unit_serial(3)) return unit_count;
    present[3] = true;
    unit_count = 3;
    if (!read_unit_serial(4)) return unit_count;
    present[4] = true;
    unit_count = 4;
    return unit_count;
}

std::string transfer_error_text(int result, int unit, bool writing) {
    const std::string number = "(" + std::to_string(unit) + ")";
    if (result == TRANSFER_NOT_FOUND) return "The VELMARO " + number + " was not found";
    if (result == TRANSFER_FAILED && writing) return "Error while writing to the VELMARO " + number;
    if (result == TRANSFER_FAILED) return "Error while reading from the VELMARO " + number;
    if (result == TRANSFER_INVALID && !writing) return "Invalid configuration";
    return "Unknown error (" + std::to_string(result) + ")";
}

bool load_unit_configuration(int unit, ConfigSnapshot& snapshot) {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    const int result = read_unit_image(unit, image);
    if (result != TRANSFER_OK) {
        report_error(transfer_error_text(result, unit, false));
        return false;
    }
    if (snapshot_from_image(image, snapshot)) return true;
    report_error("Invalid configuration");
    return false;
}

int run_units_command() {
    bool present[MAX_UNITS + 1] = {};
    const int count = enumerate_cli_units(present);
    if (count == 1) present[1] = read_unit_serial(1);
    bool any = false;
    for (int unit = 1; unit <= MAX_UNITS; ++unit) {
        if (!present[unit]) continue;
        *ctl_out << "Unit #" << unit << "  SN- " << unit_serial[unit] << "\n";
        any = true;
    }
    if (any) return CTL_EXIT_OK;
    report_error(transfer_error_text(TRANSFER_NOT_FOUND, 1, false));
    return CTL_EXIT_FAILED;
}

int run_write_command(const std::string& file, int unit, bool verify) {
    ConfigSnapshot snapshot;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!load_config_file(file, snapshot) || !image_from_snapshot(snapshot, image))
        return CTL_EXIT_FAILED;
    unit = choose_unit(unit);
    if (unit == NO_UNIT) return CTL_EXIT_USAGE;
    const int result = run_transfer([&] { return device_write_image(image, unit); });
    if (result != TRANSFER_OK) {
        report_error(transfer_error_text(result, unit, true));
        return CTL_EXIT_FAILED;
    }
    *ctl_out << "The configuration was successfully saved to the VELMARO\n";
    if (verify && !verify_unit(snapshot, file, unit)) return CTL_EXIT_FAILED;
    return CTL_EXIT_OK;
}

int run_read_command(const std::string& output, int unit) {
    unit = choose_unit(unit);
    if (unit == NO_UNIT) return CTL_EXIT_USAGE;
    ConfigSnapshot snapshot;
    if (!load_unit_configuration(unit, snapshot) || !save_config_file(output, snapshot))
        return CTL_EXIT_FAILED;
    *ctl_out << "The configuration was successfully read from the VELMARO\n";
    return CTL_EXIT_OK;
}
