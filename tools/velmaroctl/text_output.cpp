// velmaroctl show: a configuration as text, with the key grids laid out as tables.
#include "text_output.h"

#include <algorithm>
#include <ostream>

#include "keys/key_notation.h"

namespace {
constexpr const char* GAP = "  ";

std::string on_off(bool on) { return on ? "on" : "off"; }

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// The grid as rows of texts, the headings included: row 0 and column 0 are the headings.
using Grid = std::vector<std::vector<std::string>>;

Grid key_grid(const int table[MATRIX_MAX_LINES][MATRIX_MAX_LINES], const ConfigSnapshot& snapshot) {
    Grid grid(snapshot.rows + 1, std::vector<std::string>(snapshot.columns + 1));
    for (int column = 0; column < snapshot.columns; ++column)
        grid[0][column + 1] = "Column " + std::to_string(column + 1) + " (pin " +
                              std::to_string(snapshot.column_pins[column]) + ")";
    for (int row = 0; row < snapshot.rows; ++row) {
        grid[row + 1][0] = "Row " + std::to_string(row + 1) + " (pin " +
                           std::to_string(snapshot.row_pins[row]) + ")";
        for (int column = 0; column < snapshot.columns; ++column)
            grid[row + 1][column + 1] = cell_display_text(table[row][column]);
    }
    return grid;
}

void print_grid(const Grid& grid, std::ostream& out) {
    std::vector<std::size_t> widths(grid[0].size(), 0);
    for (const auto& line : grid)
        for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
    for (const auto& line : grid) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i)
            text += i + 1 < line.size() ? padded(line[i], widths[i]) + GAP : line[i];
        out << "  " << text << "\n";
    }
}

std::string pin_list(const int pins[MATRIX_MAX_LINES], int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? " " : "") + std::to_string(pins[i]);
    return text;
}

void print_settings(const ConfigSnapshot& snapshot, std::ostream& out) {
    out << "Matrix: " << snapshot.rows << " rows x " << snapshot.columns << " columns\n";
    out << "Column pins: " << pin_list(snapshot.column_pins, snapshot.columns) << "\n";
    out << "Row pins: " << pin_list(snapshot.row_pins, snapshot.rows) << "\n";
    out << "Single Key at a Time: " << on_off(snapshot.single_key_at_a_time) << "\n";
    out << "Filter Ghost Keys: " << on_off(snapshot.filter_ghost_keys) << "\n";
}

void print_macros(const ConfigSnapshot& snapshot, std::ostream& out) {
    bool any = false;
    for (int number = 1; number <= MACRO_SLOT_COUNT; ++number) {
        if (!macro_listed(snapshot, number)) continue;
        if (!any) out << "\nMacros:\n";
        any = true;
        out << "  Macro " << number << "\n";
        out << "    Make:  " << steps_display_text(macro_make_steps(snapshot, number)) << "\n";
        out << "    Break: " << steps_display_text(macro_break_steps(snapshot, number)) << "\n";
    }
    if (!any) out << "\nMacros: none\n";
}

int macro_memory_remaining(const ConfigSnapshot& snapshot) {
    apply_configuration(snapshot);
    return MACRO_MEMORY_SIZE - macro_memory_used();
}
}  // namespace

void show_configuration(const ConfigSnapshot& snapshot, std::ostream& out) {
    print_settings(snapshot, out);
    out << "\nKeys:\n";
    print_grid(key_grid(snapshot.keys, snapshot), out);
    out << "\nFN keys:\n";
    print_grid(key_grid(snapshot.fn_keys, snapshot), out);
    print_macros(snapshot, out);
    out << "Macro memory remaining: " << macro_memory_remaining(snapshot) << "\n";
}
