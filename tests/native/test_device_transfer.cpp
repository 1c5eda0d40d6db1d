// Write and read sequences against an emulated unit, exchange by exchange.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <utility>

#include "device/device_protocol.h"
#include "sim_units.h"

namespace {

using Range = std::pair<int, int>;  // first and last address, inclusive

struct TransferCase {
    const char* name;
    Bytes image;
    std::vector<Range> written;       // after the mark is cleared, in order
    int closing_zero;                 // address of the zero after the macro records, or -1
    std::vector<Range> read;          // after the mark is checked, in order
};

void PrintTo(const TransferCase& c, std::ostream* out) { *out << c.name; }

std::string line(const char* verb, int address, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %d %02x", verb, address, value);
    return text;
}

void set_entry(Bytes& image, int base, int entry, int code) {
    image[base + 2 * entry] = static_cast<std::uint8_t>(code >> 8);
    image[base + 2 * entry + 1] = static_cast<std::uint8_t>(code & 0xFF);
}

// count records of `length` bytes: a make count, length - 2 key bytes, a break count of 0.
void put_records(Bytes& image, int count, int length) {
    int at = 96;
    for (int record = 0; record < count && at < 496; ++record, at += length) {
        image[at] = static_cast<std::uint8_t>(length - 2);
        for (int i = 1; i < length - 1 && at + i < 496; ++i) image[at + i] = 0x04;
    }
}

Bytes with_cells(int rows, int columns, std::vector<Range> normal, std::vector<Range> fn = {}) {
    Bytes image = sim_basic_image(rows, columns);
    for (const Range& cell : normal) set_entry(image, 0, cell.first, cell.second);
    for (const Range& cell : fn) set_entry(image, 48, cell.first, cell.second);
    return image;
}

Bytes with_bytes(Bytes image, int at, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) image[at + i] = bytes[i];
    return image;
}

std::vector<TransferCase> transfer_cases() {
    const Range settings{496, 509};
    Bytes records = with_bytes(with_cells(2, 2, {{0, 0x0101}, {1, 0x0103}}), 96,
                               {2, 0x04, 0x05, 1, 0x84, /*empty*/ 0, 0, /*3*/ 0, 1, 0x85});
    Bytes delays = with_bytes(with_cells(2, 2, {{3, 0x0102}}), 96,
                              {2, 0x7F, 0x00, 0, /*2*/ 3, 0x7F, 0x0A, 0x04, 0});
    Bytes full = with_cells(3, 3, {{8, 0x0113}, {0, 2}}, {{8, 0x0004}});
    put_records(full, 19, 21);                       // 399 bytes: 96..494
    Bytes whole = with_cells(2, 2, {{0, 0x0114}});
    put_records(whole, 20, 20);                      // 400 bytes: 96..495
    Bytes overlong = with_cells(2, 2, {{0, 0x0114}});
    put_records(overlong, 20, 21);                   // the 20th record would pass 495
    Bytes fn_macro = with_cells(2, 2, {{1, 0x0002}}, {{2, 0x0102}});
    fn_macro = with_bytes(fn_macro, 96, {1, 0x04, 0, 1, 0x05, 0});
    Bytes hidden_fn_macro = with_bytes(with_cells(2, 2, {}, {{2, 0x0101}}), 96, {1, 0x04, 0});
    Bytes unreferenced = with_bytes(sim_basic_image(2, 2), 96, {1, 0x04, 0});
    return {
        {"plain 3x3", sim_basic_image(3, 3), {settings, {0, 17}}, -1, {settings, {0, 17}}},
        {"FN key", with_cells(3, 3, {{4, 0x0002}}), {settings, {0, 17}, {48, 65}}, -1,
         {settings, {0, 17}, {48, 65}}},
        {"low byte 2 under a flag", with_cells(2, 2, {{1, 0x0402}}), {settings, {0, 7}, {48, 55}},
         -1, {settings, {0, 7}, {48, 55}}},
        {"2 as a high byte only", with_cells(2, 2, {{1, 0x0200}}), {settings, {0, 7}}, -1,
         {settings, {0, 7}}},
        {"2 beyond the used cells", with_bytes(sim_basic_image(2, 2), 9, {2}), {settings, {0, 7}},
         -1, {settings, {0, 7}}},
        {"empty record inside", records, {settings, {0, 7}, {96, 105}}, 106,
         {settings, {0, 7}, {96, 105}}},
        // macro number 2 ends in the FN key's byte, so the FN table travels too
        {"delay counts", delays, {settings, {0, 7}, {48, 55}, {96, 104}}, 105,
         {settings, {0, 7}, {48, 55}, {96, 104}}},
        {"399 macro bytes", full, {settings, {0, 17}, {48, 65}, {96, 494}}, 495,
         {settings, {0, 17}, {48, 65}, {96, 494}}},
        {"400 macro bytes", whole, {settings, {0, 7}, {96, 495}}, -1, {settings, {0, 7}, {96, 495}}},
        {"record past the area", overlong, {settings, {0, 7}, {96, 494}}, 495,
         {settings, {0, 7}, {96, 495}}},
        {"macro of the FN table", fn_macro, {settings, {0, 7}, {48, 55}, {96, 101}}, 102,
         {settings, {0, 7}, {48, 55}, {96, 101}}},
        {"FN table that stays home", hidden_fn_macro, {settings, {0, 7}}, -1, {settings, {0, 7}}},
        {"records nobody refers to", unreferenced, {settings, {0, 7}}, -1, {settings, {0, 7}}},
    };
}

std::vector<std::string> expected_write_log(const TransferCase& c) {
    std::vector<std::string> log = {"open", line("write", 510, 0), line("write", 511, 0)};
    for (const Range& range : c.written)
        for (int a = range.first; a <= range.second; ++a) log.push_back(line("write", a, c.image[a]));
    if (c.closing_zero >= 0) log.push_back(line("write", c.closing_zero, 0));
    log.push_back(line("write", 510, 0x4F));
    log.push_back(line("write", 511, 0x4B));
    log.push_back("close");
    return log;
}

std::vector<std::string> expected_read_log(const TransferCase& c, const Bytes& unit) {
    std::vector<std::string> log = {"open", line("read", 510, 0x4F), line("read", 511, 0x4B)};
    for (const Range& range : c.read)
        for (int a = range.first; a <= range.second; ++a) log.push_back(line("read", a, unit[a]));
    log.push_back("close");
    return log;
}

class DeviceTransfer : public ::testing::TestWithParam<TransferCase> {
protected:
    void SetUp() override {
        unit_count = 1;
        units.add_unit(1, "12345678", Bytes(512, 0xEE));  // an old, stale content
    }
    SimUnits units;
};

TEST_P(DeviceTransfer, WriteSendsTheRegionsInOrder) {
    const TransferCase& c = GetParam();
    ASSERT_EQ(TRANSFER_OK, device_write_image(c.image.data(), 1));
    EXPECT_EQ(expected_write_log(c), units.log(1));
    Bytes unit = units.image(1);
    EXPECT_EQ(0x4F, unit[510]);
    EXPECT_EQ(0x4B, unit[511]);
    for (const Range& range : c.written)
        for (int a = range.first; a <= range.second; ++a) EXPECT_EQ(c.image[a], unit[a]) << a;
}

TEST_P(DeviceTransfer, ReadTakesBackExactlyWhatTheTablesNeed) {
    const TransferCase& c = GetParam();
    ASSERT_EQ(TRANSFER_OK, device_write_image(c.image.data(), 1));
    Bytes unit = units.image(1);
    units.clear_log(1);
    Bytes result(512, 0x5A);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    EXPECT_EQ(expected_read_log(c, unit), units.log(1));
    Bytes expected(512, 0);
    for (const Range& range : c.read)
        for (int a = range.first; a <= range.second; ++a) expected[a] = unit[a];
    EXPECT_EQ(expected, result);
}

INSTANTIATE_TEST_SUITE_P(Images, DeviceTransfer, ::testing::ValuesIn(transfer_cases()),
                         [](const ::testing::TestParamInfo<TransferCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(DeviceTransferCount, PlainThreeByThreeWriteTakes36Exchanges) {
    SimUnits units;
    units.add_unit(1);
    ASSERT_EQ(TRANSFER_OK, device_write_image(sim_basic_image(3, 3).data(), 1));
    EXPECT_EQ(36u + 2u, units.log(1).size());  // with open and close
}

TEST(DeviceRead, RefusesAUnitWithoutTheMarkAfterTwoExchanges) {
    const std::vector<std::pair<int, int>> marks = {{0, 0}, {0x4F, 0}, {0, 0x4B}, {0x4B, 0x4F}};
    for (const auto& mark : marks) {
        SimUnits units;
        Bytes stored = sim_basic_image(2, 2);
        stored[510] = static_cast<std::uint8_t>(mark.first);
        stored[511] = static_cast<std::uint8_t>(mark.second);
        units.add_unit(1, "12345678", stored);
        Bytes buffer(512, 0x77);
        EXPECT_EQ(TRANSFER_INVALID, device_read_image(buffer.data(), 1));
        EXPECT_EQ(Bytes(512, 0x77), buffer);
        EXPECT_EQ((std::vector<std::string>{"open", line("read", 510, mark.first),
                                            line("read", 511, mark.second), "close"}),
                  units.log(1));
    }
}

TEST(DeviceRead, TablesLargerThan48BytesStopBeforeAnyKeyByte) {
    const std::vector<std::pair<int, int>> sizes = {{5, 5}, {8, 8}, {7, 4}, {255, 255}};
    for (const auto& size : sizes) {
        SimUnits units;
        Bytes stored = sim_basic_image(size.first, size.second);
        stored[510] = 0x4F;
        stored[511] = 0x4B;
        units.add_unit(1, "12345678", stored);
        Bytes buffer(512, 0x77);
        EXPECT_EQ(TRANSFER_INVALID, device_read_image(buffer.data(), 1));
        EXPECT_EQ(Bytes(512, 0x77), buffer);
        std::vector<std::string> log = units.log(1);
        ASSERT_EQ(2u + 2u + 14u, log.size());
        EXPECT_EQ(line("read", 509, size.second), log[log.size() - 2]);
        EXPECT_EQ(TRANSFER_INVALID, device_write_image(stored.data(), 1));  // nor is it written
        EXPECT_EQ(2u + 2u + 14u, units.log(1).size());
    }
}

TEST(DeviceRead, FortyEightBytesStillFitTheTables) {
    SimUnits units;
    Bytes image = with_cells(6, 4, {{23, 0x0004}});
    units.add_unit(1);
    ASSERT_EQ(TRANSFER_OK, device_write_image(image.data(), 1));
    Bytes result(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    EXPECT_EQ(0x04, result[47]);
}

TEST(DeviceRead, ARecordCountRunningPastTheAreaStopsAt495) {
    SimUnits units;
    Bytes stored = with_cells(2, 2, {{0, 0x0105}});
    for (int a = 96; a < 496; ++a) stored[a] = 0xFF;  // counts of 255 bytes
    stored[510] = 0x4F;
    stored[511] = 0x4B;
    units.add_unit(1, "12345678", stored);
    Bytes result(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(result.data(), 1));
    std::vector<std::string> log = units.log(1);
    EXPECT_EQ(line("read", 495, 0xFF), log[log.size() - 2]);
    EXPECT_EQ(0xFF, result[495]);
    EXPECT_EQ(0, result[510]);  // the mark is checked, not handed over
    EXPECT_EQ(0, result[511]);
}

TEST(DeviceTransfer, NoUnitMeansNoExchangeAndAnUntouchedBuffer) {
    SimUnits units;
    units.add_unit(2);
    Bytes buffer(512, 0x33);
    EXPECT_EQ(TRANSFER_NOT_FOUND, device_read_image(buffer.data(), 1));
    EXPECT_EQ(Bytes(512, 0x33), buffer);
    EXPECT_EQ(TRANSFER_NOT_FOUND, device_write_image(sim_basic_image(2, 2).data(), 3));
    units.unplug(2);
    EXPECT_EQ(TRANSFER_NOT_FOUND, device_read_image(buffer.data(), 2));
    EXPECT_TRUE(units.log(2).empty());
}

}  // namespace
