// Comparing two configurations in readable names: settings, pins, both key tables, macros.
#include "config/config_diff.h"

#include <algorithm>

#include "keys/key_notation.h"

namespace {
constexpr const char* ABSENT = "-";  // a line or cell outside the matrix

using Lines = std::vector<std::string>;

void note(Lines& lines, const std::string& what, const std::string& a, const std::string& b) {
    if (a != b) lines.push_back(what + ": " + a + " -> " + b);
}

std::string on_off(bool on) { return on ? "on" : "off"; }

std::string pin_text(const int pins[MATRIX_MAX_LINES], int count, int i) {
    return i < count ? std::to_string(pins[i]) : ABSENT;
}

void compare_settings(const ConfigSnapshot& a, const ConfigSnapshot& b, Lines& lines) {
    note(lines, "Rows", std::to_string(a.rows), std::to_string(b.rows));
    note(lines, "Columns", std::to_string(a.columns), std::to_string(b.columns));
    for (int i = 0; i < std::max(a.columns, b.columns); ++i)
        note(lines, "Pin of column " + std::to_string(i + 1), pin_text(a.column_pins, a.columns, i),
             pin_text(b.column_pins, b.columns, i));
    for (int i = 0; i < std::max(a.rows, b.rows); ++i)
        note(lines, "Pin of row " + std::to_string(i + 1), pin_text(a.row_pins, a.rows, i),
             pin_text(b.row_pins, b.rows, i));
    note(lines, "Single Key at a Time", on_off(a.single_key_at_a_time), on_off(b.single_key_at_a_time));
    note(lines, "Filter Ghost Keys", on_off(a.filter_ghost_keys), on_off(b.filter_ghost_keys));
}

std::string cell_text(const ConfigSnapshot& s, const int table[MATRIX_MAX_LINES][MATRIX_MAX_LINES],
                      int row, int column) {
    if (row >= s.rows || column >= s.columns) return ABSENT;
    return cell_display_text(table[row][column]);
}

void compare_tables(const ConfigSnapshot& a, const ConfigSnapshot& b, bool fn_table, Lines& lines) {
    const std::string label = fn_table ? "FN key at row " : "Key at row ";
    for (int row = 0; row < std::max(a.rows, b.rows); ++row) {
        for (int column = 0; column < std::max(a.columns, b.columns); ++column) {
            const std::string where =
                label + std::to_string(row + 1) + ", column " + std::to_string(column + 1);
            note(lines, where, cell_text(a, fn_table ? a.fn_keys : a.keys, row, column),
                 cell_text(b, fn_table ? b.fn_keys : b.keys, row, column));
        }
    }
}

void compare_macros(const ConfigSnapshot& a, const ConfigSnapshot& b, Lines& lines) {
    for (int number = 1; number <= MACRO_SLOT_COUNT; ++number) {
        const std::string name = "Macro " + std::to_string(number);
        note(lines, name + " make steps", steps_display_text(macro_make_steps(a, number)),
             steps_display_text(macro_make_steps(b, number)));
        note(lines, name + " break steps", steps_display_text(macro_break_steps(a, number)),
             steps_display_text(macro_break_steps(b, number)));
    }
}
}  // namespace

std::vector<std::string> compare_configurations(const ConfigSnapshot& a, const ConfigSnapshot& b) {
    Lines lines;
    compare_settings(a, b, lines);
    compare_tables(a, b, false, lines);
    compare_tables(a, b, true, lines);
    compare_macros(a, b, lines);
    return lines;
}
