// The 512-byte configuration image: encoder, validating decoder and the macro budget.
#include "config/config_image.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

#include "config/config_model.h"
#include "config/ui_ops.h"
#include "keys/key_codes.h"

namespace {
constexpr int PIN_COUNT = MATRIX_MAX_PINS;
constexpr int MACRO_AREA_SIZE = IMAGE_MACRO_AREA_SIZE;

// Calls visit(entry, cell) for every cell in image order: columns by ascending header pin,
// within a column the rows by ascending header pin. Of lines sharing a pin only the first
// one is visited.
template <typename Visit>
void for_each_cell_in_pin_order(const MatrixLines& matrix, Visit visit) {
    int b = 0;
    for (int p = 0; p < PIN_COUNT; ++p) {
        int k = 0;
        while (k < matrix.columns && matrix.column_pins[k] != p) ++k;
        if (k == matrix.columns) continue;
        int n = 0;
        for (int q = 0; q < PIN_COUNT; ++q) {
            int m = 0;
            while (m < matrix.rows && matrix.row_pins[m] != q) ++m;
            if (m == matrix.rows) continue;
            visit(b * matrix.rows + n, cell_index(m, k));
            ++n;
        }
        ++b;
    }
}

// Whether line `i` is the first line on its pin.
bool first_on_its_pin(const int* pins, int i) {
    for (int j = 0; j < i; ++j)
        if (pins[j] == pins[i]) return false;
    return true;
}

// Calls visit(cell) for every cell that an image of `lines` holds.
template <typename Visit>
void for_each_held_cell(const MatrixLines& lines, Visit visit) {
    const int rows = std::min(std::max(lines.rows, 0), MATRIX_MAX_LINES);
    const int columns = std::min(std::max(lines.columns, 0), MATRIX_MAX_LINES);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            if (image_holds_cell(lines, row, column)) visit(cell_index(row, column));
}

// ---- build ----------------------------------------------------------------------------

MatrixLines matrix_from_model() {
    MatrixLines matrix;
    matrix.rows = view->row_count();
    matrix.columns = view->column_count();
    std::memcpy(matrix.column_pins, config_model.column_pins, sizeof matrix.column_pins);
    std::memcpy(matrix.row_pins, config_model.row_pins, sizeof matrix.row_pins);
    return matrix;
}

bool matrix_in_range(const MatrixLines& matrix) {
    if (matrix.rows < 1 || matrix.rows > MATRIX_MAX_LINES) return false;
    if (matrix.columns < 1 || matrix.columns > MATRIX_MAX_LINES) return false;
    if (matrix.rows + matrix.columns > MATRIX_MAX_PINS) return false;
    for (int i = 0; i < matrix.columns; ++i)
        if (matrix.column_pins[i] < 0 || matrix.column_pins[i] >= PIN_COUNT) return false;
    for (int i = 0; i < matrix.rows; ++i)
        if (matrix.row_pins[i] < 0 || matrix.row_pins[i] >= PIN_COUNT) return false;
    return true;
}

void write_settings(const MatrixLines& matrix, std::uint8_t* image) {
    image[IMAGE_ROWS] = static_cast<std::uint8_t>(matrix.rows);
    image[IMAGE_COLUMNS] = static_cast<std::uint8_t>(matrix.columns);
    std::uint8_t options = 0;
    if (view->single_key_checked()) options |= OPTION_SINGLE_KEY;
    if (view->ghost_filter_checked()) options |= OPTION_FILTER_GHOST;
    image[IMAGE_OPTIONS] = options;
    image[IMAGE_FORMAT_MARK_AT] = IMAGE_FORMAT_MARK;
    for (int i = 0; i < matrix.columns; ++i)
        image[IMAGE_PIN_LIST + i] = static_cast<std::uint8_t>(matrix.column_pins[i] + 1);
    for (int i = 0; i < matrix.rows; ++i)
        image[IMAGE_PIN_LIST + matrix.columns + i] = static_cast<std::uint8_t>(matrix.row_pins[i] + 1);
}

// The pin number of the earliest pin-list entry that a later entry repeats, or 0.
int repeated_pin(const std::uint8_t* image, int lines) {
    const std::uint8_t* pins = image + IMAGE_PIN_LIST;
    for (int i = 0; i < lines - 1; ++i)
        for (int j = i + 1; j < lines; ++j)
            if (pins[i] == pins[j]) return pins[i];
    return 0;
}

void show_pin_error(int pin_number) {
    char text[] = "Error: Pin 1 is used for multiple scan lines";
    text[11] = static_cast<char>('1' + (pin_number - 1));
    ui->message_box(MESSAGE_ERROR, text);
}

void write_key_tables(const MatrixLines& matrix, std::uint8_t* image) {
    for_each_cell_in_pin_order(matrix, [&](int e, int c) {
        const int code = config_model.key_table[c];
        const int fn_code = config_model.fn_key_table[c];
        image[IMAGE_KEY_TABLE + 2 * e] = static_cast<std::uint8_t>(code >> 8);
        image[IMAGE_KEY_TABLE + 2 * e + 1] = static_cast<std::uint8_t>(code);
        image[IMAGE_FN_TABLE + 2 * e] = static_cast<std::uint8_t>(fn_code >> 8);
        image[IMAGE_FN_TABLE + 2 * e + 1] = static_cast<std::uint8_t>(fn_code);
    });
}

bool record_empty(const MacroSlot& macro) {
    return macro.make_steps[0] == 0 && macro.break_steps[0] == 0;
}

// Bytes one step list takes in a record: data up to the first empty step, a delay two.
int step_list_size(const int* steps) {
    int size = 0;
    for (int i = 0; i < step_count(steps); ++i) size += (steps[i] & 0xFF) == KEY_DELAY ? 2 : 1;
    return size;
}

int record_size(int slot) {
    const MacroSlot& macro = config_model.macro_slots[slot];
    if (!macro.in_use) return 2;  // a free slot below a used one: the empty record 0, 0
    return 2 + step_list_size(macro.make_steps) + step_list_size(macro.break_steps);
}

// Writes one list (count byte, then data) at `pos`; returns the position after it.
int write_step_list(const int* steps, std::uint8_t* image, int pos) {
    int n = 0;
    for (int i = 0; i < step_count(steps); ++i) {
        ++n;
        image[pos + n] = static_cast<std::uint8_t>(steps[i]);
        if (image[pos + n] == KEY_DELAY) {
            ++n;
            image[pos + n] = static_cast<std::uint8_t>(steps[i] >> 8);
        }
    }
    image[pos] = static_cast<std::uint8_t>(n);
    return pos + n + 1;
}

// The records the editor's macros need once every cell that refers to one is in the image:
// through the last slot in use and every macro a cell of the image refers to.
int macro_record_count() {
    int count = macros_reached(matrix_from_model(), config_model.key_table, config_model.fn_key_table);
    for (int slot = MACRO_SLOT_COUNT - 1; slot >= count; --slot) {
        if (config_model.macro_slots[slot].in_use) {
            count = slot + 1;
            break;
        }
    }
    return count;
}

// Bytes the records of macro numbers 1..count take in the macro area.
int macro_area_bytes(int count) {
    int needed = 0;
    for (int slot = 0; slot < count && slot < MACRO_SLOT_COUNT; ++slot) needed += record_size(slot);
    return needed;
}

// Records for macro numbers 1..count, every number in its own place. Fails with a message,
// writing nothing, when they would not end before the pin list.
bool write_macro_records(int count, std::uint8_t* image) {
    const int needed = macro_area_bytes(count);
    if (needed > MACRO_AREA_SIZE) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Error: The macros need %d bytes, more than the %d bytes of the macro area.\n"
                      "Remove empty macros or steps and try again.",
                      needed, MACRO_AREA_SIZE);
        ui->message_box(MESSAGE_ERROR, text);
        return false;
    }
    int pos = IMAGE_MACRO_AREA;
    for (int slot = 0; slot < count; ++slot) {
        const MacroSlot& macro = config_model.macro_slots[slot];
        if (!macro.in_use) {
            pos += 2;  // the empty record: both counts 0
            continue;
        }
        pos = write_step_list(macro.make_steps, image, pos);
        pos = write_step_list(macro.break_steps, image, pos);
    }
    return true;
}

bool fail_build(std::uint8_t* image, const char* text) {
    if (text) ui->message_box(MESSAGE_ERROR, text);
    std::memset(image, 0, CONFIG_IMAGE_SIZE);
    return false;
}

// The whole build; a shared pin fails it with the pin message when `refuse_shared_pin` is set.
bool build_image(std::uint8_t* image, bool refuse_shared_pin, int& shared_pin) {
    std::memset(image, 0, CONFIG_IMAGE_SIZE);
    shared_pin = 0;
    const MatrixLines matrix = matrix_from_model();
    if (!matrix_in_range(matrix))
        return fail_build(image, "Error: The number of rows or columns or a pin is out of range");
    write_settings(matrix, image);
    shared_pin = repeated_pin(image, matrix.rows + matrix.columns);
    if (shared_pin != 0 && refuse_shared_pin) {
        show_pin_error(shared_pin);
        return fail_build(image, nullptr);
    }
    write_key_tables(matrix, image);
    const int count = macros_reached(matrix, config_model.key_table, config_model.fn_key_table);
    if (count > HIGHEST_MACRO_NUMBER)
        return fail_build(image, "Error: A key refers to a macro number above 127");
    if (!write_macro_records(count, image)) return fail_build(image, nullptr);
    return true;
}

// ---- parse ----------------------------------------------------------------------------

// Everything parse takes over, decoded before the model is touched.
struct DecodedImage {
    MatrixLines matrix;
    bool single_key;
    bool ghost_filter;
    int key_table[KEY_TABLE_SIZE];     // the cells the image holds; 0 elsewhere
    int fn_key_table[KEY_TABLE_SIZE];
    int macro_count;
    MacroSlot macros[MACRO_SLOT_COUNT];
};

bool read_matrix(const std::uint8_t* image, MatrixLines& matrix) {
    matrix.rows = image[IMAGE_ROWS];
    matrix.columns = image[IMAGE_COLUMNS];
    if (matrix.rows == 0 || matrix.rows > MATRIX_MAX_LINES) return false;
    if (matrix.columns == 0 || matrix.columns > MATRIX_MAX_LINES) return false;
    if (matrix.rows + matrix.columns > MATRIX_MAX_PINS) return false;
    const std::uint8_t* pins = image + IMAGE_PIN_LIST;
    for (int i = 0; i < matrix.rows + matrix.columns; ++i)
        if (pins[i] == 0 || pins[i] > PIN_COUNT) return false;
    for (int i = 0; i < matrix.columns; ++i) matrix.column_pins[i] = pins[i] - 1;
    for (int i = 0; i < matrix.rows; ++i) matrix.row_pins[i] = pins[matrix.columns + i] - 1;
    return true;
}

// Reads one list at `pos` into `steps` (cleared first). Returns the position after it, or
// -1 when the list leaves the macro area, holds more than 16 steps or cuts a delay off.
int read_step_list(const std::uint8_t* image, int pos, int* steps) {
    std::memset(steps, 0, sizeof(int) * MACRO_STEP_COUNT);
    if (pos >= IMAGE_MACRO_END) return -1;
    const int count = image[pos++];
    const int end = pos + count;
    if (end > IMAGE_MACRO_END) return -1;
    int t = 0;
    while (pos < end) {
        if (t == MACRO_STEP_COUNT) return -1;
        int step = image[pos++];
        if (step == KEY_DELAY) {
            if (pos == end) return -1;
            step |= image[pos++] << 8;
        }
        steps[t++] = step;
    }
    return pos;
}

void read_key_tables(const std::uint8_t* image, DecodedImage& decoded) {
    std::memset(decoded.key_table, 0, sizeof decoded.key_table);
    std::memset(decoded.fn_key_table, 0, sizeof decoded.fn_key_table);
    for_each_cell_in_pin_order(decoded.matrix, [&](int e, int c) {
        const std::uint8_t* entry = image + IMAGE_KEY_TABLE + 2 * e;
        const std::uint8_t* fn_entry = image + IMAGE_FN_TABLE + 2 * e;
        decoded.key_table[c] = entry[0] << 8 | entry[1];
        decoded.fn_key_table[c] = fn_entry[0] << 8 | fn_entry[1];
    });
}

bool read_macros(const std::uint8_t* image, DecodedImage& decoded) {
    decoded.macro_count = macros_reached(decoded.matrix, decoded.key_table, decoded.fn_key_table);
    if (decoded.macro_count > HIGHEST_MACRO_NUMBER) return false;
    std::memset(decoded.macros, 0, sizeof decoded.macros);
    int pos = IMAGE_MACRO_AREA;
    for (int k = 0; k < decoded.macro_count; ++k) {
        MacroSlot& macro = decoded.macros[k];
        pos = read_step_list(image, pos, macro.make_steps);
        if (pos < 0) return false;
        pos = read_step_list(image, pos, macro.break_steps);
        if (pos < 0) return false;
        // An empty record that no key runs stands for a free slot below a used one.
        macro.in_use = !record_empty(macro) ||
                       held_cell_runs_macro(decoded.matrix, decoded.key_table, decoded.fn_key_table, k + 1);
    }
    return true;
}

bool decode_image(const std::uint8_t* image, DecodedImage& decoded) {
    if (!read_matrix(image, decoded.matrix)) return false;
    decoded.single_key = (image[IMAGE_OPTIONS] & OPTION_SINGLE_KEY) != 0;
    decoded.ghost_filter = (image[IMAGE_OPTIONS] & OPTION_FILTER_GHOST) != 0;
    read_key_tables(image, decoded);
    return read_macros(image, decoded);
}

void take_over(const DecodedImage& decoded) {
    const MatrixLines& matrix = decoded.matrix;
    fn_view_active = false;
    view->select_row_count(matrix.rows);
    view->select_column_count(matrix.columns);
    std::memcpy(config_model.column_pins, matrix.column_pins, sizeof(int) * matrix.columns);
    std::memcpy(config_model.row_pins, matrix.row_pins, sizeof(int) * matrix.rows);
    view->set_single_key_checked(decoded.single_key);
    view->set_ghost_filter_checked(decoded.ghost_filter);
    // The image is the whole configuration: a cell it does not hold is Not Used (as the decoded
    // tables have it), as after New. Codes left there from the configuration before would come
    // back when the matrix grows, with a second FN key, or a macro number whose slot now holds
    // another macro or none.
    std::memcpy(config_model.key_table, decoded.key_table, sizeof decoded.key_table);
    std::memcpy(config_model.fn_key_table, decoded.fn_key_table, sizeof decoded.fn_key_table);
    std::memcpy(config_model.macro_slots, decoded.macros, sizeof decoded.macros);
}
}  // namespace

bool image_holds_cell(const MatrixLines& lines, int row, int column) {
    if (row < 0 || row >= lines.rows || column < 0 || column >= lines.columns) return false;
    return first_on_its_pin(lines.column_pins, column) && first_on_its_pin(lines.row_pins, row);
}

bool held_cell_runs_macro(const MatrixLines& lines, const int key_table[KEY_TABLE_SIZE],
                          const int fn_key_table[KEY_TABLE_SIZE], int number) {
    bool runs = false;
    for_each_held_cell(lines, [&](int cell) {
        runs = runs || code_runs_macro(key_table[cell], number) || code_runs_macro(fn_key_table[cell], number);
    });
    return runs;
}

int macros_reached(const MatrixLines& lines, const int key_table[KEY_TABLE_SIZE],
                   const int fn_key_table[KEY_TABLE_SIZE]) {
    int highest = 0;
    for_each_held_cell(lines, [&](int cell) {
        highest = std::max({highest, macro_number_of(key_table[cell]), macro_number_of(fn_key_table[cell])});
    });
    return highest;
}

bool build_config_image_keeping_shared_pin(std::uint8_t image[CONFIG_IMAGE_SIZE], int& shared_pin) {
    return build_image(image, false, shared_pin);
}

bool build_config_image(std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    int shared_pin = 0;
    return build_image(image, true, shared_pin);
}

bool parse_config_image(const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    static DecodedImage decoded;  // 16 KB of macros: kept off the stack
    if (!decode_image(image, decoded)) return false;
    take_over(decoded);
    return true;
}

int macro_memory_used() {
    return macro_area_bytes(macro_record_count());
}
