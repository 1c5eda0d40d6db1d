// GUI benchmark (not a test): a Write and a Read of the largest configuration (20 cells, the FN
// key, macros of 399 bytes) through the real progress window and message pumping, against an
// emulated unit at zero latency. Prints, per exchange, the time of the transfer alone (device
// and protocol, nothing shown), the time with the window, the program's own share (the
// difference), and the time of one empty drain of the message queue for comparison.
//
//   tools/wine-run.sh build/windows/bin/gui_transfer_benchmark.exe [ROUNDS]
// (named so that the native build, which builds every bench/*_bench.cpp, leaves it alone)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "harness.h"
#include "keys/key_codes.h"
#include "resource.h"

namespace {

double now_us() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1e6 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string make_sim_dir() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "velmaro-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\unit1").c_str(), nullptr);
    write_file_bytes(folder + "\\unit1\\serial", {'1', '2', '3', '4', '5', '6', '7', '8'});
    return folder;
}

// 5 x 4 cells: the FN key on the first, macros 1..19 on the others, each macro with 16 make
// and 3 break steps (19 steps + 2 count bytes = 21 bytes; 19 macros = 399 bytes).
void load_largest_configuration() {
    view->select_row_count(5);
    view->select_column_count(4);
    int cell = 0;
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 4; ++column, ++cell)
            config_model.key_table[cell_index(row, column)] = cell == 0 ? KEY_FN : (KEY_FLAG_MACRO | cell);
    config_model.fn_key_table[cell_index(0, 0)] = KEY_FN;
    config_model.fn_key_table[cell_index(4, 3)] = 0x2C;
    for (int slot = 0; slot < 19; ++slot) {
        MacroSlot& macro = config_model.macro_slots[slot];
        for (int step = 0; step < 16; ++step) macro.make_steps[step] = 4 + (slot + step) % 90;
        for (int step = 0; step < 3; ++step) macro.break_steps[step] = KEY_FLAG_BREAK | (4 + step);
        macro.in_use = 1;
    }
}

int logged_exchanges(const std::string& sim) {
    std::vector<std::uint8_t> log = read_file_bytes(sim + "\\unit1\\exchanges.log");
    int count = 0;
    bool line_start = true;
    for (std::uint8_t byte : log) {
        if (line_start && (byte == 'w' || byte == 'r')) ++count;
        line_start = byte == '\n';
    }
    return count;
}

struct Timing {
    double total_us = 0;
    int exchanges = 0;
};

template <class Transfer>
Timing run_rounds(const std::string& sim, int rounds, Transfer transfer) {
    Timing timing;
    int before = logged_exchanges(sim);
    double start = now_us();
    for (int round = 0; round < rounds; ++round) transfer();
    timing.total_us = now_us() - start;
    timing.exchanges = logged_exchanges(sim) - before;
    return timing;
}

// The program's TransferUi with a stopwatch around each of its two calls.
struct Split {
    double text_us = 0, pump_us = 0;
    int texts = 0, pumps = 0;
} split;

void timed_set_progress_text(const char* text) {
    double start = now_us();
    windows_transfer_ui.set_progress_text(text);
    split.text_us += now_us() - start;
    split.texts++;
}

void timed_pump_messages() {
    double start = now_us();
    windows_transfer_ui.pump_messages();
    split.pump_us += now_us() - start;
    split.pumps++;
}

const TransferUi timed_transfer_ui = {timed_set_progress_text, timed_pump_messages,
                                      windows_transfer_ui.wait_with_messages};

void open_progress(int dialog_id) {
    progress_window = CreateDialogParamA(app_instance, MAKEINTRESOURCEA(dialog_id), main_window,
                                         progress_dialog_proc, 0);
    ShowWindow(progress_window, SW_SHOW);
    UpdateWindow(progress_window);
}

void close_progress() {
    DestroyWindow(progress_window);
    progress_window = nullptr;
}

double drain_us(int calls) {
    double start = now_us();
    for (int i = 0; i < calls; ++i) windows_transfer_ui.pump_messages();
    return (now_us() - start) / calls;
}

void report(const char* what, int rounds, const Timing& bare, const Timing& gui, double drain) {
    if (bare.exchanges <= 0 || gui.exchanges <= 0) {
        std::printf("%-6s no exchange was logged\n", what);
        return;
    }
    double bare_per = bare.total_us / bare.exchanges, gui_per = gui.total_us / gui.exchanges;
    double own = gui_per - bare_per;
    std::printf("%-6s %4d exchanges  alone %6.1f us  with the window %6.1f us  program's own %5.1f us"
                " = %.2f x the drain\n",
                what, gui.exchanges / rounds, bare_per, gui_per, own, own / drain);
}

void report_split(const Split& s, int rounds) {
    if (s.pumps <= 0 || s.texts <= 0) return;
    std::printf("       of which: %d texts set per transfer, %.1f us each; drain after each exchange %.1f us\n",
                s.texts / rounds, s.text_us / s.texts, s.pump_us / s.pumps);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) rounds = 1;
    std::string sim = make_sim_dir();
    SetEnvironmentVariableA("VELMARO_SIM_DIR", sim.c_str());
    HarnessOptions options;
    options.record_sent_messages = false;
    options.watchdog_ms = 600000;
    harness_begin(options);   // answers the result messages of the whole commands
    if (!start_application(GetModuleHandleA(nullptr), SW_SHOW)) {
        std::fprintf(stderr, "the emulated unit was not found\n");
        return 1;
    }
    pump_idle();
    load_largest_configuration();
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!build_config_image(image)) return 1;
    std::uint8_t back[CONFIG_IMAGE_SIZE];

    open_progress(IDD_PROGRESS_WRITE);
    double drain = drain_us(20000);
    close_progress();

    set_transfer_ui(nullptr);
    Timing bare_write = run_rounds(sim, rounds, [&] { device_write_image(image, 1); });
    Timing bare_read = run_rounds(sim, rounds, [&] { device_read_image(back, 1); });
    set_transfer_ui(&timed_transfer_ui);
    open_progress(IDD_PROGRESS_WRITE);
    Timing gui_write = run_rounds(sim, rounds, [&] { device_write_image(image, 1); });
    close_progress();
    Split write_split = split;
    split = Split();
    open_progress(IDD_PROGRESS_READ);
    Timing gui_read = run_rounds(sim, rounds, [&] { device_read_image(back, 1); });
    close_progress();
    Split read_split = split;
    set_transfer_ui(&windows_transfer_ui);
    Timing command_write = run_rounds(sim, 1, [] { write_to_device(); });

    std::printf("empty drain of the message queue: %.1f us\n", drain);
    report("write", rounds, bare_write, gui_write, drain);
    report_split(write_split, rounds);
    report("read", rounds, bare_read, gui_read, drain);
    report_split(read_split, rounds);
    std::printf("whole Write command (with its two 100 ms pauses and the message): %.1f ms, %d exchanges\n",
                command_write.total_us / 1000, command_write.exchanges);
    DestroyWindow(main_window);
    pump_idle();
    harness_end();
    return 0;
}
