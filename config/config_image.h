// The 512-byte configuration image: the device's stored form of a configuration.
#pragma once
#include <cstdint>

#include "config/config_model.h"

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

// The scan lines of a matrix: the counts and the pin index (pin number - 1) of each line.
struct MatrixLines {
    int rows;
    int columns;
    int column_pins[MATRIX_MAX_LINES];
    int row_pins[MATRIX_MAX_LINES];
};

// Whether an image of `lines` holds the cell at row, column (counted from 0): it lies inside the
// counts, and its column and its row are each the first line on their pin (of lines that share
// a pin only the first has cells in an image).
bool image_holds_cell(const MatrixLines& lines, int row, int column);

// Whether a cell that an image of `lines` holds runs macro `number`, in either table.
bool held_cell_runs_macro(const MatrixLines& lines, const int key_table[KEY_TABLE_SIZE],
                          const int fn_key_table[KEY_TABLE_SIZE], int number);
// The macros an image holds: the records of macro numbers 1 to the highest number that a cell
// it holds refers to in either table (0: none; a low byte, so it can pass 127 in tables no
// editor made). Build writes exactly these records and parse reads them back; a macro above it
// stays in the editor only. The tables are indexed by cell_index.
int macros_reached(const MatrixLines& lines, const int key_table[KEY_TABLE_SIZE],
                   const int fn_key_table[KEY_TABLE_SIZE]);

// Encodes the model. On a pin used twice (or macros that do not fit the macro area) shows
// the error, zeroes the image and returns false.
bool build_config_image(std::uint8_t image[CONFIG_IMAGE_SIZE]);
// Encodes the model as build_config_image does, but keeps a pin that several scan lines share,
// as a unit or a file made elsewhere may hold it (only the first line on the pin has cells in
// the image): `shared_pin` receives the number of the earliest such pin, 0 when there is none.
bool build_config_image_keeping_shared_pin(std::uint8_t image[CONFIG_IMAGE_SIZE], int& shared_pin);
// Validates the whole image first; only a valid image replaces the model. Shows nothing.
bool parse_config_image(const std::uint8_t image[CONFIG_IMAGE_SIZE]);
// Bytes the in-use macros take by the memory budget rule.
int macro_memory_used();
