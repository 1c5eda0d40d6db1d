// Our stand-in for the maker's device library: up to four emulated units.
//
// The units are set up only through the environment. VELMARO_SIM_DIR names a folder (read on
// every open; a path starting with '/' is taken on drive Z: in the Windows build, as Wine maps
// the Unix root there). Unit N (1-4) is attached while the folder unitN exists in it and holds
// no file `unplugged`. In unitN:
//   serial         the four serial bytes as eight hex digits; created as 1000000N if missing
//   image.bin      the unit's stored 512 bytes; created zero-filled if missing; every write
//                  exchange lands in it before the call returns
//   latency_us     optional: microseconds that each exchange takes from the call to its
//                  return (default 0), kept to within a few microseconds when the machine is
//                  not overloaded
//   unplugged      checked at every open and every exchange: an exchange fails once it exists
//   fail_after     optional, read at open: a number K. The unit answers K exchanges, counted
//                  across opens and processes from the moment fail_after was written; the next
//                  exchange fails, and every later open fails (with K = 0 the open succeeds
//                  and its first exchange fails). The count is kept in `exchange_count` beside
//                  it ("COUNT STAMP", STAMP being fail_after's modification time); it starts
//                  again from 0 when fail_after is written anew or exchange_count is removed.
//                  Remove fail_after to plug the unit back.
//   stuck_byte     optional, read at open: "ADDRESS VALUE" (decimal address, two hex digits).
//                  A write to ADDRESS stores VALUE whatever it sent: a unit that keeps another
//                  value at one address (the exchange succeeds and is logged as sent).
//   exchanges.log  one line per call: open, close, write ADDR VALUE, read ADDR VALUE, serial,
//                  and "bad" with the six report bytes for a report the unit does not know
//                  (unknown command or address above 511), which is answered with zeros.
// Results: 0 on success from OpenHidDevice and WriteHidDevice, 1 otherwise.
#include "device/hid_library.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

constexpr int IMAGE_SIZE = 512;
constexpr int UNIT_LIMIT = 4;
constexpr int SESSION_LIMIT = 8;
constexpr std::uint32_t HANDLE_MAGIC = 0x4D495356;  // "VSIM"
constexpr unsigned char REPORT_ID = 0x01;
constexpr unsigned char COMMAND_WRITE = 0x81;
constexpr unsigned char COMMAND_READ = 0x82;
constexpr unsigned char COMMAND_SERIAL = 0x84;
constexpr int REPLY_SIZE = 8;

// What the caller's 20-byte handle holds.
struct HandleData {
    std::uint32_t magic;
    std::uint32_t slot;
    std::uint32_t generation;
};
static_assert(sizeof(HandleData) <= sizeof(HidDeviceHandle), "handle too small");

// fail_after's limit, read at open: -1 when there is none.
struct Budget {
    long limit;
    unsigned long long stamp;  // fail_after's modification time
};

struct Session {
    bool open;
    std::uint32_t generation;
    std::string folder;
    unsigned char image[IMAGE_SIZE];
    unsigned char serial[4];
    long latency_us;
    int stuck_address;  // -1 when no address is stuck
    unsigned char stuck_value;
    Budget budget;
    std::FILE* image_file;
    std::FILE* log_file;
};

Session sessions[SESSION_LIMIT];
std::uint32_t next_generation = 1;

// ---- files ----

#if defined(_WIN32)
std::string simulation_folder() {
    char value[1024];
    DWORD length = GetEnvironmentVariableA("VELMARO_SIM_DIR", value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::string();
    return value[0] == '/' ? std::string("Z:") + value : std::string(value);
}

bool is_folder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's modification time, 0 when it does not exist.
unsigned long long file_stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}
#else
std::string simulation_folder() {
    const char* value = std::getenv("VELMARO_SIM_DIR");
    return value ? std::string(value) : std::string();
}

bool is_folder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool file_exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

unsigned long long file_stamp(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return 0;
    return static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ull +
           static_cast<unsigned long long>(info.st_mtim.tv_nsec);
}
#endif

// The first line of a small text file, empty when it cannot be read.
std::string read_text(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::string();
    char buffer[128];
    std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    buffer[length] = '\0';
    return std::string(buffer, std::strcspn(buffer, "\r\n"));
}

void write_text(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fputs(text.c_str(), file);
    std::fclose(file);
}

// A non-negative decimal number from a text file, or -1 when absent or not a number.
long read_number(const std::string& path) {
    std::string text = read_text(path);
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || value < 0) return -1;
    return value;
}

// ---- the unit's attachment and its fail_after budget ----

std::string unit_folder(int unit) {
    std::string base = simulation_folder();
    if (base.empty()) return base;
    return base + "/unit" + static_cast<char>('0' + unit);
}

// Exchanges answered since fail_after was written (0 when the count belongs to an older one).
long exchanges_counted(const std::string& folder, unsigned long long stamp) {
    std::string text = read_text(folder + "/exchange_count");
    long count = 0;
    unsigned long long counted_stamp = 0;
    if (std::sscanf(text.c_str(), "%ld %llu", &count, &counted_stamp) != 2) return 0;
    return counted_stamp == stamp && count >= 0 ? count : 0;
}

// Rewrites the count in place: a file truncated and written again is flushed to the disk
// on close by some file systems, which costs milliseconds per exchange.
void store_count(const std::string& path, long count, unsigned long long stamp) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fprintf(file, "%020ld %020llu\n", count, stamp);
    std::fclose(file);
}

Budget read_budget(const std::string& folder) {
    std::string limit_path = folder + "/fail_after";
    long limit = read_number(limit_path);
    return Budget{limit, limit < 0 ? 0 : file_stamp(limit_path)};
}

// An open is refused once an exchange has failed for the limit.
bool budget_lets_open(const std::string& folder, const Budget& budget) {
    return budget.limit < 0 || exchanges_counted(folder, budget.stamp) <= budget.limit;
}

// An exchange fails when K exchanges have been answered, and is counted otherwise.
bool budget_takes_exchange(const std::string& folder, const Budget& budget) {
    if (budget.limit < 0) return true;
    long count = exchanges_counted(folder, budget.stamp);
    if (count <= budget.limit)  // count + 1 past the limit marks the unit gone for later opens
        store_count(folder + "/exchange_count", count + 1, budget.stamp);
    return count < budget.limit;
}

bool unit_attached(const std::string& folder) {
    return !folder.empty() && is_folder(folder) && !file_exists(folder + "/unplugged");
}

// Checked on every exchange: the one file test that a test's unplugging needs.
bool still_plugged(const Session& session) {
    return !file_exists(session.folder + "/unplugged");
}

// ---- a unit's stored state ----

void load_serial(Session& session, int unit) {
    std::string path = session.folder + "/serial";
    if (!file_exists(path)) write_text(path, std::string("1000000") + static_cast<char>('0' + unit) + "\n");
    std::string text = read_text(path);
    unsigned int value = 0;
    bool valid = text.size() >= 8 &&
                 text.find_first_not_of("0123456789abcdefABCDEF") >= 8 &&
                 std::sscanf(text.substr(0, 8).c_str(), "%x", &value) == 1;
    if (!valid) value = 0x10000000u + static_cast<unsigned int>(unit);
    for (int i = 0; i < 4; ++i) session.serial[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// Loads image.bin (missing bytes read as zero) and keeps it open for the writes.
bool load_image(Session& session) {
    std::string path = session.folder + "/image.bin";
    std::memset(session.image, 0, IMAGE_SIZE);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) {
        std::size_t got = std::fread(session.image, 1, IMAGE_SIZE, file);
        std::fclose(file);
        if (got < IMAGE_SIZE) file = nullptr;  // short: written out whole below
    }
    if (!file) {
        file = std::fopen(path.c_str(), "wb");
        if (!file) return false;
        std::fwrite(session.image, 1, IMAGE_SIZE, file);
        std::fclose(file);
    }
    session.image_file = std::fopen(path.c_str(), "r+b");
    return session.image_file != nullptr;
}

void log_line(Session& session, const char* format, int first = 0, int second = 0) {
    if (!session.log_file) return;
    std::fprintf(session.log_file, format, first, second);
    std::fputc('\n', session.log_file);
    std::fflush(session.log_file);
}

void log_bad_report(Session& session, const unsigned char* report) {
    if (!session.log_file) return;
    std::fprintf(session.log_file, "bad %02x %02x %02x %02x %02x %02x\n", report[0], report[1],
                 report[2], report[3], report[4], report[5]);
    std::fflush(session.log_file);
}

void end_session(Session& session) {
    if (session.image_file) std::fclose(session.image_file);
    if (session.log_file) std::fclose(session.log_file);
    session.image_file = nullptr;
    session.log_file = nullptr;
    session.open = false;
}

// ---- handles ----

Session* session_of(const HidDeviceHandle* handle) {
    if (!handle) return nullptr;
    HandleData data;
    std::memcpy(&data, handle->storage, sizeof data);
    if (data.magic != HANDLE_MAGIC || data.slot >= SESSION_LIMIT) return nullptr;
    Session& session = sessions[data.slot];
    return session.open && session.generation == data.generation ? &session : nullptr;
}

int free_slot() {
    for (int slot = 0; slot < SESSION_LIMIT; ++slot)
        if (!sessions[slot].open) return slot;
    return -1;
}

void load_stuck_byte(Session& session) {
    std::string text = read_text(session.folder + "/stuck_byte");
    int address = -1;
    unsigned int value = 0;
    bool valid = std::sscanf(text.c_str(), "%d %x", &address, &value) == 2 && address >= 0 &&
                 address < IMAGE_SIZE && value <= 0xFF;
    session.stuck_address = valid ? address : -1;
    session.stuck_value = static_cast<unsigned char>(value);
}

bool start_session(Session& session, int unit, const std::string& folder) {
    session.folder = folder;
    session.image_file = nullptr;
    session.log_file = nullptr;
    load_serial(session, unit);
    long latency = read_number(folder + "/latency_us");
    session.latency_us = latency > 0 ? latency : 0;
    load_stuck_byte(session);
    if (!load_image(session)) return false;
    session.log_file = std::fopen((folder + "/exchanges.log").c_str(), "ab");
    session.open = true;
    session.generation = next_generation++;
    return true;
}

// ---- exchanges ----

// An exchange ends latency_us after it began, whatever the unit's own file work took: the
// thread sleeps while more than a sleep's lateness remains, then waits out the rest against
// the monotonic clock.
using Clock = std::chrono::steady_clock;

#if defined(_WIN32)
// Sleep counts whole milliseconds, and std::this_thread::sleep_for drops the part below one.
// The system's own delay (NtDelayExecution) takes the span in units of 100 ns: under Wine it
// returns 60-110 us late. Where it cannot be found the wait is by the clock alone. Returns the
// time asked of the system.
using DelayExecution = LONG(NTAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);
using DelayTicks = std::chrono::duration<long long, std::ratio<1, 10000000>>;

DelayExecution find_delay_execution() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC found = ntdll ? GetProcAddress(ntdll, "NtDelayExecution") : nullptr;
    return reinterpret_cast<DelayExecution>(reinterpret_cast<void (*)()>(found));
}

Clock::duration sleep_about(Clock::duration span) {
    static const DelayExecution delay_execution = find_delay_execution();
    DelayTicks ticks = std::chrono::duration_cast<DelayTicks>(span);
    if (!delay_execution || ticks.count() <= 0) return Clock::duration::zero();
    LARGE_INTEGER interval;
    interval.QuadPart = -ticks.count();  // negative: relative to now
    delay_execution(FALSE, &interval);
    return ticks;
}
#else
Clock::duration sleep_about(Clock::duration span) {
    std::this_thread::sleep_for(span);
    return span;
}
#endif

// The least lateness allowed for: a sleep returns 50-110 us late on an idle machine.
constexpr Clock::duration SLEEP_LATENESS_LEAST = std::chrono::microseconds(150);
// Beyond this, waiting by the clock alone does no worse than sleeping.
constexpr Clock::duration SLEEP_LATENESS_MOST = std::chrono::milliseconds(2);

// How late a sleep may come back, learned from the sleeps themselves: a busy machine wakes a
// sleeper late. It rises at once to a lateness seen and eases back by a 32nd every exchange.
Clock::duration sleep_lateness = SLEEP_LATENESS_LEAST;

void sleep_and_learn(Clock::duration span) {
    Clock::time_point start = Clock::now();
    Clock::duration asked = sleep_about(span);
    if (asked <= Clock::duration::zero()) return;
    Clock::duration late = Clock::now() - start - asked;
    if (late > sleep_lateness) sleep_lateness = std::min(late, SLEEP_LATENESS_MOST);
}

void wait_until(Clock::time_point deadline) {
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now())
        if (deadline - now > sleep_lateness) sleep_and_learn(deadline - now - sleep_lateness);
    sleep_lateness = std::max(SLEEP_LATENESS_LEAST, sleep_lateness - sleep_lateness / 32);
}

Clock::time_point exchange_deadline(const Session& session) {
    return session.latency_us > 0 ? Clock::now() + std::chrono::microseconds(session.latency_us)
                                  : Clock::time_point();
}

void wait_latency(const Session& session, Clock::time_point deadline) {
    if (session.latency_us > 0) wait_until(deadline);
}

void store_byte(Session& session, int address, unsigned char value) {
    session.image[address] = value;
    if (!session.image_file) return;
    std::fseek(session.image_file, address, SEEK_SET);
    std::fputc(value, session.image_file);
    std::fflush(session.image_file);
}

// Answers one report that reached the unit.
void answer(Session& session, const unsigned char* report, unsigned char* reply) {
    int address = report[2] * 256 + report[3];
    bool addressed = report[1] == COMMAND_WRITE || report[1] == COMMAND_READ;
    bool known = report[1] == COMMAND_SERIAL || addressed;
    if (report[0] != REPORT_ID || !known || (addressed && address >= IMAGE_SIZE)) {
        log_bad_report(session, report);
    } else if (report[1] == COMMAND_WRITE) {
        store_byte(session, address, address == session.stuck_address ? session.stuck_value : report[4]);
        log_line(session, "write %d %02x", address, report[4]);
    } else if (report[1] == COMMAND_READ) {
        reply[4] = session.image[address];
        log_line(session, "read %d %02x", address, reply[4]);
    } else {
        std::memcpy(reply + 1, session.serial, 4);
        log_line(session, "serial");
    }
}

}  // namespace

extern "C" {

HID_API int HID_CALL OpenHidDevice(int, int, int, HidDeviceHandle* handle, int unit) {
    if (!handle) return 1;
    std::memset(handle->storage, 0, sizeof handle->storage);
    if (unit < 1 || unit > UNIT_LIMIT) return 1;
    std::string folder = unit_folder(unit);
    if (!unit_attached(folder)) return 1;
    Budget budget = read_budget(folder);
    if (!budget_lets_open(folder, budget)) return 1;
    int slot = free_slot();
    if (slot < 0 || !start_session(sessions[slot], unit, folder)) return 1;
    sessions[slot].budget = budget;
    log_line(sessions[slot], "open");
    HandleData data = {HANDLE_MAGIC, static_cast<std::uint32_t>(slot), sessions[slot].generation};
    std::memcpy(handle->storage, &data, sizeof data);
    return 0;
}

HID_API int HID_CALL WriteHidDevice(HidDeviceHandle* handle, unsigned char* report,
                                    unsigned char* reply) {
    if (reply) std::memset(reply, 0, REPLY_SIZE);
    Session* session = session_of(handle);
    if (!session || !report || !reply) return 1;
    Clock::time_point deadline = exchange_deadline(*session);
    if (!still_plugged(*session) || !budget_takes_exchange(session->folder, session->budget))
        return 1;
    answer(*session, report, reply);
    wait_latency(*session, deadline);
    return 0;
}

HID_API int HID_CALL CloseHidDevice(HidDeviceHandle* handle) {
    Session* session = session_of(handle);
    if (!session) return 1;
    log_line(*session, "close");
    end_session(*session);
    std::memset(handle->storage, 0, sizeof handle->storage);
    return 0;
}

}  // extern "C"
