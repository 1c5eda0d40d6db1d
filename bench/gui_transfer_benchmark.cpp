// GUI benchmark (not a test): a Write and a Read of the largest configuration (20 cells, the FN
// key, macros of 399 bytes) through the real windows, progress window and message pumping
// included, against an emulated unit at 1 ms and at 0 ms per exchange.
//
// For each: exchanges, wall time, the floor (exchanges x latency, plus the two 100 ms pauses
// of a Read or Write command) and their ratio, for the whole commands (from the command to the
// call of its result message), for the transfers alone under the progress window, and for the
// transfers with nothing shown. Then where the time of a command goes (progress texts, message
// drains, the rest), two trials of what could close the gap (a drain skipped when a cheaper
// look finds the queue empty; the exchanges on a worker thread), the cost of an empty drain,
// and how closely the emulated unit keeps its latency under Wine.
//
//   tools/wine-run.sh build/windows/bin/gui_transfer_benchmark.exe [ROUNDS]
// (named so that the native build, which builds every bench/*_bench.cpp, leaves it alone;
// tools/bench.sh runs it with the other benchmarks)
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"
#include "harness.h"
#include "keys/key_codes.h"
#include "latency_probe.h"
#include "resource.h"

namespace {

constexpr long LATENCIES_US[] = {1000, 0};
constexpr double COMMAND_PAUSES_MS = 200;  // after the progress window opens, after it closes

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

void remove_sim_dir(const std::string& sim) {
    for (const char* name : {"serial", "image.bin", "exchanges.log", "latency_us"})
        DeleteFileA((sim + "\\unit1\\" + name).c_str());
    RemoveDirectoryA((sim + "\\unit1").c_str());
    RemoveDirectoryA(sim.c_str());
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

// ---- stopwatches around the program's own calls ----

// The program's TransferUi and message boxes with a stopwatch around each call.
struct Split {
    double text_us = 0, pump_us = 0, wait_us = 0;
    int texts = 0, pumps = 0, waits = 0;
} split;

double result_told_at = 0;   // when the running command called for its result message
std::string unexpected_result;  // a result message other than success, for the report

void timed_set_progress_text(const char* text) {
    double start = now_us();
    windows_transfer_ui.set_progress_text(text);
    split.text_us += now_us() - start;
    split.texts++;
}

// A trial of a cheaper drain: skipped when GetQueueStatus finds nothing waiting. What the user
// sees after each exchange stays the same.
bool drain_only_when_waiting = false;

void timed_pump_messages() {
    double start = now_us();
    if (!drain_only_when_waiting || HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0)
        windows_transfer_ui.pump_messages();
    split.pump_us += now_us() - start;
    split.pumps++;
}

void timed_wait_with_messages(int milliseconds) {
    double start = now_us();
    windows_transfer_ui.wait_with_messages(milliseconds);
    split.wait_us += now_us() - start;
    split.waits++;
}

const TransferUi timed_transfer_ui = {timed_set_progress_text, timed_pump_messages,
                                      timed_wait_with_messages};

// The result message ends the time of a command. It is noted, not shown: the benchmark runs
// with no harness timer or hook, which would add their own work to every message drain.
MessageAnswer timed_message_box(MessageKind, const char* text) {
    if (result_told_at == 0) result_told_at = now_us();
    if (std::strstr(text, "successfully") == nullptr) unexpected_result = text;
    return ANSWER_OK;
}

bool no_file_chosen(bool, char*, std::size_t) { return false; }

const UiOps timed_ui_ops = {timed_message_box, no_file_chosen};

// ---- rounds ----

struct Timing {
    double total_us = 0, least_us = 0;
    int rounds = 0;
    int exchanges = 0;   // per round
};

// Runs `transfer` `rounds` times; a round ends when the command calls for its result message,
// or when `transfer` returns for a transfer alone.
template <class Transfer>
Timing run_rounds(const std::string& sim, int rounds, Transfer transfer) {
    Timing timing;
    int before = logged_exchanges(sim);
    for (int round = 0; round < rounds; ++round) {
        result_told_at = 0;
        double start = now_us();
        transfer();
        double spent = (result_told_at != 0 ? result_told_at : now_us()) - start;
        timing.total_us += spent;
        timing.least_us = round == 0 ? spent : std::min(timing.least_us, spent);
    }
    timing.rounds = rounds;
    timing.exchanges = (logged_exchanges(sim) - before) / rounds;
    return timing;
}

double floor_ms(const Timing& timing, long latency_us, double pauses_ms) {
    return timing.exchanges * latency_us / 1000.0 + pauses_ms;
}

void print_row(const char* what, long latency_us, const Timing& timing, double pauses_ms) {
    double wall = timing.total_us / timing.rounds / 1000, least = timing.least_us / 1000;
    double floor = floor_ms(timing, latency_us, pauses_ms);
    char ratios[32] = "-";
    if (floor > 0) std::snprintf(ratios, sizeof ratios, "%.3f %.3f", wall / floor, least / floor);
    std::printf("%-32s %5ld us %9d %9.1f %9.1f %9.1f  %s\n", what, latency_us, timing.exchanges,
                wall, least, floor, ratios);
}

void print_header(int rounds) {
    std::printf("%d rounds each; ratio = wall / floor, for the mean and for the least\n", rounds);
    std::printf("%-32s %8s %9s %9s %9s %9s  %s\n", "path", "latency", "exchanges", "mean ms",
                "least ms", "floor ms", "ratio");
}

// Where the time of a command went, per command.
void print_split(const char* what, long latency_us, const Timing& timing, const Split& s) {
    double rounds = timing.rounds, wall = timing.total_us / rounds / 1000;
    double unit = timing.exchanges * latency_us / 1000.0, waits = s.wait_us / rounds / 1000;
    double texts = s.text_us / rounds / 1000, pumps = s.pump_us / rounds / 1000;
    std::printf("  %s at %ld us: unit %.1f ms, pauses %.1f ms (%d), progress texts %.1f ms (%d, "
                "%.0f us each), drains %.1f ms (%d, %.0f us each), the rest %.1f ms\n",
                what, latency_us, unit, waits, static_cast<int>(s.waits / rounds), texts,
                static_cast<int>(s.texts / rounds), s.texts ? s.text_us / s.texts : 0.0, pumps,
                static_cast<int>(s.pumps / rounds), s.pumps ? s.pump_us / s.pumps : 0.0,
                wall - unit - waits - texts - pumps);
}

// ---- the paths ----

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

struct Image {
    std::uint8_t bytes[CONFIG_IMAGE_SIZE];
};

// Both commands, with the program's drain and with the trial's; where the time goes for the first.
void bench_commands(const std::string& sim, int rounds, long latency_us) {
    set_transfer_ui(&timed_transfer_ui);
    Split splits[2][2];
    Timing timings[2][2];
    for (int trial = 0; trial < 2; ++trial) {
        drain_only_when_waiting = trial == 1;
        split = Split();
        timings[trial][0] = run_rounds(sim, rounds, [] { write_to_device(); });
        splits[trial][0] = split;
        split = Split();
        timings[trial][1] = run_rounds(sim, rounds, [] {
            config_model.config_changed = 0;   // no question before the Read
            read_from_device();
        });
        splits[trial][1] = split;
    }
    drain_only_when_waiting = false;
    print_row("windows: Write command", latency_us, timings[0][0], COMMAND_PAUSES_MS);
    print_row("windows: Read command", latency_us, timings[0][1], COMMAND_PAUSES_MS);
    print_split("Write", latency_us, timings[0][0], splits[0][0]);
    print_split("Read", latency_us, timings[0][1], splits[0][1]);
    print_row("  trial, gated drain: Write", latency_us, timings[1][0], COMMAND_PAUSES_MS);
    print_row("  trial, gated drain: Read", latency_us, timings[1][1], COMMAND_PAUSES_MS);
}

// ---- a trial: the exchanges on a worker thread, the window on this one ----
// The worker runs the transfer and posts each progress text; this thread sets it and handles
// the messages while the next exchange runs. The same texts appear, each right after its
// exchange, but the window's work no longer adds to the unit's time.
constexpr UINT WM_TRIAL_PROGRESS_TEXT = WM_APP + 1;
DWORD window_thread_id;

void post_progress_text(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    if (!PostThreadMessageA(window_thread_id, WM_TRIAL_PROGRESS_TEXT, 0, reinterpret_cast<LPARAM>(copy)))
        delete[] copy;
}

void no_pumping() {}
void no_waiting(int) {}
const TransferUi worker_transfer_ui = {post_progress_text, no_pumping, no_waiting};

struct WorkerTransfer {
    const std::uint8_t* image;   // written when set, else read into `back`
    std::uint8_t* back;
};

DWORD WINAPI transfer_worker(void* parameter) {
    WorkerTransfer* transfer = static_cast<WorkerTransfer*>(parameter);
    if (transfer->image) device_write_image(transfer->image, 1);
    else device_read_image(transfer->back, 1);
    return 0;
}

void handle_trial_message(MSG* message) {
    if (message->message != WM_TRIAL_PROGRESS_TEXT) {
        dispatch_loop_message(message);
        return;
    }
    char* text = reinterpret_cast<char*>(message->lParam);
    SetDlgItemTextA(progress_window, IDC_PROGRESS_TEXT, text);
    delete[] text;
}

void transfer_on_worker(WorkerTransfer transfer) {
    window_thread_id = GetCurrentThreadId();
    set_transfer_ui(&worker_transfer_ui);
    HANDLE worker = CreateThread(nullptr, 0, transfer_worker, &transfer, 0, nullptr);
    for (bool done = false; !done;) {
        done = MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
               WAIT_OBJECT_0;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) handle_trial_message(&message);
    }
    CloseHandle(worker);
    set_transfer_ui(&windows_transfer_ui);
}

void bench_transfers(const std::string& sim, int rounds, long latency_us, const Image& image) {
    Image back;
    set_transfer_ui(&windows_transfer_ui);
    open_progress(IDD_PROGRESS_WRITE);
    Timing write = run_rounds(sim, rounds, [&] { device_write_image(image.bytes, 1); });
    Timing threaded_write = run_rounds(sim, rounds, [&] { transfer_on_worker({image.bytes, nullptr}); });
    close_progress();
    open_progress(IDD_PROGRESS_READ);
    Timing read = run_rounds(sim, rounds, [&] { device_read_image(back.bytes, 1); });
    Timing threaded_read = run_rounds(sim, rounds, [&] { transfer_on_worker({nullptr, back.bytes}); });
    close_progress();
    set_transfer_ui(nullptr);
    Timing bare_write = run_rounds(sim, rounds, [&] { device_write_image(image.bytes, 1); });
    Timing bare_read = run_rounds(sim, rounds, [&] { device_read_image(back.bytes, 1); });
    print_row("windows: Write transfer alone", latency_us, write, 0);
    print_row("windows: Read transfer alone", latency_us, read, 0);
    print_row("  trial, on a thread: Write", latency_us, threaded_write, 0);
    print_row("  trial, on a thread: Read", latency_us, threaded_read, 0);
    print_row("nothing shown: Write transfer", latency_us, bare_write, 0);
    print_row("nothing shown: Read transfer", latency_us, bare_read, 0);
}

// One empty drain right after 1 ms in which this thread called nothing of the system: spent
// waiting by the clock (asleep false) or in Sleep(1).
double drain_after_pause_us(bool asleep) {
    const int calls = 500;
    double total = 0;
    for (int i = 0; i < calls; ++i) {
        double until = now_us() + 1000;
        if (asleep) Sleep(1);
        while (now_us() < until) {
        }
        double start = now_us();
        windows_transfer_ui.pump_messages();
        total += now_us() - start;
    }
    return total / calls;
}

// An empty drain as the transfers make it, back to back and after a pause, and a look at the
// queue that would skip it.
void bench_queue_checks() {
    const int calls = 20000;
    open_progress(IDD_PROGRESS_WRITE);
    pump_idle();
    double start = now_us();
    for (int i = 0; i < calls; ++i) windows_transfer_ui.pump_messages();
    double drain = (now_us() - start) / calls;
    start = now_us();
    for (int i = 0; i < calls; ++i) GetQueueStatus(QS_ALLINPUT);
    double status = (now_us() - start) / calls;
    double after_wait = drain_after_pause_us(false), after_sleep = drain_after_pause_us(true);
    close_progress();
    std::printf("an empty drain of the message queue (PeekMessage) %.1f us back to back, %.1f us "
                "after 1 ms waited by the clock, %.1f us after 1 ms asleep; a look at the queue "
                "(GetQueueStatus) %.1f us\n", drain, after_wait, after_sleep, status);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) rounds = 1;
    std::string sim = make_sim_dir();
    std::string unit_folder = sim + "\\unit1";
    SetEnvironmentVariableA("VELMARO_SIM_DIR", sim.c_str());
    if (!start_application(GetModuleHandleA(nullptr), SW_SHOW)) {
        std::fprintf(stderr, "the emulated unit was not found\n");
        return 1;
    }
    pump_idle();
    const UiOps* program_ui = ui;
    set_ui_ops(&timed_ui_ops);
    load_largest_configuration();
    Image image;
    if (!build_config_image(image.bytes)) return 1;

    std::printf("Largest configuration (20 cells, FN key, 399 macro bytes), under Wine\n");
    print_header(rounds);
    for (long latency_us : LATENCIES_US) {
        set_unit_latency(unit_folder, latency_us);
        bench_commands(sim, rounds, latency_us);
        bench_transfers(sim, rounds, latency_us, image);
    }
    set_unit_latency(unit_folder, 0);
    bench_queue_checks();
    print_latency_error("emulated unit under Wine", 1000,
                        measure_latency_error(unit_folder, 1000, 1000));
    if (!unexpected_result.empty()) std::printf("a command ended with: %s\n", unexpected_result.c_str());
    set_ui_ops(program_ui);
    set_transfer_ui(&windows_transfer_ui);
    DestroyWindow(main_window);
    pump_idle();
    remove_sim_dir(sim);
    return 0;
}
