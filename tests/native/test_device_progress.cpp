// Serial numbers, progress figures and texts, and the in-progress flag.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "device/device_protocol.h"
#include "sim_units.h"

namespace {

struct SerialCase {
    std::uint8_t bytes[4];
    int expected;
};

TEST(DeviceSerial, DecodesTheBytesAsPackedDecimalDigits) {
    const SerialCase cases[] = {
        {{0x12, 0x34, 0x56, 0x78}, 12345678}, {{0x00, 0x00, 0x12, 0x34}, 1234},
        {{0x12, 0x3A, 0xBC, 0xDE}, 123},      {{0xA0, 0x00, 0x00, 0x00}, 0},
        {{0x99, 0x99, 0x99, 0x99}, 99999999}, {{0x00, 0x00, 0x00, 0x0F}, 0},
        {{0x10, 0x00, 0x00, 0x01}, 10000001}, {{0x45, 0x6F, 0xFF, 0xFF}, 456},
    };
    for (const SerialCase& c : cases) EXPECT_EQ(c.expected, decode_serial(c.bytes));
}

TEST(DeviceSerial, ReadsTheUnitsSerialInOneExchange) {
    SimUnits units;
    units.add_unit(3, "0012abcd");
    HidDeviceHandle handle;
    ASSERT_EQ(0, OpenHidDevice(DEVICE_ID, 6, 6, &handle, 3));
    EXPECT_EQ(12, device_read_serial(&handle));
    CloseHidDevice(&handle);
    EXPECT_EQ((std::vector<std::string>{"open", "serial", "close"}), units.log(3));
}

// Records what the transfers show.
struct Recorded {
    std::vector<std::string> texts;
    int pumps = 0;
    std::vector<bool> busy;  // transfer_in_progress at each pump
} recorded;

void record_text(const char* text) { recorded.texts.push_back(text); }
void record_pump() {
    ++recorded.pumps;
    recorded.busy.push_back(transfer_in_progress);
}
void record_wait(int) {}
const TransferUi recording_ui = {record_text, record_pump, record_wait};

class DeviceProgress : public ::testing::Test {
protected:
    void SetUp() override {
        recorded = Recorded();
        set_transfer_ui(&recording_ui);
        unit_count = 1;
        units.add_unit(1, "12345678");
        units.add_unit(2, "00654321");
    }
    void TearDown() override {
        set_transfer_ui(nullptr);
        unit_count = 1;
    }
    SimUnits units;
};

std::string text(const char* verb, const char* what, int first, int second) {
    char buffer[120];
    std::snprintf(buffer, sizeof buffer, "%s configuration - %d%%\n%s %s - %d%%", verb, first, verb,
                  what, second);
    return buffer;
}

TEST_F(DeviceProgress, WriteOfAPlainMatrixShowsEveryFigure) {
    ASSERT_EQ(TRANSFER_OK, device_write_image(sim_basic_image(3, 3).data(), 1));
    std::vector<std::string> expected;
    for (int first : {3, 6, 10, 13, 16, 20, 23, 26, 30, 33, 36, 40, 43, 46})
        expected.push_back(text("Writing", "data", first, 0));
    for (int a = 0; a < 18; ++a) expected.push_back(text("Writing", "data", 100, (a + 1) * 100 / 18));
    EXPECT_EQ(expected, recorded.texts);
    EXPECT_EQ(32, recorded.pumps);  // the four mark writes show nothing
}

TEST_F(DeviceProgress, MacroPhasesOfWriteAndRead) {
    Bytes image = sim_basic_image(1, 1);
    image[0] = 0x01;
    image[1] = 0x01;  // macro 1: ten bytes of make data, a break count of 0: 96..107
    image[96] = 10;
    for (int a = 97; a < 107; ++a) image[a] = 0x04;
    ASSERT_EQ(TRANSFER_OK, device_write_image(image.data(), 1));
    std::vector<std::string> macro(recorded.texts.end() - 12, recorded.texts.end());
    for (int k = 0; k < 12; ++k) EXPECT_EQ(text("Writing", "macro", 100, k * 100 / 12), macro[k]);
    EXPECT_EQ(14 + 2 + 12, recorded.pumps);  // the closing zero at 108 shows nothing

    recorded = Recorded();
    Bytes result(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    EXPECT_EQ(text("Reading", "data", 3, 0), recorded.texts.front());
    EXPECT_EQ(text("Reading", "macro", 100, (107 - 96) * 100 / 448), recorded.texts.back());
    EXPECT_EQ(14 + 2 + 12, recorded.pumps);
}

TEST_F(DeviceProgress, AnUnchangedTextIsNotSetAgainButMessagesArePumped) {
    Bytes image = sim_basic_image(1, 1);
    image[0] = 0x01;
    image[1] = 0x01;
    image[96] = 200;  // 200 bytes of make data: the read's figure repeats
    for (int a = 97; a < 297; ++a) image[a] = 0x05;
    ASSERT_EQ(TRANSFER_OK, device_write_image(image.data(), 1));
    recorded = Recorded();
    Bytes result(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    EXPECT_EQ(14 + 2 + 202, recorded.pumps);
    EXPECT_EQ(14 + 2 + 201 * 100 / 448 + 1, static_cast<int>(recorded.texts.size()));
    for (std::size_t i = 1; i < recorded.texts.size(); ++i)
        EXPECT_NE(recorded.texts[i - 1], recorded.texts[i]);
}

TEST_F(DeviceProgress, SeveralUnitsAddTheChosenSerialNumber) {
    unit_count = 2;
    unit_serial[1] = 12345678;
    unit_serial[2] = 654321;
    ASSERT_EQ(TRANSFER_OK, device_write_image(sim_basic_image(1, 1).data(), 2));
    EXPECT_EQ(text("Writing", "data", 3, 0) + "  SN- 654321", recorded.texts.front());
    Bytes result(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 2));
    EXPECT_EQ(text("Reading", "data", 100, 100) + "  SN- 654321", recorded.texts.back());
}

TEST_F(DeviceProgress, FormatsEveryVariant) {
    struct Variant {
        ProgressDirection direction;
        ProgressPhase phase;
        int units;
        const char* expected;
    };
    unit_serial[4] = -5;
    const Variant variants[] = {
        {PROGRESS_READ, PROGRESS_DATA, 1, "Reading configuration - 7%\nReading data - 9%"},
        {PROGRESS_READ, PROGRESS_MACRO, 1, "Reading configuration - 7%\nReading macro - 9%"},
        {PROGRESS_WRITE, PROGRESS_DATA, 1, "Writing configuration - 7%\nWriting data - 9%"},
        {PROGRESS_WRITE, PROGRESS_MACRO, 1, "Writing configuration - 7%\nWriting macro - 9%"},
        {PROGRESS_READ, PROGRESS_MACRO, 4, "Reading configuration - 7%\nReading macro - 9%  SN- -5"},
        {PROGRESS_WRITE, PROGRESS_DATA, 3, "Writing configuration - 7%\nWriting data - 9%  SN- -5"},
    };
    for (const Variant& v : variants) {
        unit_count = v.units;
        recorded = Recorded();
        reset_transfer_progress();
        show_transfer_progress(v.direction, v.phase, 7, 9, 4);
        show_transfer_progress(v.direction, v.phase, 7, 9, 4);
        EXPECT_EQ(std::vector<std::string>{v.expected}, recorded.texts);
        EXPECT_EQ(2, recorded.pumps);
    }
}

TEST_F(DeviceProgress, TheFlagIsUpForTheTransferOnly) {
    transfer_in_progress = false;
    ASSERT_EQ(TRANSFER_OK, device_write_image(sim_basic_image(2, 2).data(), 1));
    EXPECT_FALSE(transfer_in_progress);
    Bytes result(512);
    transfer_in_progress = true;  // a whole command under way keeps it
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    EXPECT_TRUE(transfer_in_progress);
    transfer_in_progress = false;
    ASSERT_EQ(TRANSFER_NOT_FOUND, device_read_image(result.data(), 4));
    EXPECT_FALSE(transfer_in_progress);
    ASSERT_FALSE(recorded.busy.empty());
    for (bool busy : recorded.busy) EXPECT_TRUE(busy);
}

}  // namespace
