// A configuration as velmaroctl handles it: a plain value, taken from the engine's model after
// a file or a unit was decoded, and handed back to the engine to build an image.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/config_model.h"

struct ConfigSnapshot {
    int rows;
    int columns;
    int column_pins[MATRIX_MAX_LINES];  // pin numbers 1..9 of columns 1..8
    int row_pins[MATRIX_MAX_LINES];
    bool single_key_at_a_time;
    bool filter_ghost_keys;
    int keys[MATRIX_MAX_LINES][MATRIX_MAX_LINES];  // [row][column], counted from 0
    int fn_keys[MATRIX_MAX_LINES][MATRIX_MAX_LINES];
    MacroSlot macros[MACRO_SLOT_COUNT];  // macro number n in macros[n - 1]
};

// The configuration that New makes.
void default_snapshot(ConfigSnapshot& snapshot);
// Copies the engine's model (and the view's four values) into `snapshot`, and back.
void capture_configuration(ConfigSnapshot& snapshot);
void apply_configuration(const ConfigSnapshot& snapshot);

// Decodes an image through the engine; false when the engine rejects it.
bool snapshot_from_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], ConfigSnapshot& snapshot);
// Encodes through the engine; false after the engine has reported why.
bool image_from_snapshot(const ConfigSnapshot& snapshot, std::uint8_t image[CONFIG_IMAGE_SIZE]);

// A directory given where a file is read: reports it and returns true.
bool refuse_directory(const std::string& path);
// Reads and decodes a configuration file; on failure reports the problem and returns false.
bool load_config_file(const std::string& path, ConfigSnapshot& snapshot);
// Encodes and saves a configuration file atomically; on failure reports and returns false,
// and the file is left as it was.
bool save_config_file(const std::string& path, const ConfigSnapshot& snapshot);
// Scrambles an image and saves it atomically; reports and returns false on failure.
bool save_image_file(const std::string& path, const std::uint8_t image[CONFIG_IMAGE_SIZE]);

// The steps of one list, up to the first empty step.
std::vector<int> step_list(const int steps[MACRO_STEP_COUNT]);
// A cell of the matrix in use (either table) refers to macro `number`.
bool macro_referenced(const ConfigSnapshot& snapshot, int number);
// The highest macro number that a cell of the matrix in use refers to, or 0.
int highest_macro_referenced(const ConfigSnapshot& snapshot);
// Frees the macros that a configuration file does not keep: those above the highest number a
// cell refers to (reading a file takes records only that far). Returns the numbers of those
// that held steps.
std::vector<int> drop_macros_a_file_does_not_keep(ConfigSnapshot& snapshot);
// The macro belongs in an export: it is in use and holds a step, or a cell refers to it.
bool macro_listed(const ConfigSnapshot& snapshot, int number);
// The macro's step lists; empty when the slot is not in use.
std::vector<int> macro_make_steps(const ConfigSnapshot& snapshot, int number);
std::vector<int> macro_break_steps(const ConfigSnapshot& snapshot, int number);
