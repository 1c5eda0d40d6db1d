// The 512-byte configuration image: the device's stored form of a configuration.
#pragma once
#include <cstdint>

constexpr int CONFIG_IMAGE_SIZE = 512;
constexpr int IMAGE_KEY_TABLE = 0;
constexpr int IMAGE_FN_TABLE = 48;
constexpr int IMAGE_TABLE_SIZE = 48;
constexpr int IMAGE_MACRO_AREA = 96;
constexpr int IMAGE_MACRO_END = 496;    // first byte after the macro area
constexpr int IMAGE_PIN_LIST = 496;
constexpr int IMAGE_FORMAT_MARK_AT = 505;
constexpr int IMAGE_OPTIONS = 507;
constexpr int IMAGE_ROWS = 508;
constexpr int IMAGE_COLUMNS = 509;
constexpr int IMAGE_MACRO_AREA_SIZE = IMAGE_MACRO_END - IMAGE_MACRO_AREA;  // 400 bytes
constexpr int IMAGE_VALID_MARK = 510;   // two bytes, 'O' 'K' on a unit after a complete write

constexpr std::uint8_t IMAGE_FORMAT_MARK = 0x4C;
constexpr std::uint8_t OPTION_SINGLE_KEY = 0x01;
constexpr std::uint8_t OPTION_FILTER_GHOST = 0x02;
constexpr std::uint8_t VALID_MARK_FIRST = 0x4F;
constexpr std::uint8_t VALID_MARK_SECOND = 0x4B;

constexpr int MACRO_MEMORY_SIZE = 399;

// Encodes the model. On a pin used twice (or macros that do not fit the macro area) shows
// the error, zeroes the image and returns false.
bool build_config_image(std::uint8_t image[CONFIG_IMAGE_SIZE]);
// Validates the whole image first; only a valid image replaces the model. Shows nothing.
bool parse_config_image(const std::uint8_t image[CONFIG_IMAGE_SIZE]);
// Bytes the in-use macros take by the memory budget rule.
int macro_memory_used();
