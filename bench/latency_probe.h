// How closely the emulated unit keeps its latency: exchanges straight through the device
// library, each timed against the monotonic clock, and the error of each (time taken minus
// latency_us). Shared by the native and the Windows benchmarks; VELMARO_SIM_DIR must name a
// folder whose unit 1 is attached.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "device/device_protocol.h"
#include "device/hid_call.h"

struct LatencyError {
    int exchanges = 0;
    double mean_us = 0, median_us = 0, p99_us = 0, worst_us = 0;
    double least_us = 0;        // below 0 when an exchange came back early
    int within_10_us = 0;       // exchanges whose error was at most 10 us
};

inline void set_unit_latency(const std::string& unit_folder, long latency_us) {
    std::ofstream(unit_folder + "/latency_us") << latency_us << "\n";
}

inline LatencyError summarize_errors(std::vector<double> errors) {
    LatencyError result;
    if (errors.empty()) return result;
    std::sort(errors.begin(), errors.end());
    result.exchanges = static_cast<int>(errors.size());
    for (double error : errors) result.mean_us += error / errors.size();
    result.median_us = errors[errors.size() / 2];
    result.p99_us = errors[errors.size() * 99 / 100];
    result.worst_us = errors.back();
    result.least_us = errors.front();
    result.within_10_us = static_cast<int>(
        std::upper_bound(errors.begin(), errors.end(), 10.0) - errors.begin());
    return result;
}

// `exchanges` read exchanges at `latency_us` on unit 1, whose folder is `unit_folder`.
inline LatencyError measure_latency_error(const std::string& unit_folder, long latency_us,
                                          int exchanges) {
    using Clock = std::chrono::steady_clock;
    set_unit_latency(unit_folder, latency_us);
    std::vector<double> errors;
    HidDeviceHandle handle{};
    if (call_open_hid_device(DEVICE_ID, HID_REPORT_SIZE, HID_REPORT_SIZE, &handle, 1) == 0) {
        for (int i = 0; i < exchanges; ++i) {
            Clock::time_point start = Clock::now();
            device_read_byte(&handle, i % CONFIG_IMAGE_SIZE);
            std::chrono::duration<double, std::micro> spent = Clock::now() - start;
            errors.push_back(spent.count() - static_cast<double>(latency_us));
        }
        call_close_hid_device(&handle);
    }
    set_unit_latency(unit_folder, 0);
    return summarize_errors(errors);
}

inline void print_latency_error(const char* where, long latency_us, const LatencyError& e) {
    if (e.exchanges == 0) {
        std::printf("%s: the emulated unit did not open\n", where);
        return;
    }
    std::printf("%s, latency_us %ld, %d exchanges: error per exchange mean %.1f us, median %.1f,"
                " 99th percentile %.1f, worst %.1f, least %.1f; %d within 10 us\n",
                where, latency_us, e.exchanges, e.mean_us, e.median_us, e.p99_us, e.worst_us,
                e.least_us, e.within_10_us);
}
