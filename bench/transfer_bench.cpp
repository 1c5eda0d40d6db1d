// Exchanges per transfer and the program's time per exchange against an emulated unit with
// no latency: a full configuration (20 cells, FN key, macros near the 399-byte budget) and a
// 3 x 3 one without FN key or macros; then how closely the emulated unit keeps a latency of
// 1 ms. Prints figures; it is not a test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/config_image.h"
#include "config/config_model.h"
#include "device/device_protocol.h"
#include "keys/key_codes.h"
#include "latency_probe.h"

namespace fs = std::filesystem;

namespace {

constexpr int ROUNDS = 40;

// 4 rows x 5 columns: one FN cell, 19 cells running macros 1-19 of 16 make and 3 break steps
// each (21 bytes a record, 399 bytes in all), an FN table of plain keys.
void load_full_configuration() {
    load_default_configuration();
    view->select_row_count(4);
    view->select_column_count(5);
    for (int i = 0; i < 5; ++i) config_model.column_pins[i] = i;
    for (int i = 0; i < 4; ++i) config_model.row_pins[i] = 5 + i;
    int macro = 0;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            int cell = cell_index(row, column);
            config_model.key_table[cell] = cell == 0 ? KEY_FN : KEY_FLAG_MACRO | ++macro;
            config_model.fn_key_table[cell] = 4 + row * 5 + column;
        }
    }
    for (int slot = 0; slot < 19; ++slot) {
        MacroSlot& record = config_model.macro_slots[slot];
        std::memset(&record, 0, sizeof record);
        for (int i = 0; i < 16; ++i) record.make_steps[i] = 4 + i;
        for (int i = 0; i < 3; ++i) record.break_steps[i] = KEY_FLAG_BREAK | (4 + i);
        record.in_use = 1;
    }
}

void load_small_configuration() {
    load_default_configuration();
    view->select_row_count(3);
    view->select_column_count(3);
    for (int i = 0; i < 3; ++i) config_model.column_pins[i] = i;
    for (int i = 0; i < 3; ++i) config_model.row_pins[i] = 3 + i;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            config_model.key_table[cell_index(row, column)] = 4 + row * 3 + column;
}

int exchanges_logged(const fs::path& log) {
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);) count += line != "open" && line != "close";
    fs::remove(log);
    return count;
}

struct Figures {
    int exchanges;
    double microseconds_each;
};

// Runs the transfer ROUNDS times; the first run's log gives the exchange count.
template <class Transfer>
Figures measure(const fs::path& log, Transfer transfer) {
    transfer();
    Figures figures{exchanges_logged(log), 0};
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < ROUNDS; ++round) transfer();
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    figures.microseconds_each = spent.count() / ROUNDS / figures.exchanges;
    fs::remove(log);
    return figures;
}

void bench(const char* name, void (*load)(), const fs::path& unit) {
    load();
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!build_config_image(image)) {
        std::printf("%s: the configuration does not build\n", name);
        std::exit(1);
    }
    std::uint8_t back[CONFIG_IMAGE_SIZE];
    const fs::path log = unit / "exchanges.log";
    Figures write = measure(log, [&] {
        if (device_write_image(image, 1) != TRANSFER_OK) std::exit(1);
    });
    Figures read = measure(log, [&] {
        if (device_read_image(back, 1) != TRANSFER_OK) std::exit(1);
    });
    std::printf("%-44s write %4d exchanges %7.2f us each | read %4d exchanges %7.2f us each\n",
                name, write.exchanges, write.microseconds_each, read.exchanges,
                read.microseconds_each);
}

// The stand-in library alone: one open, then read exchanges, to set against the transfers.
void bench_library(const fs::path& unit) {
    const int exchanges = 2000;
    HidDeviceHandle handle;
    if (call_open_hid_device(DEVICE_ID, HID_REPORT_SIZE, HID_REPORT_SIZE, &handle, 1) != 0) std::exit(1);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < exchanges; ++i) device_read_byte(&handle, i % CONFIG_IMAGE_SIZE);
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    call_close_hid_device(&handle);
    fs::remove(unit / "exchanges.log");
    std::printf("%-44s %7.2f us per exchange\n", "the emulated unit alone (read exchanges)",
                spent.count() / exchanges);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/velmaro-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const fs::path folder = pattern;
    const fs::path unit = folder / "unit1";
    fs::create_directories(unit);
    setenv("VELMARO_SIM_DIR", pattern, 1);
    std::printf("Emulated unit at zero latency, %d rounds each, time per exchange on the whole:\n",
                ROUNDS);
    bench("full (20 cells, FN key, 399 macro bytes)", load_full_configuration, unit);
    bench("3 x 3 (no FN key, no macros)", load_small_configuration, unit);
    bench_library(unit);
    print_latency_error("emulated unit natively", 1000, measure_latency_error(unit.string(), 1000, 1000));
    fs::remove_all(folder);
    return 0;
}
