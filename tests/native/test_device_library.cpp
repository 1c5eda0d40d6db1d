// The stand-in device library: attachment, stored state, bad reports, limits and latency.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "device/device_protocol.h"
#include "sim_units.h"

namespace {

struct Link {
    HidDeviceHandle handle{};
    int opened = 1;
    explicit Link(int unit) { opened = OpenHidDevice(DEVICE_ID, 6, 6, &handle, unit); }
    ~Link() { CloseHidDevice(&handle); }
    int send(std::vector<std::uint8_t> report, std::uint8_t reply[8]) {
        report.resize(8);
        return WriteHidDevice(&handle, report.data(), reply);
    }
};

TEST(DeviceLibrary, AttachesOnlyPresentPluggedUnits) {
    HidDeviceHandle handle;
    EXPECT_NE(0, OpenHidDevice(DEVICE_ID, 6, 6, &handle, 1));  // no VELMARO_SIM_DIR
    CloseHidDevice(&handle);                                    // accepted after a failed open
    SimUnits units;
    units.add_unit(1);
    units.add_unit(4);
    units.unplug(4);
    const struct { int unit; bool opens; } cases[] = {
        {0, false}, {1, true}, {2, false}, {4, false}, {5, false}, {-1, false}};
    for (const auto& c : cases) {
        Link link(c.unit);
        EXPECT_EQ(c.opens, link.opened == 0) << c.unit;
    }
    EXPECT_EQ((std::vector<std::string>{"open", "close"}), units.log(1));
}

TEST(DeviceLibrary, CreatesTheSerialAndTheImageOfABareFolder) {
    SimUnits units;
    std::filesystem::create_directories(units.unit_folder(3));
    Link link(3);
    ASSERT_EQ(0, link.opened);
    std::uint8_t reply[8];
    EXPECT_EQ(0, link.send({1, 0x84, 0, 0, 0, 0}, reply));
    EXPECT_EQ(10000003, decode_serial(reply + 1));
    EXPECT_EQ(Bytes(512, 0), units.image(3));
}

TEST(DeviceLibrary, EveryWriteIsStoredBeforeTheCallReturns) {
    SimUnits units;
    units.add_unit(2, "11223344");
    Link link(2);
    std::uint8_t reply[8];
    ASSERT_EQ(0, link.send({1, 0x81, 1, 0xFF, 0xA7, 0}, reply));  // address 511
    EXPECT_EQ(0xA7, units.image(2)[511]);
    ASSERT_EQ(0, link.send({1, 0x82, 1, 0xFF, 0, 0}, reply));
    EXPECT_EQ(0xA7, reply[4]);
    EXPECT_EQ((std::vector<std::string>{"open", "write 511 a7", "read 511 a7"}), units.log(2));
}

TEST(DeviceLibrary, BadReportsGetZerosAndALogLine) {
    SimUnits units;
    units.add_unit(1, "12345678", Bytes(512, 0x9C));
    const struct { std::vector<std::uint8_t> report; const char* logged; } cases[] = {
        {{1, 0x83, 0, 5, 0, 0}, "bad 01 83 00 05 00 00"},
        {{1, 0x82, 2, 0, 0, 0}, "bad 01 82 02 00 00 00"},
        {{1, 0x81, 2, 0x58, 7, 0}, "bad 01 81 02 58 07 00"},
        {{2, 0x82, 0, 1, 0, 0}, "bad 02 82 00 01 00 00"},
        {{0, 0, 0, 0, 0, 0}, "bad 00 00 00 00 00 00"},
        {{1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "bad 01 ff ff ff ff ff"},
    };
    Link link(1);
    for (const auto& c : cases) {
        std::uint8_t reply[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(0, link.send(c.report, reply)) << c.logged;
        EXPECT_EQ(Bytes(8, 0), Bytes(reply, reply + 8)) << c.logged;
        EXPECT_EQ(c.logged, units.log(1).back());
    }
    EXPECT_EQ(Bytes(512, 0x9C), units.image(1));
}

TEST(DeviceLibrary, HandlesThatWereNeverOpenedAreRefused) {
    SimUnits units;
    units.add_unit(1);
    HidDeviceHandle garbage;
    std::memset(garbage.storage, 0xAB, sizeof garbage.storage);
    std::uint8_t report[8] = {1, 0x81, 0, 0, 9, 0, 0, 0};
    std::uint8_t reply[8];
    EXPECT_NE(0, WriteHidDevice(&garbage, report, reply));
    EXPECT_NE(0, WriteHidDevice(nullptr, report, reply));
    EXPECT_NE(0, CloseHidDevice(&garbage));
    HidDeviceHandle handle;
    ASSERT_EQ(0, OpenHidDevice(DEVICE_ID, 6, 6, &handle, 1));
    HidDeviceHandle copy = handle;
    EXPECT_NE(0, WriteHidDevice(&handle, nullptr, reply));
    EXPECT_EQ(0, CloseHidDevice(&handle));
    EXPECT_NE(0, WriteHidDevice(&copy, report, reply));  // closed already
    EXPECT_NE(0, CloseHidDevice(&copy));
    EXPECT_EQ((std::vector<std::string>{"open", "close"}), units.log(1));
    EXPECT_EQ(0, units.image(1)[0]);
}

TEST(DeviceLibrary, FailAfterCountsAcrossOpensUntilWrittenAgain) {
    SimUnits units;
    units.add_unit(1);
    units.fail_after(1, 3);
    std::uint8_t reply[8];
    {
        Link link(1);
        EXPECT_EQ(0, link.send({1, 0x84, 0, 0, 0, 0}, reply));
        EXPECT_EQ(0, link.send({1, 0x84, 0, 0, 0, 0}, reply));
    }
    {
        Link link(1);
        EXPECT_EQ(0, link.send({1, 0x81, 0, 3, 1, 0}, reply));
        EXPECT_NE(0, link.send({1, 0x81, 0, 4, 1, 0}, reply));
    }
    EXPECT_NE(0, Link(1).opened);
    Bytes stored = units.image(1);
    EXPECT_EQ(1, stored[3]);
    EXPECT_EQ(0, stored[4]);  // the failed exchange stored nothing
    units.fail_after(1, 1);  // a new limit counts from zero
    Link link(1);
    ASSERT_EQ(0, link.opened);
    EXPECT_EQ(0, link.send({1, 0x84, 0, 0, 0, 0}, reply));
    EXPECT_NE(0, link.send({1, 0x84, 0, 0, 0, 0}, reply));
}

TEST(DeviceLibrary, UnpluggingCutsAnOpenLink) {
    SimUnits units;
    units.add_unit(2);
    Link link(2);
    std::uint8_t reply[8];
    EXPECT_EQ(0, link.send({1, 0x82, 0, 0, 0, 0}, reply));
    units.unplug(2);
    EXPECT_NE(0, link.send({1, 0x82, 0, 0, 0, 0}, reply));
    EXPECT_NE(0, Link(2).opened);
    units.plug(2);
    EXPECT_EQ(0, link.send({1, 0x82, 0, 0, 0, 0}, reply));
}

// Every exchange takes latency_us, not less and, in the quickest of a few, not much more
// (the margin holds on a loaded machine: one exchange in eight left alone is enough).
TEST(DeviceLibrary, LatencyIsSpentOnEveryExchange) {
    using Clock = std::chrono::steady_clock;
    const long latencies[] = {0, 300, 1500, 4000};
    for (long latency : latencies) {
        SCOPED_TRACE(std::to_string(latency) + " us");
        SimUnits units;
        units.add_unit(1);
        std::FILE* file = std::fopen((units.unit_folder(1) + "/latency_us").c_str(), "w");
        ASSERT_NE(nullptr, file);
        std::fprintf(file, "%ld\n", latency);
        std::fclose(file);
        Link link(1);
        std::uint8_t reply[8];
        long quickest_us = 1000000;
        for (int i = 0; i < 8; ++i) {
            Clock::time_point start = Clock::now();
            ASSERT_EQ(0, link.send({1, 0x81, 0, 0, 0x55, 0}, reply));
            long spent_us = static_cast<long>(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
            EXPECT_GE(spent_us, latency) << "exchange " << i;
            quickest_us = std::min(quickest_us, spent_us);
        }
        EXPECT_LE(quickest_us, latency + 400) << "the quickest exchange";
    }
}

}  // namespace
