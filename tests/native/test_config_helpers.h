// Helpers shared by the image and file tests: setting up matrices and macros, and a
// snapshot of everything parse may change.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "config/config_image.h"
#include "config/config_model.h"

using Image = std::array<std::uint8_t, CONFIG_IMAGE_SIZE>;

// Pins given as pin numbers 1..9, as a user reads them on the header.
inline void set_matrix(std::initializer_list<int> column_pins, std::initializer_list<int> row_pins) {
    view->select_column_count(static_cast<int>(column_pins.size()));
    view->select_row_count(static_cast<int>(row_pins.size()));
    int i = 0;
    for (int pin : column_pins) config_model.column_pins[i++] = pin - 1;
    i = 0;
    for (int pin : row_pins) config_model.row_pins[i++] = pin - 1;
}

inline void set_macro(int slot, std::initializer_list<int> make, std::initializer_list<int> brk) {
    MacroSlot& macro = config_model.macro_slots[slot];
    std::memset(&macro, 0, sizeof macro);
    macro.in_use = 1;
    int i = 0;
    for (int step : make) macro.make_steps[i++] = step;
    i = 0;
    for (int step : brk) macro.break_steps[i++] = step;
}

// A minimal valid image: rows x columns on pins 1.. in order, nothing else.
inline Image valid_image(int rows, int columns) {
    Image image{};
    image[IMAGE_ROWS] = static_cast<std::uint8_t>(rows);
    image[IMAGE_COLUMNS] = static_cast<std::uint8_t>(columns);
    image[IMAGE_FORMAT_MARK_AT] = IMAGE_FORMAT_MARK;
    for (int i = 0; i < rows + columns; ++i) image[IMAGE_PIN_LIST + i] = static_cast<std::uint8_t>(i + 1);
    return image;
}

struct EngineSnapshot {
    ConfigModel model;
    int rows, columns;
    bool single_key, ghost_filter, fn_view;

    static EngineSnapshot take() {
        EngineSnapshot s;
        std::memcpy(&s.model, &config_model, sizeof config_model);
        s.rows = view->row_count();
        s.columns = view->column_count();
        s.single_key = view->single_key_checked();
        s.ghost_filter = view->ghost_filter_checked();
        s.fn_view = fn_view_active;
        return s;
    }
    bool unchanged() const {
        const EngineSnapshot now = take();
        return std::memcmp(&model, &now.model, sizeof model) == 0 && rows == now.rows &&
               columns == now.columns && single_key == now.single_key &&
               ghost_filter == now.ghost_filter && fn_view == now.fn_view;
    }
};

inline std::vector<std::uint8_t> bytes_at(const Image& image, int from, int count) {
    return std::vector<std::uint8_t>(image.begin() + from, image.begin() + from + count);
}
