// A configuration as a plain value: taken from the engine's model after a file or a unit was
// decoded, and handed back to the engine to build an image. It knows nothing of files.
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

// The steps of one list, up to the first empty step.
std::vector<int> step_list(const int steps[MACRO_STEP_COUNT]);
// The matrix's lines, pins as pin indexes, as the image code takes them.
MatrixLines snapshot_lines(const ConfigSnapshot& snapshot);
// A cell that the configuration's image holds (either table) refers to macro `number`.
bool macro_referenced(const ConfigSnapshot& snapshot, int number);
// The macros its image holds: numbers 1 to this one (macros_reached of the image code).
int highest_macro_kept(const ConfigSnapshot& snapshot);
// Frees the macros that the image does not keep, those above highest_macro_kept. Returns the
// numbers of those that held steps.
std::vector<int> drop_macros_a_file_does_not_keep(ConfigSnapshot& snapshot);
// The macro belongs in an export, a listing or a sheet: the image keeps it, and it holds a
// step or a cell refers to it.
bool macro_listed(const ConfigSnapshot& snapshot, int number);
// The macro's step lists; empty when the slot is not in use.
std::vector<int> macro_make_steps(const ConfigSnapshot& snapshot, int number);
std::vector<int> macro_break_steps(const ConfigSnapshot& snapshot, int number);
