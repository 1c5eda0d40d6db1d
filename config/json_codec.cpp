// The JSON form of a configuration: writing it (one matrix row or step list per line, so that
// it reads well in a review) and reading it back with a precise message for every mistake.
#include "config/json_codec.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "keys/key_notation.h"
#include "keys/key_codes.h"
#include "config/ui_ops.h"

namespace {
using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr const char* FORMAT_NAME = "velmaro-config";
constexpr int FORMAT_VERSION = 1;
constexpr int HIGHEST_PIN = MATRIX_MAX_PINS;

// ---- writing --------------------------------------------------------------------------

std::string cell_problem(int code);
std::string step_problem(int step);

// A name goes into the document only where import takes it back to the same code; every
// other code is written as its number, which import takes as it is.
OrderedJson cell_value(int code, bool numeric, bool name_allowed) {
    const std::string text = numeric || !name_allowed ? "" : cell_code_text(code);
    int back = -1;
    if (text.empty() || !parse_cell_code(text, back).empty() || back != code || !cell_problem(code).empty())
        return code;
    return text;
}

OrderedJson step_value(int step, bool numeric) {
    const std::string text = numeric ? "" : step_text(step);
    int back = -1;
    if (text.empty() || !parse_step(text, back).empty() || back != step || !step_problem(step).empty())
        return step;
    return text;
}

int fn_key_count(const ConfigSnapshot& snapshot) {
    int count = 0;
    for (int row = 0; row < snapshot.rows; ++row)
        for (int column = 0; column < snapshot.columns; ++column) count += is_fn_key(snapshot.keys[row][column]);
    return count;
}

// Where a cell may hold the FN key by name: in the normal table when it is the only FN key,
// in the FN table at the cell of an FN key.
bool fn_name_allowed(const ConfigSnapshot& snapshot, bool fn_table, int row, int column) {
    const int code = (fn_table ? snapshot.fn_keys : snapshot.keys)[row][column];
    if (!is_fn_key(code)) return true;
    return fn_table ? is_fn_key(snapshot.keys[row][column]) : fn_key_count(snapshot) == 1;
}

OrderedJson table_json(const ConfigSnapshot& snapshot, bool fn_table, bool numeric) {
    OrderedJson rows = OrderedJson::array();
    for (int row = 0; row < snapshot.rows; ++row) {
        OrderedJson cells = OrderedJson::array();
        for (int column = 0; column < snapshot.columns; ++column)
            cells.push_back(cell_value((fn_table ? snapshot.fn_keys : snapshot.keys)[row][column], numeric,
                                       fn_name_allowed(snapshot, fn_table, row, column)));
        rows.push_back(cells);
    }
    return rows;
}

OrderedJson steps_json(const std::vector<int>& steps, bool numeric) {
    OrderedJson list = OrderedJson::array();
    for (int step : steps) list.push_back(step_value(step, numeric));
    return list;
}

OrderedJson macros_json(const ConfigSnapshot& snapshot, bool numeric) {
    OrderedJson macros = OrderedJson::array();
    for (int number = 1; number <= MACRO_SLOT_COUNT; ++number) {
        if (!macro_listed(snapshot, number)) continue;
        OrderedJson macro;
        macro["number"] = number;
        macro["make"] = steps_json(macro_make_steps(snapshot, number), numeric);
        macro["break"] = steps_json(macro_break_steps(snapshot, number), numeric);
        macros.push_back(macro);
    }
    return macros;
}

OrderedJson pins_json(const int pins[MATRIX_MAX_LINES], int count) {
    OrderedJson list = OrderedJson::array();
    for (int i = 0; i < count; ++i) list.push_back(pins[i]);
    return list;
}

bool is_container(const OrderedJson& value) { return value.is_array() || value.is_object(); }

bool holds_containers(const OrderedJson& array) {
    for (const OrderedJson& element : array)
        if (is_container(element)) return true;
    return false;
}

// Objects one member per line; arrays of plain values on one line.
void write_value(const OrderedJson& value, int indent, std::string& out) {
    const std::string inner(indent + 2, ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        std::size_t left = value.size();
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += inner + OrderedJson(it.key()).dump() + ": ";
            write_value(it.value(), indent + 2, out);
            out += --left ? ",\n" : "\n";
        }
        out += std::string(indent, ' ') + "}";
    } else if (value.is_array() && holds_containers(value)) {
        out += "[\n";
        for (std::size_t i = 0; i < value.size(); ++i) {
            out += inner;
            write_value(value[i], indent + 2, out);
            out += i + 1 < value.size() ? ",\n" : "\n";
        }
        out += std::string(indent, ' ') + "]";
    } else if (value.is_array()) {
        out += "[";
        for (std::size_t i = 0; i < value.size(); ++i) out += (i ? ", " : "") + value[i].dump();
        out += "]";
    } else {
        out += value.dump();
    }
}

// ---- reading --------------------------------------------------------------------------

[[noreturn]] void fail(const std::string& text) { throw JsonInputError(text); }

// A value of the document as a message shows it: no control character reaches the user.
std::string shown(const Json& value) {
    return value.is_string() ? quoted_text(value.get<std::string>()) : value.dump(-1, ' ', true);
}

// "Macro 5 is not kept: ..." or "Macros 5, 9 and 12 are not kept: ...".
std::string unkept_macros_text(const std::vector<int>& numbers) {
    std::string list;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        list += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[i]);
    const bool one = numbers.size() == 1;
    return (one ? "Macro " : "Macros ") + list + (one ? " is" : " are") +
           " not kept: a configuration file holds macros only up to the highest number that a cell "
           "in the file refers to, and no cell in the file refers to " + (one ? "it" : "them") + " or to a higher one";
}

const Json& member(const Json& object, const char* name) {
    const auto found = object.find(name);
    if (found == object.end()) fail("The field " + quoted_text(name) + " is missing");
    return *found;
}

bool whole_number(const Json& value, long long& number) {
    if (value.is_number_unsigned()) {
        constexpr auto largest = std::numeric_limits<long long>::max();
        const auto u = value.get<unsigned long long>();
        number = u > static_cast<unsigned long long>(largest) ? largest : static_cast<long long>(u);
        return true;
    }
    if (!value.is_number_integer()) return false;
    number = value.get<long long>();
    return true;
}

int number_in_range(const Json& value, const std::string& what, int low, int high) {
    long long number = 0;
    if (!whole_number(value, number) || number < low || number > high)
        fail(what + " must be a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not " + shown(value));
    return static_cast<int>(number);
}

bool optional_flag(const Json& document, const char* name) {
    const auto found = document.find(name);
    if (found == document.end()) return false;
    if (!found->is_boolean()) fail(quoted_text(name) + " must be true or false, not " + shown(*found));
    return found->get<bool>();
}

void check_fields(const Json& object, const std::set<std::string>& known, const std::string& where) {
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!known.count(it.key())) fail("Unknown field " + quoted_text(it.key()) + where);
}

const Json& sized_array(const Json& value, const std::string& what, std::size_t size,
                        const std::string& unit) {
    if (!value.is_array() || value.size() != size)
        fail(what + " must hold " + std::to_string(size) + " " + unit + ", not " +
             (value.is_array() ? std::to_string(value.size()) : shown(value)));
    return value;
}

void read_pins(const Json& document, const char* name, int count, const char* line,
               int pins[MATRIX_MAX_LINES]) {
    const Json& list = sized_array(member(document, name), quoted_text(name), count,
                                   std::string("pin numbers (one per ") + line + ")");
    for (int i = 0; i < count; ++i)
        pins[i] = number_in_range(list[i], std::string("The pin of ") + line + " " +
                                               std::to_string(i + 1) + " in " + quoted_text(name),
                                  1, HIGHEST_PIN);
}

// What the utility's own editors can never put in a cell or a step; "" when it can hold it.
std::string cell_problem(int code) {
    if (code & KEY_FLAG_MACRO) return "";
    const int low = code & 0xFF;
    const char* step = (low & KEY_FLAG_BREAK) ? "a release" : low == KEY_BREAK_ALL ? "Break All"
                       : low == KEY_DELAY                   ? "a delay" : nullptr;
    return step ? std::string(step) + " is a macro step; a cell cannot hold it" : "";
}

std::string step_problem(int step) {
    if ((step & KEY_NUMBER_MASK) == KEY_FN && step <= 0xFF) return "the FN key cannot be a macro step";
    if (step == KEY_FLAG_BREAK) return "a release of \"Not Used\" cannot be a macro step";
    return "";
}

// How a cell code or a step is read: a name is held to what the editors can make; a number is
// taken as the image holds it.
struct CodeReading {
    std::string (*parse_name)(const std::string& text, int& code);
    std::string (*name_problem)(int code);
    std::string (*check_number)(long long number);
    const char* what;  // "a key code", "a step"
};
const CodeReading CELL_READING = {parse_cell_code, cell_problem, check_cell_code_number, "a key code"};
const CodeReading STEP_READING = {parse_step, step_problem, check_step_number, "a step"};

int read_code(const Json& value, const std::string& where, const CodeReading& reading, bool& named) {
    int code = 0;
    std::string problem;
    long long number = 0;
    named = value.is_string();
    if (named) {
        problem = reading.parse_name(value.get<std::string>(), code);
        if (problem.empty()) problem = reading.name_problem(code);
    } else if (whole_number(value, number)) {
        problem = reading.check_number(number);
        code = static_cast<int>(number);
    } else {
        problem = std::string(reading.what) + " must be a name or a number, not " + shown(value);
    }
    if (!problem.empty()) fail(where + ": " + problem);
    return code;
}

std::string cell_name(int row, int column) {
    return "row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1);
}

// Which cells of a table were written by name.
using NamedCells = bool[MATRIX_MAX_LINES][MATRIX_MAX_LINES];

void read_table(const Json& document, const char* name, const ConfigSnapshot& snapshot,
                int table[MATRIX_MAX_LINES][MATRIX_MAX_LINES], NamedCells& named) {
    const Json& rows = sized_array(member(document, name), quoted_text(name), snapshot.rows, "rows");
    for (int row = 0; row < snapshot.rows; ++row) {
        const std::string row_name = quoted_text(name) + " row " + std::to_string(row + 1);
        const Json& cells = sized_array(rows[row], row_name, snapshot.columns, "key codes");
        for (int column = 0; column < snapshot.columns; ++column)
            table[row][column] = read_code(cells[column], quoted_text(name) + " at " + cell_name(row, column),
                                           CELL_READING, named[row][column]);
    }
}

// The normal table holds the FN key in one cell at most: an FN key written by name is refused
// when another cell holds one too.
void check_one_fn_key(const ConfigSnapshot& snapshot, const NamedCells& named) {
    std::vector<std::string> cells;
    bool by_name = false;
    for (int row = 0; row < snapshot.rows; ++row)
        for (int column = 0; column < snapshot.columns; ++column)
            if (is_fn_key(snapshot.keys[row][column])) {
                cells.push_back(cell_name(row, column));
                by_name = by_name || named[row][column];
            }
    if (cells.size() < 2 || !by_name) return;
    std::string list;
    for (std::size_t i = 0; i < cells.size(); ++i)
        list += (i == 0 ? "" : i + 1 == cells.size() ? " and " : "; ") + cells[i];
    fail("\"keys\": the FN key is at " + list + "; only one cell can hold it");
}

// In the FN table the FN key stands only at the cell of the FN key, where switching to the
// FN table puts it.
void check_fn_table_fn_keys(const ConfigSnapshot& snapshot, const NamedCells& named) {
    for (int row = 0; row < snapshot.rows; ++row)
        for (int column = 0; column < snapshot.columns; ++column)
            if (named[row][column] && is_fn_key(snapshot.fn_keys[row][column]) &&
                !is_fn_key(snapshot.keys[row][column]))
                fail("\"fn_keys\" at " + cell_name(row, column) +
                     ": the FN key can stand in the FN table only at the cell of the FN key");
}

void read_steps(const Json& macro, const char* list_name, int number, int steps[MACRO_STEP_COUNT]) {
    const auto found = macro.find(list_name);
    if (found == macro.end()) return;
    const std::string macro_name = "Macro " + std::to_string(number);
    if (!found->is_array()) fail(macro_name + ": " + quoted_text(list_name) + " must be a list of steps");
    bool named = false;
    if (found->size() > static_cast<std::size_t>(MACRO_STEP_COUNT))
        fail(macro_name + " has " + std::to_string(found->size()) + " " + list_name +
             " steps; a list holds at most 16");
    for (std::size_t i = 0; i < found->size(); ++i)
        steps[i] = read_code((*found)[i], macro_name + ", " + list_name + " step " + std::to_string(i + 1),
                             STEP_READING, named);
}

void read_macro(const Json& macro, std::size_t entry, ConfigSnapshot& snapshot) {
    const std::string entry_name = "\"macros\" entry " + std::to_string(entry + 1);
    if (!macro.is_object()) fail(entry_name + " must be an object");
    const auto number_field = macro.find("number");
    if (number_field == macro.end()) fail(entry_name + " has no \"number\"");
    const int number = number_in_range(*number_field, "The \"number\" of " + entry_name, 1,
                                       MACRO_SLOT_COUNT);
    check_fields(macro, {"number", "make", "break"}, " in macro " + std::to_string(number));
    MacroSlot& slot = snapshot.macros[number - 1];
    if (slot.in_use) fail("Macro " + std::to_string(number) + " is listed twice in \"macros\"");
    slot = MacroSlot{};
    read_steps(macro, "make", number, slot.make_steps);
    read_steps(macro, "break", number, slot.break_steps);
    slot.in_use = 1;
}

void read_macros(const Json& document, ConfigSnapshot& snapshot) {
    for (MacroSlot& slot : snapshot.macros) slot = MacroSlot{};
    const auto found = document.find("macros");
    if (found == document.end()) return;
    if (!found->is_array()) fail("\"macros\" must be a list of macros");
    for (std::size_t i = 0; i < found->size(); ++i) read_macro((*found)[i], i, snapshot);
}

void read_header(const Json& document) {
    if (!document.is_object()) fail("The JSON document must be an object");
    const Json& format = member(document, "format");
    if (!format.is_string() || format.get<std::string>() != FORMAT_NAME)
        fail("\"format\" must be \"velmaro-config\", not " + shown(format));
    const Json& version = member(document, "version");
    if (version != FORMAT_VERSION)
        fail("Unsupported \"version\" " + shown(version) + " (this velmaroctl reads version 1)");
    check_fields(document,
                 {"format", "version", "rows", "columns", "column_pins", "row_pins",
                  "single_key_at_a_time", "filter_ghost_keys", "keys", "fn_keys", "macros"},
                 "");
}

void read_matrix(const Json& document, ConfigSnapshot& snapshot) {
    snapshot.rows = number_in_range(member(document, "rows"), "\"rows\"", 1, MATRIX_MAX_LINES);
    snapshot.columns =
        number_in_range(member(document, "columns"), "\"columns\"", 1, MATRIX_MAX_LINES);
    if (snapshot.rows + snapshot.columns > MATRIX_MAX_PINS)
        fail("\"rows\" + \"columns\" must be at most 9, not " +
             std::to_string(snapshot.rows + snapshot.columns));
    read_pins(document, "column_pins", snapshot.columns, "column", snapshot.column_pins);
    read_pins(document, "row_pins", snapshot.rows, "row", snapshot.row_pins);
}

// Where the parser is in a document: one frame per object or array entered.
struct ParseFrame {
    bool array;
    std::string key;    // in an object: the member being read
    std::size_t index;  // in an array: the element being read
    std::set<std::string> keys;  // in an object: the members read so far
};

std::string place_text(const std::vector<ParseFrame>& frames, std::size_t depth) {
    // "keys" entry 2, entry 1; "macros" entry 1, "make" entry 3
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) {
        if (i > 0) text += frames[i - 1].array ? ", " : " ";
        text += frames[i].array ? "entry " + std::to_string(frames[i].index + 1) : quoted_text(frames[i].key);
    }
    return text.empty() ? "The document" : text;
}

// A member given twice would leave one of its values unread, and readers differ in which.
void take_key(std::vector<ParseFrame>& frames, const std::string& key) {
    ParseFrame& object = frames.back();
    if (object.keys.insert(key).second) {
        object.key = key;
        return;
    }
    const std::string field = "the field " + quoted_text(key) + " is given twice";
    fail(place_text(frames, frames.size() - 1) + ": " + field);
}

void track(std::vector<ParseFrame>& frames, Json::parse_event_t event, const Json& parsed) {
    using Event = Json::parse_event_t;
    switch (event) {
    case Event::object_start:
    case Event::array_start: frames.push_back({event == Event::array_start, "", 0, {}}); return;
    case Event::key: take_key(frames, parsed.get<std::string>()); return;
    case Event::object_end:
    case Event::array_end: frames.pop_back(); break;
    case Event::value: break;
    }
    if (!frames.empty() && frames.back().array) ++frames.back().index;
}

// What the parser stopped at: byte `position` (counted from 1) of the text, or its end.
std::string syntax_problem(const std::string& text, std::size_t position) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return "the document is empty";
    const std::size_t at = std::min(std::max<std::size_t>(position, 1), text.size() + 1) - 1;
    const std::size_t line_start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;  // npos + 1 is 0
    const std::string place = "line " + std::to_string(std::count(text.begin(), text.begin() + at, '\n') + 1) +
                              ", column " + std::to_string(at - line_start + 1);
    if (at >= text.size()) return "the document ends early, at " + place;
    const unsigned char c = static_cast<unsigned char>(text[at]);
    char shown[16];
    std::snprintf(shown, sizeof shown, c > 0x20 && c < 0x7F ? "'%c'" : "byte 0x%02X", c);
    return std::string("unexpected ") + shown + " at " + place;
}

Json parse_document(const std::string& text) {
    std::vector<ParseFrame> frames;
    try {
        return Json::parse(text, [&frames](int, Json::parse_event_t event, Json& parsed) {
            track(frames, event, parsed);
            return true;
        });
    } catch (const Json::parse_error& error) {
        fail("Invalid JSON: " + syntax_problem(text, error.byte));
    } catch (const Json::out_of_range&) {
        fail(place_text(frames, frames.size()) + " holds a number too large to read");
    }
}
}  // namespace

std::string configuration_to_json(const ConfigSnapshot& snapshot, bool numeric) {
    OrderedJson document;
    document["format"] = FORMAT_NAME;
    document["version"] = FORMAT_VERSION;
    document["rows"] = snapshot.rows;
    document["columns"] = snapshot.columns;
    document["column_pins"] = pins_json(snapshot.column_pins, snapshot.columns);
    document["row_pins"] = pins_json(snapshot.row_pins, snapshot.rows);
    document["single_key_at_a_time"] = snapshot.single_key_at_a_time;
    document["filter_ghost_keys"] = snapshot.filter_ghost_keys;
    document["keys"] = table_json(snapshot, false, numeric);
    document["fn_keys"] = table_json(snapshot, true, numeric);
    document["macros"] = macros_json(snapshot, numeric);
    std::string out;
    write_value(document, 0, out);
    return out + "\n";
}

void configuration_from_json(const std::string& text, ConfigSnapshot& snapshot) {
    const Json document = parse_document(text);
    read_header(document);
    read_matrix(document, snapshot);
    snapshot.single_key_at_a_time = optional_flag(document, "single_key_at_a_time");
    snapshot.filter_ghost_keys = optional_flag(document, "filter_ghost_keys");
    NamedCells named = {};
    read_table(document, "keys", snapshot, snapshot.keys, named);
    check_one_fn_key(snapshot, named);
    if (document.contains("fn_keys")) {
        read_table(document, "fn_keys", snapshot, snapshot.fn_keys, named);
        check_fn_table_fn_keys(snapshot, named);
    } else {
        for (auto& row : snapshot.fn_keys)
            for (int& code : row) code = KEY_NOT_USED;
    }
    read_macros(document, snapshot);
}

bool import_configuration(const std::string& text, const std::string& source, ConfigSnapshot& snapshot) {
    default_snapshot(snapshot);
    try {
        configuration_from_json(text, snapshot);
    } catch (const JsonInputError& error) {
        report_error_message(source + ": " + error.what());
        return false;
    }
    const std::vector<int> dropped = drop_macros_a_file_does_not_keep(snapshot);
    apply_configuration(snapshot);
    const int used = macro_memory_used();
    if (used > IMAGE_MACRO_AREA_SIZE) {
        report_error_message(source + ": The macros use " + std::to_string(used) +
                             " bytes of macro memory; " + std::to_string(IMAGE_MACRO_AREA_SIZE) +
                             " are available");
        return false;
    }
    if (!dropped.empty()) ui->message_box(MESSAGE_PLAIN, (source + ": " + unkept_macros_text(dropped)).c_str());
    return true;
}

bool import_image(const std::string& text, const std::string& source, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    static ConfigSnapshot snapshot;  // 16 KB: off the stack
    if (!import_configuration(text, source, snapshot)) return false;  // the engine holds it now
    int shared_pin = 0;
    if (!build_config_image_keeping_shared_pin(image, shared_pin)) return false;
    if (shared_pin != 0)
        ui->message_box(MESSAGE_PLAIN, (source + ": Pin " + std::to_string(shared_pin) +
                                        " is used for multiple scan lines; Save and Write take the configuration "
                                        "once each line has a pin of its own").c_str());
    return true;
}
