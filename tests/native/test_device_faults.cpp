// A unit that goes away at each exchange of a transfer.
#include <gtest/gtest.h>

#include "device/device_protocol.h"
#include "sim_units.h"

namespace {

// 2 x 2 with the FN key and two macros: every phase of both transfers.
Bytes full_featured_image() {
    Bytes image = sim_basic_image(2, 2);
    image[1] = 0x02;                      // cell 0: FN
    image[2] = 0x01, image[3] = 0x01;     // cell 1: macro 1
    image[48 + 4] = 0x01, image[48 + 5] = 0x02;  // FN cell 2: macro 2
    const std::uint8_t records[] = {3, 0x04, 0x7F, 3, 0, /*2*/ 1, 0x84, 0};
    for (std::size_t i = 0; i < sizeof records; ++i) image[96 + i] = records[i];
    return image;
}

int exchanges_in(const std::vector<std::string>& log) {
    int count = 0;
    for (const std::string& line : log) count += line != "open" && line != "close";
    return count;
}

class DeviceFaults : public ::testing::Test {
protected:
    void SetUp() override {
        unit_count = 1;
        units.add_unit(1);
        old_image = sim_basic_image(3, 2);
        old_image[0] = 0x00, old_image[1] = 0x04;
        ASSERT_EQ(TRANSFER_OK, device_write_image(old_image.data(), 1));
        old_unit = units.image(1);
        units.clear_log(1);
    }
    SimUnits units;
    Bytes old_image;
    Bytes old_unit;
};

TEST_F(DeviceFaults, AWriteCutAtEachExchangeLeavesTheUnitRefused) {
    Bytes image = full_featured_image();
    ASSERT_EQ(TRANSFER_OK, device_write_image(image.data(), 1));
    const int total = exchanges_in(units.log(1));
    ASSERT_EQ(2 + 14 + 8 + 8 + 8 + 1 + 2, total);  // records 96..103, then the closing zero
    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE(k);
        units.set_image(1, old_unit);
        units.clear_log(1);
        units.fail_after(1, k - 1);
        const Bytes before = image;
        EXPECT_EQ(TRANSFER_FAILED, device_write_image(image.data(), 1));
        EXPECT_EQ(before, image);
        EXPECT_EQ(k - 1, exchanges_in(units.log(1)));
        EXPECT_EQ("close", units.log(1).back());
        Bytes result(512, 0x66);
        EXPECT_EQ(TRANSFER_NOT_FOUND, device_read_image(result.data(), 1));  // still gone
        units.plug(1);
        Bytes unit = units.image(1);
        bool marked = unit[510] == 0x4F && unit[511] == 0x4B;
        EXPECT_EQ(k == 1, marked);  // only a write that never started keeps the old mark
        int expected = k == 1 ? TRANSFER_OK : TRANSFER_INVALID;
        EXPECT_EQ(expected, device_read_image(result.data(), 1));
        if (k > 1) {
            EXPECT_EQ(Bytes(512, 0x66), result);
        }
    }
}

TEST_F(DeviceFaults, AReadCutAtEachExchangeLeavesTheBufferUntouched) {
    Bytes image = full_featured_image();
    ASSERT_EQ(TRANSFER_OK, device_write_image(image.data(), 1));
    units.clear_log(1);
    Bytes good(512);
    ASSERT_EQ(TRANSFER_OK, device_read_image(good.data(), 1));
    const int total = exchanges_in(units.log(1));
    ASSERT_EQ(2 + 14 + 8 + 8 + 8, total);
    for (int k = 1; k <= total + 1; ++k) {
        SCOPED_TRACE(k);
        units.clear_log(1);
        units.fail_after(1, k - 1);
        Bytes buffer(512, 0xC3);
        int result = device_read_image(buffer.data(), 1);
        if (k <= total) {
            EXPECT_EQ(TRANSFER_FAILED, result);
            EXPECT_EQ(Bytes(512, 0xC3), buffer);
        } else {
            EXPECT_EQ(TRANSFER_OK, result);  // enough exchanges for the whole read
            EXPECT_EQ(good, buffer);
        }
        units.plug(1);
    }
}

TEST_F(DeviceFaults, UnpluggingBetweenTransfersIsNotFound) {
    units.unplug(1);
    Bytes buffer(512, 0x11);
    EXPECT_EQ(TRANSFER_NOT_FOUND, device_read_image(buffer.data(), 1));
    EXPECT_EQ(TRANSFER_NOT_FOUND, device_write_image(full_featured_image().data(), 1));
    EXPECT_EQ(Bytes(512, 0x11), buffer);
    EXPECT_TRUE(units.log(1).empty());
    EXPECT_EQ(old_unit, units.image(1));
    units.plug(1);
    EXPECT_EQ(TRANSFER_OK, device_read_image(buffer.data(), 1));
    EXPECT_EQ(old_image[1], buffer[1]);
}

}  // namespace
