// The wiring sheet's page layout: title, header pins, key tables, options, macro memory and
// the macros, top to bottom, every text fitted to its box.
#include "sheet/wiring_sheet.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "keys/key_notation.h"
#include "keys/key_codes.h"
#include "sheet/svg_writer.h"

namespace {
constexpr double MARGIN = 10.0;
constexpr double CONTENT_WIDTH = SHEET_WIDTH_MM - 2 * MARGIN;
constexpr double PAD = 1.0;           // between a box's side and its text
constexpr double LINES_PAD = 0.6;     // above and below a box's lines, together
constexpr double LINE_SPACING = 1.2;  // line height, in font sizes
constexpr double GAP = 2.0;
constexpr double HEAD_HEIGHT = 8.0;   // column headings of a key table
constexpr double ROOMY_MACRO_TEXT = 2.4;  // below it the page is laid out tighter
constexpr double SMALLEST_MACRO_TEXT = 1.4;
constexpr int LARGEST_MACRO_COLUMNS = 4;

constexpr const char* INK = "#000000";
constexpr const char* FAINT = "#707070";
constexpr const char* RULE = "#555555";
constexpr const char* NONE = "none";

// The heights that the page is laid out with: roomy, or tight to leave the macros more room.
struct Spacing {
    double pin_height;
    double cell_height;
};
const Spacing ROOMY = {20, 9};
const Spacing TIGHT = {14, 7.5};

struct Box {
    double x, y, w, h;
};

using Lines = std::vector<std::string>;

struct BoxLook {
    const char* fill;
    const char* stroke;
    double stroke_width;
    const char* ink;
    bool bold;
    TextAnchor anchor;
};

const BoxLook HEADING = {NONE, NONE, 0, INK, true, TextAnchor::START};
const BoxLook PLAIN = {NONE, NONE, 0, INK, false, TextAnchor::START};
const BoxLook LABEL = {"#eeeeee", RULE, 0.25, INK, true, TextAnchor::MIDDLE};
const BoxLook FRAMED = {"#ffffff", RULE, 0.25, INK, false, TextAnchor::START};
const BoxLook CELL = {"#ffffff", RULE, 0.25, INK, false, TextAnchor::MIDDLE};
const BoxLook UNUSED_CELL = {"#ffffff", RULE, 0.25, FAINT, false, TextAnchor::MIDDLE};
const BoxLook REPEAT_CELL = {"#dcebfc", RULE, 0.25, INK, false, TextAnchor::MIDDLE};
const BoxLook MACRO_CELL = {"#eee0fa", RULE, 0.25, INK, false, TextAnchor::MIDDLE};
const BoxLook FN_CELL = {"#ffe08a", "#8a6200", 0.8, INK, true, TextAnchor::MIDDLE};
const BoxLook FREE_PIN = {"#ffffff", RULE, 0.25, FAINT, false, TextAnchor::MIDDLE};
const BoxLook COLUMN_PIN = {"#dcebfc", RULE, 0.25, INK, false, TextAnchor::MIDDLE};
const BoxLook ROW_PIN = {"#dcf5dc", RULE, 0.25, INK, false, TextAnchor::MIDDLE};
const BoxLook CLASH_PIN = {"#ffd0d0", "#cc0000", 0.8, "#cc0000", true, TextAnchor::MIDDLE};

// The largest size up to `largest` at which every line fits the box.
double fitting_size(const Box& box, const Lines& lines, double largest) {
    double size = largest;
    for (const std::string& line : lines) {
        const std::size_t count = character_count(line);
        if (count > 0) size = std::min(size, (box.w - 2 * PAD) / (count * SVG_CHAR_WIDTH_EM));
    }
    if (!lines.empty()) size = std::min(size, (box.h - LINES_PAD) / (lines.size() * LINE_SPACING));
    return size;
}

void boxed_text(Svg& svg, const Box& box, const Lines& lines, double largest, const BoxLook& look) {
    svg_group_begin(svg, "box");
    svg_rect(svg, box.x, box.y, box.w, box.h, look.fill, look.stroke, look.stroke_width);
    const double size = fitting_size(box, lines, largest);
    const double top = box.y + (box.h - lines.size() * LINE_SPACING * size) / 2;
    const double x = look.anchor == TextAnchor::START    ? box.x + PAD
                     : look.anchor == TextAnchor::MIDDLE ? box.x + box.w / 2
                                                         : box.x + box.w - PAD;
    const TextStyle style = {size, look.bold, look.ink, look.anchor};
    for (std::size_t i = 0; i < lines.size(); ++i)
        svg_text(svg, x, top + (i * LINE_SPACING + 0.9) * size, style, lines[i]);
    svg_group_end(svg);
}

std::string on_off(bool on) { return on ? "ON" : "OFF"; }

// ---- header pins ------------------------------------------------------------------------

// The lines wired to each pin (index 0..8), "Col 2", "Row 1", in column then row order.
std::vector<Lines> lines_on_pins(const ConfigSnapshot& snapshot) {
    std::vector<Lines> pins(MATRIX_MAX_PINS);
    for (int c = 0; c < snapshot.columns; ++c)
        if (snapshot.column_pins[c] >= 1 && snapshot.column_pins[c] <= MATRIX_MAX_PINS)
            pins[snapshot.column_pins[c] - 1].push_back("Col " + std::to_string(c + 1));
    for (int r = 0; r < snapshot.rows; ++r)
        if (snapshot.row_pins[r] >= 1 && snapshot.row_pins[r] <= MATRIX_MAX_PINS)
            pins[snapshot.row_pins[r] - 1].push_back("Row " + std::to_string(r + 1));
    return pins;
}

const BoxLook& pin_look(const Lines& lines) {
    if (lines.empty()) return FREE_PIN;
    if (lines.size() > 1) return CLASH_PIN;
    return lines[0][0] == 'C' ? COLUMN_PIN : ROW_PIN;
}

double draw_header(Svg& svg, const ConfigSnapshot& snapshot, const Spacing& spacing, double y) {
    boxed_text(svg, {MARGIN, y, CONTENT_WIDTH, 6}, {"Header pins, as seen from the top of the VELMARO"},
               3.6, HEADING);
    y += 7;
    const double body_height = spacing.pin_height + 4;
    svg_rect(svg, MARGIN, y, CONTENT_WIDTH, body_height, "#d0d0d0", RULE, 0.4);  // the header's body
    const double pitch = CONTENT_WIDTH / MATRIX_MAX_PINS;
    const std::vector<Lines> pins = lines_on_pins(snapshot);
    for (int p = 0; p < MATRIX_MAX_PINS; ++p) {
        Lines text = {"Pin " + std::to_string(p + 1)};
        if (pins[p].empty()) text.push_back("free");
        if (pins[p].size() > 1) text.push_back("CLASH");
        text.insert(text.end(), pins[p].begin(), pins[p].end());
        boxed_text(svg, {MARGIN + p * pitch + 1, y + 2, pitch - 2, spacing.pin_height}, text, 3.4,
                   pin_look(pins[p]));
    }
    return y + body_height + 4;
}

// ---- key tables -------------------------------------------------------------------------

struct CellText {
    Lines lines;
    const BoxLook* look;
};

// A cell in long names with its marks: the FN key, repeat, macro.
CellText cell_text(int code) {
    const int plain = code & ~KEY_FLAG_REPEAT;
    const bool repeat = (code & KEY_FLAG_REPEAT) != 0;
    std::string name = cell_code_text(plain);
    if (name.empty()) return {{cell_display_text(code)}, &CELL};
    if (plain & KEY_FLAG_MACRO) {
        name[0] = 'M';
        return {{name, repeat ? "macro, repeat" : "macro"}, &MACRO_CELL};
    }
    if (is_fn_key(code)) return {{name, repeat ? "FN key, repeat" : "FN key"}, &FN_CELL};
    if (repeat) return {{name, "repeat"}, &REPEAT_CELL};
    return {{name}, plain == KEY_NOT_USED ? &UNUSED_CELL : &CELL};
}

using Table = int[MATRIX_MAX_LINES][MATRIX_MAX_LINES];

double draw_table(Svg& svg, const ConfigSnapshot& snapshot, const Table& table,
                  const std::string& caption, double x, double width, double y, double cell_height) {
    boxed_text(svg, {x, y, width, 6}, {caption}, 3.6, HEADING);
    y += 6.5;
    const double head_width = std::min(22.0, width * 0.2);
    const double cell_width = (width - head_width) / snapshot.columns;
    svg_rect(svg, x, y, head_width, HEAD_HEIGHT, "#eeeeee", RULE, 0.25);
    for (int c = 0; c < snapshot.columns; ++c)
        boxed_text(svg, {x + head_width + c * cell_width, y, cell_width, HEAD_HEIGHT},
                   {"Col " + std::to_string(c + 1), "pin " + std::to_string(snapshot.column_pins[c])}, 3.2,
                   LABEL);
    for (int r = 0; r < snapshot.rows; ++r) {
        const double cell_y = y + HEAD_HEIGHT + r * cell_height;
        boxed_text(svg, {x, cell_y, head_width, cell_height},
                   {"Row " + std::to_string(r + 1), "pin " + std::to_string(snapshot.row_pins[r])}, 3.2, LABEL);
        for (int c = 0; c < snapshot.columns; ++c) {
            const CellText cell = cell_text(table[r][c]);
            boxed_text(svg, {x + head_width + c * cell_width, cell_y, cell_width, cell_height}, cell.lines,
                       3.4, *cell.look);
        }
    }
    return y + HEAD_HEIGHT + snapshot.rows * cell_height;
}

double draw_legend(Svg& svg, double y) {
    const struct {
        const char* text;
        const BoxLook* look;
    } marks[] = {{"FN key", &FN_CELL}, {"repeat", &REPEAT_CELL}, {"runs a macro", &MACRO_CELL},
                 {"Not Used", &UNUSED_CELL}};
    const double width = (CONTENT_WIDTH - 3 * GAP) / 4;
    for (int i = 0; i < 4; ++i)
        boxed_text(svg, {MARGIN + i * (width + GAP), y, width, 5}, {marks[i].text}, 3.0, *marks[i].look);
    return y + 5;
}

// Both tables: side by side when they are narrow, the FN table below otherwise.
double draw_tables(Svg& svg, const ConfigSnapshot& snapshot, const Spacing& spacing, double y) {
    const double cells = spacing.cell_height;
    const char* normal = "Keys";
    const char* fn = "Keys while FN is held (FN table)";
    if (snapshot.columns <= 3) {
        const double width = (CONTENT_WIDTH - 2 * GAP) / 2;
        draw_table(svg, snapshot, snapshot.keys, normal, MARGIN, width, y, cells);
        y = draw_table(svg, snapshot, snapshot.fn_keys, fn, MARGIN + width + 2 * GAP, width, y, cells);
    } else {
        y = draw_table(svg, snapshot, snapshot.keys, normal, MARGIN, CONTENT_WIDTH, y, cells) + GAP;
        y = draw_table(svg, snapshot, snapshot.fn_keys, fn, MARGIN, CONTENT_WIDTH, y, cells);
    }
    return draw_legend(svg, y + GAP) + 4;
}

// ---- options and memory -----------------------------------------------------------------

// One row: the two options, then the macro memory by the engine's count.
double draw_options_and_memory(Svg& svg, const ConfigSnapshot& snapshot, double y) {
    const double option_width = 52;
    boxed_text(svg, {MARGIN, y, option_width, 6},
               {"Single Key at a Time: " + on_off(snapshot.single_key_at_a_time)}, 3.4, FRAMED);
    boxed_text(svg, {MARGIN + option_width + GAP, y, option_width, 6},
               {"Filter Ghost Keys: " + on_off(snapshot.filter_ghost_keys)}, 3.4, FRAMED);
    apply_configuration(snapshot);
    const int used = macro_memory_used();
    const double memory_x = MARGIN + 2 * (option_width + GAP);
    boxed_text(svg, {memory_x, y, MARGIN + CONTENT_WIDTH - memory_x, 6},
               {"Macro memory: " + std::to_string(used) + " bytes used, " +
                std::to_string(MACRO_MEMORY_SIZE - used) + " remaining"},
               3.4, FRAMED);
    return y + 6 + 4;
}

// ---- macros -----------------------------------------------------------------------------

int list_duration_ms(const std::vector<int>& steps) {
    int ms = 0;
    for (int step : steps)
        if (is_delay_step(step)) ms += delay_step_ms(step);
    return ms;
}

// `head` and the steps, continued on indented lines of at most `width` characters; a step
// is never split.
Lines wrapped_steps(const std::string& head, const std::vector<int>& steps, std::size_t width) {
    if (steps.empty()) return {head + " (none)"};
    Lines lines;
    std::string line = head;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string piece = sheet_step_text(steps[i]) + (i + 1 < steps.size() ? "," : "");
        if (line != head && character_count(line) + 1 + character_count(piece) > width) {
            lines.push_back(line);
            line = "    " + piece;
            continue;
        }
        line += " " + piece;
    }
    lines.push_back(line);
    return lines;
}

// "Macro 3  make (250 ms): Left Ctrl, C, wait 250 ms, release C"
// "        break (0 ms): Break All"
Lines macro_lines(const ConfigSnapshot& snapshot, int number, std::size_t width) {
    const std::vector<int> make = macro_make_steps(snapshot, number);
    const std::vector<int> release = macro_break_steps(snapshot, number);
    const std::string name = "Macro " + std::to_string(number);
    Lines lines = wrapped_steps(name + "  make (" + std::to_string(list_duration_ms(make)) + " ms):", make, width);
    const Lines break_lines = wrapped_steps(std::string(name.size() + 1, ' ') + "break (" +
                                                std::to_string(list_duration_ms(release)) + " ms):",
                                            release, width);
    lines.insert(lines.end(), break_lines.begin(), break_lines.end());
    return lines;
}

struct PlacedMacro {
    Box box;
    Lines lines;
};

// Flows the macros down `columns` columns between top and bottom at text size `size`;
// false when they do not fit.
bool place_macros(const ConfigSnapshot& snapshot, double size, int columns, double top, double bottom,
                  std::vector<PlacedMacro>& placed) {
    placed.clear();
    const double column_width = (CONTENT_WIDTH - (columns - 1) * GAP) / columns;
    const auto width = static_cast<std::size_t>((column_width - 2 * PAD) / (size * SVG_CHAR_WIDTH_EM));
    int column = 0;
    double y = top;
    for (int number = 1; number <= MACRO_SLOT_COUNT; ++number) {
        if (!macro_listed(snapshot, number)) continue;
        Lines lines = macro_lines(snapshot, number, width);
        const double height = lines.size() * LINE_SPACING * size + LINES_PAD;
        if (y + height > bottom && y > top) {
            ++column;
            y = top;
        }
        if (column >= columns || y + height > bottom) return false;
        placed.push_back({{MARGIN + column * (column_width + GAP), y, column_width, height}, lines});
        y += height + 0.4;
    }
    return true;
}

// The largest text, in as few columns as it takes, at which the macros fit above the page's
// margin; past the smallest text the page grows. Returns the text size.
double layout_macros(const ConfigSnapshot& snapshot, double top, std::vector<PlacedMacro>& placed) {
    for (double size = 3.0; size >= SMALLEST_MACRO_TEXT - 1e-9; size -= 0.2)
        for (int columns = 1; columns <= LARGEST_MACRO_COLUMNS; ++columns)
            if (place_macros(snapshot, size, columns, top, SHEET_HEIGHT_MM - MARGIN, placed)) return size;
    double bottom = SHEET_HEIGHT_MM - MARGIN;
    while (!place_macros(snapshot, SMALLEST_MACRO_TEXT, LARGEST_MACRO_COLUMNS, top, bottom += 10, placed)) {
    }
    return SMALLEST_MACRO_TEXT;
}

// Returns the bottom of the page's content and sets the macros' text size.
double draw_macros(Svg& svg, const ConfigSnapshot& snapshot, double y, double& text_size) {
    boxed_text(svg, {MARGIN, y, CONTENT_WIDTH, 6}, {"Macros"}, 3.6, HEADING);
    y += 7;
    std::vector<PlacedMacro> placed;
    text_size = layout_macros(snapshot, y, placed);
    if (placed.empty()) boxed_text(svg, {MARGIN, y, CONTENT_WIDTH, 6}, {"No macros"}, 3.4, FRAMED);
    double end = y + 6;
    for (const PlacedMacro& macro : placed) {
        boxed_text(svg, macro.box, macro.lines, text_size, FRAMED);
        end = std::max(end, macro.box.y + macro.box.h);
    }
    return end;
}

double draw_title(Svg& svg, const SheetLabels& labels, double y) {
    boxed_text(svg, {MARGIN, y, CONTENT_WIDTH, 9}, {"VELMARO wiring sheet"}, 6.0, HEADING);
    boxed_text(svg, {MARGIN, y + 9, CONTENT_WIDTH, 5}, {labels.source + "  -  printed " + labels.date}, 3.2,
               PLAIN);
    return y + 17;
}
}  // namespace

std::string sheet_file_label(const std::string& path) { return "Configuration file " + path; }

std::string sheet_date_today() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "";
    const std::tm* local = std::localtime(&now);
    if (local) std::strftime(text, sizeof text, "%Y-%m-%d", local);
    return text;
}

std::string sheet_step_text(int step) {
    if (is_delay_step(step)) return "wait " + std::to_string(delay_step_ms(step)) + " ms";
    if (step <= 0 || step > 0xFF) return step_display_text(step);
    const int key = step & KEY_NUMBER_MASK;
    const std::string name = key == KEY_BREAK_ALL ? "Break All" : key_number_name(key);
    return (step & KEY_FLAG_BREAK) ? "release " + name : name;
}

namespace {
// The page's content; returns its bottom and sets the size of the macros' text.
double draw_page(Svg& svg, const ConfigSnapshot& snapshot, const SheetLabels& labels, const Spacing& spacing,
                 double& macro_text_size) {
    double y = draw_title(svg, labels, MARGIN);
    y = draw_header(svg, snapshot, spacing, y);
    y = draw_tables(svg, snapshot, spacing, y);
    y = draw_options_and_memory(svg, snapshot, y);
    return draw_macros(svg, snapshot, y, macro_text_size);
}
}  // namespace

std::string wiring_sheet_svg(const ConfigSnapshot& snapshot, const SheetLabels& labels) {
    Svg body;
    double macro_text_size = 0;
    double bottom = draw_page(body, snapshot, labels, ROOMY, macro_text_size);
    if (macro_text_size < ROOMY_MACRO_TEXT) {
        body.text.clear();
        bottom = draw_page(body, snapshot, labels, TIGHT, macro_text_size);
    }
    const double height = std::max(SHEET_HEIGHT_MM, bottom + MARGIN);
    const double scale = std::min(PAGE_MAX_WIDTH_MM / SHEET_WIDTH_MM, PAGE_MAX_HEIGHT_MM / height);
    Svg page;
    svg_begin(page, SHEET_WIDTH_MM, height, scale, "VELMARO wiring sheet: " + labels.source);
    page.text += body.text;
    svg_end(page);
    return page.text;
}
