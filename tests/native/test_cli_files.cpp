// velmaroctl's file commands end to end on temporary files: new, show, export, import, diff,
// the round trips, and every error path with its exit status and message.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <algorithm>
#include <sstream>

#include <unistd.h>

#include <expat.h>

#include <nlohmann/json.hpp>

#include "config/config_file.h"
#include "config/config_snapshot.h"
#include "config/text_encoding.h"
#include "fake_ui.h"
#include "keys/key_codes.h"
#include "test_config_helpers.h"
#include "cli_test_support.h"
#include "sheet/svg_writer.h"
#include "velmaroctl.h"
#include "sheet/wiring_sheet.h"

namespace {
namespace fs = std::filesystem;
using Json = nlohmann::json;
using FileBytes = std::vector<std::uint8_t>;


void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The engine's model saved as a configuration file, without velmaroctl.
void save_model(const std::string& path) {
    Image image{};
    ASSERT_TRUE(build_config_image(image.data())) << fake_message_texts().front();
    scramble_config_bytes(image.data());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override {
        reset_to_default_configuration();
        std::string pattern = (fs::temp_directory_path() / "velmaroctl-test-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string path(const std::string& name) const { return (fs::path(folder_) / name).string(); }

private:
    std::string folder_;
};

// ---- configurations the tests save through the engine -----------------------------------

void set_cell(int row, int column, int code, int fn_code = KEY_NOT_USED) {
    config_model.key_table[cell_index(row, column)] = code;
    config_model.fn_key_table[cell_index(row, column)] = fn_code;
}

void fn_and_repeat() {
    set_matrix({4, 1}, {6, 3});
    set_cell(0, 0, KEY_FN, KEY_FN);
    set_cell(0, 1, KEY_FLAG_REPEAT | 4, 0x28);
    set_cell(1, 0, 0x74, KEY_FLAG_REPEAT | 0x29);
    set_cell(1, 1, 36, 100);
    view->set_single_key_checked(true);
    view->set_ghost_filter_checked(true);
}

// Macros 1, 4 and 6 in use with free slots between; macro 6 only from the FN table.
void macros_with_gaps() {
    set_matrix({1, 2, 3}, {4, 5, 6});
    set_cell(0, 0, KEY_FLAG_MACRO | 1);
    set_cell(1, 1, KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 4, KEY_FLAG_MACRO | 6);
    set_cell(2, 2, 5, 6);
    set_macro(0, {0x04, 0x0A7F, 0x84}, {});
    set_macro(3, {KEY_BREAK_ALL}, {0x007F, 0xFF});
    set_macro(5, {}, {0x29});
}

void odd_codes() {
    set_matrix({1, 2}, {3});
    set_cell(0, 0, 0x0A04, 0x4004);  // flag bits that the utility never sets
    set_cell(0, 1, 0xFA04, KEY_FLAG_MACRO);  // macro flag with number 0 refers to nothing
}

// Codes that an image holds but no editor makes, which only a number expresses: a release,
// Break All and the delay in cells, two FN keys, the FN key in the FN table away from the FN
// key, and the steps FN, release FN and release of Not Used.
void codes_only_numbers_express() {
    set_matrix({1, 2, 3}, {4, 5});
    set_cell(0, 0, KEY_FLAG_BREAK | 4, KEY_FN);
    set_cell(0, 1, KEY_BREAK_ALL, KEY_FLAG_REPEAT | KEY_DELAY);
    set_cell(0, 2, KEY_DELAY, KEY_FLAG_BREAK);
    set_cell(1, 0, KEY_FN, KEY_FN);
    set_cell(1, 1, KEY_FLAG_REPEAT | KEY_FN, KEY_FLAG_MACRO | 2);
    set_cell(1, 2, KEY_FLAG_REPEAT | KEY_BREAK_ALL);
    set_macro(1, {KEY_FN, 0x04, KEY_FLAG_BREAK}, {KEY_FLAG_BREAK | KEY_FN, 0x84});
}

// One FN key, repeated, and the FN key in the FN table at its cell: names throughout.
void repeat_fn_key() {
    set_matrix({1, 2}, {3, 4});
    set_cell(1, 0, KEY_FLAG_REPEAT | KEY_FN, KEY_FN);
    set_cell(0, 1, 0x04, 0x05);
}

// A 3 x 3 matrix whose cell at row 3, column 3 runs macro 1, shrunk to 2 x 2: only that
// hidden cell refers to the macro, and the file does not hold it.
void macro_of_a_hidden_cell() {
    set_matrix({1, 2, 3}, {4, 5, 6});
    set_cell(2, 2, KEY_FLAG_MACRO | 1);
    set_macro(0, {0x04}, {});
    set_matrix({1, 2}, {4, 5});
}

void eight_rows_one_column() {
    set_matrix({9}, {1, 2, 3, 4, 5, 6, 7, 8});
    for (int row = 0; row < 8; ++row) set_cell(row, 0, 58 + row, 116 + row);
}

// 20 cells whose macros take the whole budget: 11 records of 34 bytes and one of 25 (399
// bytes), or with `last_breaks` 8 one of 26, which fills the macro area's 400 bytes.
void full_macro_memory(int last_breaks = 7) {
    set_matrix({1, 2, 3, 4}, {5, 6, 7, 8, 9});
    for (int slot = 0; slot < 12; ++slot) {
        set_cell(slot / 4, slot % 4, KEY_FLAG_MACRO | (slot + 1));
        MacroSlot& macro = config_model.macro_slots[slot];
        macro.in_use = 1;
        for (int i = 0; i < MACRO_STEP_COUNT; ++i) {
            macro.make_steps[i] = 4 + i;
            macro.break_steps[i] = slot < 11 || i < last_breaks ? 0x84 + i : 0;
        }
    }
}

// Key numbers first .. first + 19 in the normal table, the same repeated in the FN table
// (Break All and the delay too, which only steps hold in the editors).
std::function<void()> key_numbers_from(int first) {
    return [first] {
        set_matrix({1, 2, 3, 4}, {5, 6, 7, 8, 9});
        for (int i = 0; i < 20; ++i) {
            const int key = (first + i) % 128;
            set_cell(i / 4, i % 4, key, KEY_FLAG_REPEAT | key);
        }
    };
}

struct NamedConfiguration {
    const char* name;
    std::function<void()> set_up;
};

std::vector<NamedConfiguration> configurations() {
    std::vector<NamedConfiguration> list = {
        {"default", [] {}},
        {"fn_and_repeat", fn_and_repeat},
        {"macros_with_gaps", macros_with_gaps},
        {"odd_codes", odd_codes},
        {"eight_rows_one_column", eight_rows_one_column},
        {"full_macro_memory", [] { full_macro_memory(); }},
        {"full_macro_area", [] { full_macro_memory(8); }},
        {"codes_only_numbers_express", codes_only_numbers_express},
        {"repeat_fn_key", repeat_fn_key},
        {"macro_of_a_hidden_cell", macro_of_a_hidden_cell},
    };
    static const char* const names[] = {"keys_0", "keys_20", "keys_40", "keys_60",
                                        "keys_80", "keys_100", "keys_120"};
    for (int chunk = 0; chunk < 7; ++chunk) list.push_back({names[chunk], key_numbers_from(chunk * 20)});
    return list;
}

// ---- new, show, export --------------------------------------------------------------------

TEST_F(CliFiles, NewSavesTheDefaultConfiguration) {
    const CliResult result = run_cli({"new", "-o", path("new.qzc")});
    EXPECT_EQ(CTL_EXIT_OK, result.status);
    EXPECT_EQ("", result.err);
    save_model(path("engine.qzc"));
    EXPECT_EQ(512u, read_bytes(path("new.qzc")).size());
    EXPECT_EQ(read_bytes(path("engine.qzc")), read_bytes(path("new.qzc")));
}

TEST_F(CliFiles, ShowPrintsSizePinsGridsMacrosOptionsAndMemory) {
    macros_with_gaps();
    view->set_ghost_filter_checked(true);
    save_model(path("m.qzc"));
    const CliResult result = run_cli({"show", path("m.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    const char* expected_lines[] = {
        "Matrix: 3 rows x 3 columns\n",
        "Column pins: 1 2 3\n",
        "Row pins: 4 5 6\n",
        "Single Key at a Time: off\n",
        "Filter Ghost Keys: on\n",
        "\nKeys:\n                 Column 1 (pin 1)  Column 2 (pin 2)  Column 3 (pin 3)\n"
        "  Row 1 (pin 4)  macro 1           Not Used          Not Used\n"
        "  Row 2 (pin 5)  Not Used          repeat macro 4    Not Used\n"
        "  Row 3 (pin 6)  Not Used          Not Used          B\n",
        "\nFN keys:\n",
        "  Row 2 (pin 5)  Not Used          macro 6           Not Used\n",
        "  Macro 1\n    Make:  A, delay 100ms, release A\n    Break: (none)\n",
        "  Macro 4\n    Make:  break all\n    Break: delay 2560ms, release Delay\n",
        "  Macro 6\n    Make:  (none)\n    Break: Esc\n",
        // 1: 3 steps + 1 delay + 2; 4: 3 steps + 1 delay + 2; 6: 1 step + 2; free 2, 3, 5: 2 each
        "Macro memory remaining: 378\n",
    };
    for (const char* line : expected_lines) EXPECT_NE(std::string::npos, result.out.find(line)) << line;
    EXPECT_EQ(std::string::npos, result.out.find("Macro 2")) << "free slots are not listed";
}

TEST_F(CliFiles, ExportWritesTheDocumentFieldByField) {
    macros_with_gaps();
    save_model(path("m.qzc"));
    const CliResult result = run_cli({"export", path("m.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    const Json doc = Json::parse(result.out);
    EXPECT_EQ("velmaro-config", doc["format"]);
    EXPECT_EQ(1, doc["version"]);
    EXPECT_EQ(3, doc["rows"]);
    EXPECT_EQ(Json({1, 2, 3}), doc["column_pins"]);
    EXPECT_EQ(Json({4, 5, 6}), doc["row_pins"]);
    EXPECT_EQ(false, doc["single_key_at_a_time"]);
    EXPECT_EQ(Json({"macro 1", "Not Used", "Not Used"}), doc["keys"][0]);
    EXPECT_EQ(Json({"Not Used", "repeat macro 4", "Not Used"}), doc["keys"][1]);
    EXPECT_EQ(Json({"Not Used", "macro 6", "Not Used"}), doc["fn_keys"][1]);
    ASSERT_EQ(3u, doc["macros"].size());
    EXPECT_EQ(Json::parse(R"({"number": 1, "make": ["A", "delay 100ms", "release A"], "break": []})"),
              doc["macros"][0]);
    EXPECT_EQ(Json::parse(R"({"number": 4, "make": ["break all"], "break": ["delay 2560ms", "release Delay"]})"),
              doc["macros"][1]);
    EXPECT_EQ(6, doc["macros"][2]["number"]);
}

TEST_F(CliFiles, NumericExportWritesTheKeyCodes) {
    macros_with_gaps();
    save_model(path("m.qzc"));
    const CliResult result = run_cli({"export", path("m.qzc"), "--numeric"});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    const Json doc = Json::parse(result.out);
    EXPECT_EQ(Json({0x101, 0, 0}), doc["keys"][0]);
    EXPECT_EQ(Json({0, 0x504, 0}), doc["keys"][1]);
    EXPECT_EQ(Json({0x04, 0x0A7F, 0x84}), doc["macros"][0]["make"]);
}

// ---- round trips --------------------------------------------------------------------------

// An exported (ASCII) document as a Windows tool may save it: UTF-8 with a byte-order mark,
// or UTF-16 with its mark (Windows PowerShell 5.1's "export X > x.json").
enum class SavedAs { UTF8, UTF8_MARK, UTF16_LE, UTF16_BE };

std::string saved_as(const std::string& ascii, SavedAs encoding) {
    if (encoding == SavedAs::UTF8) return ascii;
    if (encoding == SavedAs::UTF8_MARK) return "\xEF\xBB\xBF" + ascii;
    const bool big = encoding == SavedAs::UTF16_BE;
    std::string wide = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        EXPECT_GE(c, 0) << "the export holds only ASCII";
        wide += big ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return wide;
}

TEST_F(CliFiles, ExportThenImportGivesTheSameFileBytes) {
    for (const NamedConfiguration& configuration : configurations()) {
        SCOPED_TRACE(configuration.name);
        reset_to_default_configuration();
        configuration.set_up();
        save_model(path("original.qzc"));
        for (bool numeric : {false, true}) {
            std::vector<std::string> args = {"export", path("original.qzc")};
            if (numeric) args.push_back("--numeric");
            const CliResult exported = run_cli(args);
            ASSERT_EQ(CTL_EXIT_OK, exported.status) << exported.err;
            for (SavedAs encoding : {SavedAs::UTF8, SavedAs::UTF8_MARK, SavedAs::UTF16_LE, SavedAs::UTF16_BE}) {
                SCOPED_TRACE(static_cast<int>(encoding));
                write_text(path("doc.json"), saved_as(exported.out, encoding));
                const CliResult imported = run_cli({"import", path("doc.json"), "-o", path("again.qzc")});
                ASSERT_EQ(CTL_EXIT_OK, imported.status) << imported.err;
                EXPECT_EQ(read_bytes(path("original.qzc")), read_bytes(path("again.qzc"))) << numeric;
                EXPECT_EQ(CTL_EXIT_OK, run_cli({"diff", path("doc.json"), path("original.qzc")}).status);
            }
        }
    }
}

// A random configuration: any matrix (at times two lines on a pin), cells drawn from the keys, the
// FN key, macros, the codes only a number expresses and any 16-bit code, macros of random steps.
int random_cell_code(std::mt19937& rng) {
    const int key = static_cast<int>(rng() % 128);
    const int macro = KEY_FLAG_MACRO | static_cast<int>(1 + rng() % 8);
    const int any = static_cast<int>(rng() % 0x10000);
    const int choices[] = {KEY_NOT_USED, key, KEY_FLAG_REPEAT | key, KEY_FN, KEY_FLAG_REPEAT | KEY_FN,
                           KEY_BREAK_ALL, KEY_DELAY, KEY_FLAG_BREAK | key, macro, KEY_FLAG_REPEAT | macro,
                           (any & KEY_FLAG_MACRO) ? any & ~0x80 : any};
    return choices[rng() % (sizeof choices / sizeof choices[0])];
}

int random_step(std::mt19937& rng) {
    const int choices[] = {static_cast<int>(1 + rng() % 255), static_cast<int>(rng() % 256) << 8 | KEY_DELAY,
                           KEY_FN, KEY_FLAG_BREAK, KEY_FLAG_BREAK | KEY_FN, KEY_BREAK_ALL};
    return choices[rng() % (sizeof choices / sizeof choices[0])];
}

void random_model(std::mt19937& rng) {
    reset_to_default_configuration();
    const int rows = static_cast<int>(1 + rng() % 8);
    const int columns = static_cast<int>(1 + rng() % std::min(8, 9 - rows));
    int pins[MATRIX_MAX_PINS] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::shuffle(pins, pins + MATRIX_MAX_PINS, rng);
    // Now and then a line on the pin of another, as a unit's backup may hold it.
    if (rng() % 4 == 0 && rows + columns > 2) pins[1 + rng() % (rows + columns - 1)] = pins[rng() % (rows + columns)];
    view->select_row_count(rows);
    view->select_column_count(columns);
    for (int i = 0; i < columns; ++i) config_model.column_pins[i] = pins[i];
    for (int i = 0; i < rows; ++i) config_model.row_pins[i] = pins[columns + i];
    view->set_single_key_checked(rng() % 2);
    view->set_ghost_filter_checked(rng() % 2);
    // Cells outside the matrix get codes too: some macros only they (or no cell) run.
    for (int c = 0; c < KEY_TABLE_SIZE; ++c) {
        config_model.key_table[c] = random_cell_code(rng);
        config_model.fn_key_table[c] = random_cell_code(rng);
    }
    for (int slot = 0; slot < 8; ++slot) {
        MacroSlot& macro = config_model.macro_slots[slot];
        macro.in_use = rng() % 2;
        const int make_count = macro.in_use ? static_cast<int>(rng() % 17) : 0;
        const int break_count = macro.in_use ? static_cast<int>(rng() % 17) : 0;
        for (int i = 0; i < make_count; ++i) macro.make_steps[i] = random_step(rng);
        for (int i = 0; i < break_count; ++i) macro.break_steps[i] = random_step(rng);
    }
}

TEST_F(CliFiles, ExportThenImportGivesBackEveryFileThatTheEngineBuilds) {
    std::mt19937 rng(20261208);
    int files = 0, shared_pins = 0;
    for (int round = 0; round < 400; ++round) {
        random_model(rng);
        Image image{};
        int shared_pin = 0;
        if (!build_config_image_keeping_shared_pin(image.data(), shared_pin)) continue;  // macros past the area
        ++files;
        shared_pins += shared_pin != 0;
        const std::string pin_line = shared_pin == 0 ? "" : path("random.json") + ": Pin " + std::to_string(shared_pin) +
            " is used for multiple scan lines; Save and Write take the configuration once each line has a pin of its own\n";
        scramble_config_bytes(image.data());
        const FileBytes original(image.begin(), image.end());
        std::ofstream(path("random.qzc"), std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
        for (bool numeric : {false, true}) {
            SCOPED_TRACE("round " + std::to_string(round) + (numeric ? ", numeric" : ", named"));
            std::vector<std::string> args = {"export", path("random.qzc")};
            if (numeric) args.push_back("--numeric");
            const CliResult exported = run_cli(args);
            ASSERT_EQ(CTL_EXIT_OK, exported.status) << exported.err;
            write_text(path("random.json"), exported.out);
            const CliResult imported = run_cli({"import", path("random.json"), "-o", path("again.qzc")});
            ASSERT_EQ(CTL_EXIT_OK, imported.status) << imported.err << exported.out;
            EXPECT_EQ(pin_line, imported.err);
            const FileBytes again = read_bytes(path("again.qzc"));
            std::string at;
            for (std::size_t i = 0; i < again.size() && i < original.size(); ++i)
                if (again[i] != original[i]) at += " " + std::to_string(i);
            ASSERT_EQ(original, again) << "bytes differ at" << at << "\n" << exported.out;
        }
    }
    EXPECT_GT(files, 200) << "most random models build";
    EXPECT_GT(shared_pins, 30);
}

// The one reader of JSON documents' encodings, byte by byte.
TEST(JsonTextEncoding, ReadsUtf8AndMarkedUtf16AndNamesEverythingElse) {
    const struct {
        const char* name;
        std::string bytes;
        std::string text;     // when read
        std::string problem;  // when refused
    } cases[] = {
        {"empty", "", "", ""},
        {"ASCII", "{}", "{}", ""},
        {"UTF-8", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"", ""},
        {"UTF-8 mark", "\xEF\xBB\xBF{}", "{}", ""},
        {"UTF-8 mark only", "\xEF\xBB\xBF", "", ""},
        {"UTF-16 LE", std::string("\xFF\xFE{\0\xE9\0\xAC\x20}\0", 10), "{\xC3\xA9\xE2\x82\xAC}", ""},
        {"UTF-16 BE", std::string("\xFE\xFF\0{\0\xE9\x20\xAC\0}", 10), "{\xC3\xA9\xE2\x82\xAC}", ""},
        {"UTF-16 LE pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80", ""},
        {"UTF-16 BE pair", std::string("\xFE\xFF\xDB\xFF\xDF\xFF", 6), "\xF4\x8F\xBF\xBF", ""},
        {"UTF-16 mark only", "\xFF\xFE", "", ""},
        {"UTF-16 odd length", std::string("\xFF\xFE{\0}", 5), "",
         "The UTF-16 (little-endian) document ends in the middle of a character"},
        {"UTF-16 high surrogate alone", std::string("\xFF\xFE{\0\x3D\xD8}\0", 8), "",
         "The UTF-16 (little-endian) document holds a lone surrogate at offset 4"},
        {"UTF-16 high surrogate at the end", std::string("\xFE\xFF\0{\xD8\x3D", 6), "",
         "The UTF-16 (big-endian) document holds a lone surrogate at offset 4"},
        {"UTF-16 low surrogate first", std::string("\xFF\xFE\x00\xDE\x3D\xD8", 6), "",
         "The UTF-16 (little-endian) document holds a lone surrogate at offset 2"},
        {"UTF-16 LE without mark", std::string("{\0}\0", 4), "",
         "The document is UTF-16 (little-endian) without a byte-order mark"},
        {"UTF-16 BE without mark", std::string("\0{\0}", 4), "",
         "The document is UTF-16 (big-endian) without a byte-order mark"},
        {"UTF-32 LE without mark", std::string("{\0\0\0", 4), "",
         "The document is UTF-32 (little-endian) without a byte-order mark"},
        {"UTF-32 BE without mark", std::string("\0\0\0{", 4), "",
         "The document is UTF-32 (big-endian) without a byte-order mark"},
        {"UTF-32 LE mark", std::string("\xFF\xFE\0\0{\0\0\0", 8), "",
         "The document is UTF-32, which is not read: save it as UTF-8"},
        {"UTF-32 BE mark", std::string("\0\0\xFE\xFF", 4), "",
         "The document is UTF-32, which is not read: save it as UTF-8"},
        {"Windows-1252", "{\"\xE9\"}", "", "The document is not UTF-8 text (bad byte sequence at offset 2)"},
        {"after a UTF-8 mark", "\xEF\xBB\xBF{\x80}", "",
         "The document is not UTF-8 text (bad byte sequence at offset 4)"},
        {"cut short", "{\xE2\x82", "", "The document is not UTF-8 text (bad byte sequence at offset 1)"},
        {"overlong", "{\xC0\xAF}", "", "The document is not UTF-8 text (bad byte sequence at offset 1)"},
        {"overlong of three", "{\xE0\x80\xAF}", "",
         "The document is not UTF-8 text (bad byte sequence at offset 1)"},
        {"encoded surrogate", "{\xED\xA0\x80}", "",
         "The document is not UTF-8 text (bad byte sequence at offset 1)"},
        {"beyond U+10FFFF", "{\xF4\x90\x80\x80}", "",
         "The document is not UTF-8 text (bad byte sequence at offset 1)"},
        {"bad continuation", "ab\xC3(", "", "The document is not UTF-8 text (bad byte sequence at offset 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "left over", problem = "left over";
        EXPECT_EQ(c.problem.empty(), json_text_from_bytes(c.bytes, text, problem));
        EXPECT_EQ(c.text, text);
        EXPECT_EQ(c.problem, problem);
    }
}

TEST_F(CliFiles, ImportBuildsWhatTheEngineBuildsFromTheSameModel) {
    macros_with_gaps();
    save_model(path("engine.qzc"));
    write_text(path("hand.json"), R"({
      "format": "velmaro-config", "version": 1, "rows": 3, "columns": 3,
      "column_pins": [1, 2, 3], "row_pins": [4, 5, 6],
      "keys": [["Macro 1", "not used", 0], [0, "REPEAT macro 4", 0], [0, 0, "b"]],
      "fn_keys": [[0, 0, 0], [0, 262, 0], [0, 0, "C"]],
      "macros": [{"number": 6, "break": ["esc"]},
                 {"number": 1, "make": ["a", "delay 100 ms", 132]},
                 {"number": 4, "make": ["Break All"], "break": [127, "release key 127"]}]
    })");
    const CliResult result = run_cli({"import", path("hand.json"), "-o", path("hand.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    EXPECT_EQ(read_bytes(path("engine.qzc")), read_bytes(path("hand.qzc")));
}

TEST_F(CliFiles, ImportReadsStandardInputForADash) {
    save_model(path("engine.qzc"));
    const CliResult exported = run_cli({"export", path("engine.qzc")});
    write_text(path("doc.json"), exported.out);
    std::ifstream json(path("doc.json"));
    std::streambuf* saved = std::cin.rdbuf(json.rdbuf());
    const CliResult imported = run_cli({"import", "-", "-o", path("again.qzc")});
    std::cin.rdbuf(saved);
    ASSERT_EQ(CTL_EXIT_OK, imported.status) << imported.err;
    EXPECT_EQ(read_bytes(path("engine.qzc")), read_bytes(path("again.qzc")));
}

TEST_F(CliFiles, ImportSaysWhichMacrosTheFileWillNotKeepAndTheSheetLeavesThemOut) {
    write_text(path("doc.json"), R"({
      "format": "velmaro-config", "version": 1, "rows": 1, "columns": 2,
      "column_pins": [1, 2], "row_pins": [3], "keys": [["macro 2", "A"]],
      "macros": [{"number": 1, "make": ["B"]}, {"number": 2, "make": ["C"]},
                 {"number": 5, "make": ["D"]}, {"number": 7}, {"number": 9, "break": ["E"]}]
    })");
    const std::string warning = path("doc.json") +
        ": Macros 5 and 9 are not kept: a configuration file holds macros only up to the highest "
        "number that a cell in the file refers to, and no cell in the file refers to them or to a higher one\n";
    const CliResult imported = run_cli({"import", path("doc.json"), "-o", path("doc.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, imported.status) << imported.err;
    EXPECT_EQ(warning, imported.err);
    const Json exported = Json::parse(run_cli({"export", path("doc.qzc")}).out);
    ASSERT_EQ(2u, exported["macros"].size()) << exported.dump();
    EXPECT_EQ(1, exported["macros"][0]["number"]) << "below the highest reference a macro stays";
    EXPECT_EQ(2, exported["macros"][1]["number"]);
    const CliResult sheet = run_cli({"sheet", path("doc.json"), "-o", path("doc.svg")});
    ASSERT_EQ(CTL_EXIT_OK, sheet.status) << sheet.err;
    const std::vector<std::uint8_t> bytes = read_bytes(path("doc.svg"));
    const std::string svg(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, svg.find("Macro 2 ")) << "the sheet draws what the file holds";
    EXPECT_EQ(std::string::npos, svg.find("Macro 5 "));
    EXPECT_EQ(std::string::npos, svg.find("Macro 9 "));
    // A cell on the pin of an earlier line is not in the file: diff and sheet of the document
    // are of the file that import saves.
    write_text(path("clash.json"), R"({"format": "velmaro-config", "version": 1, "rows": 1, "columns": 2,
      "column_pins": [1, 1], "row_pins": [3], "keys": [["A", "macro 1"]], "macros": [{"number": 1, "make": ["B"]}]})");
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"import", path("clash.json"), "-o", path("clash.qzc")}).status);
    const CliResult diff = run_cli({"diff", path("clash.json"), path("clash.qzc")});
    EXPECT_EQ(std::make_pair(CTL_EXIT_OK, std::string()), std::make_pair(diff.status, diff.out));
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"sheet", path("clash.json"), "-o", path("clash.svg")}).status);
    const std::vector<std::uint8_t> clash_bytes = read_bytes(path("clash.svg"));
    const std::string clash(clash_bytes.begin(), clash_bytes.end());
    EXPECT_EQ(std::string::npos, clash.find(">Macro 1<")) << "the hidden cell";
    EXPECT_EQ(std::string::npos, clash.find("Macro 1 ")) << "nor its macro";
}

// ---- import errors ----------------------------------------------------------------------

Json base_document() {
    return Json::parse(R"({"format": "velmaro-config", "version": 1, "rows": 2, "columns": 2,
      "column_pins": [1, 2], "row_pins": [3, 4], "keys": [["A", "macro 1"], ["C", "D"]],
      "macros": [{"number": 1, "make": ["A"]}]})");
}

struct ImportErrorCase {
    const char* name;
    std::function<void(Json&)> change;
    const char* message;  // after "<json file>: ", or the whole line when it starts with "Error"
};

std::vector<ImportErrorCase> import_error_cases() {
    return {
        {"key name", [](Json& d) { d["keys"][1][0] = "Foo"; },
         "\"keys\" at row 2, column 1: unknown key name \"Foo\""},
        {"fn key name", [](Json& d) { d["fn_keys"] = Json::parse(R"([[0, 0], [0, "Shift"]])"); },
         "\"fn_keys\" at row 2, column 2: unknown key name \"Shift\""},
        {"control characters in a name", [](Json& d) { d["keys"][1][0] = "\x1B]0;x\x07 \xC2\x9B" "2J\x7F"; },
         "\"keys\" at row 2, column 1: unknown key name \"\\u001b]0;x\\u0007 \\u009b2J\\u007f\""},
        {"control characters in a value", [](Json& d) { d["format"] = {"\xC2\x9B"}; },
         "\"format\" must be \"velmaro-config\", not [\"\\u009b\"]"},
        {"key type", [](Json& d) { d["keys"][0][1] = true; },
         "\"keys\" at row 1, column 2: a key code must be a name or a number, not true"},
        {"key number", [](Json& d) { d["keys"][0][0] = 70000; },
         "\"keys\" at row 1, column 1: key code 70000 is out of range 0-65535"},
        {"macro code", [](Json& d) { d["fn_keys"] = Json::parse("[[511, 0], [0, 0]]"); },
         "\"fn_keys\" at row 1, column 1: key code 511 refers to macro 255; macros are numbered 1-127"},
        {"step code", [](Json& d) { d["macros"][0]["break"] = Json({0x0104}); },
         "Macro 1, break step 1: step 260 is out of range (1-255, or a delay 0xNN7F)"},
        {"macro number in cell", [](Json& d) { d["keys"][0][0] = "macro 200"; },
         "\"keys\" at row 1, column 1: macro number \"200\" is out of range 1-127"},
        {"rows", [](Json& d) { d["rows"] = 9; }, "\"rows\" must be a whole number from 1 to 8, not 9"},
        {"columns", [](Json& d) { d["columns"] = 0; },
         "\"columns\" must be a whole number from 1 to 8, not 0"},
        {"rows not whole", [](Json& d) { d["rows"] = 2.5; },
         "\"rows\" must be a whole number from 1 to 8, not 2.5"},
        {"lines", [](Json& d) { d["rows"] = 5; d["columns"] = 5; },
         "\"rows\" + \"columns\" must be at most 9, not 10"},
        {"pin", [](Json& d) { d["row_pins"][1] = 10; },
         "The pin of row 2 in \"row_pins\" must be a whole number from 1 to 9, not 10"},
        {"pin count", [](Json& d) { d["column_pins"] = Json({1, 2, 5}); },
         "\"column_pins\" must hold 2 pin numbers (one per column), not 3"},
        {"row count", [](Json& d) { d["keys"].erase(1); }, "\"keys\" must hold 2 rows, not 1"},
        {"column count", [](Json& d) { d["keys"][1].push_back("E"); },
         "\"keys\" row 2 must hold 2 key codes, not 3"},
        {"missing keys", [](Json& d) { d.erase("keys"); }, "The field \"keys\" is missing"},
        {"unknown field", [](Json& d) { d["fn_key"] = Json::array(); }, "Unknown field \"fn_key\""},
        {"option type", [](Json& d) { d["filter_ghost_keys"] = 1; },
         "\"filter_ghost_keys\" must be true or false, not 1"},
        {"format", [](Json& d) { d["format"] = "other"; },
         "\"format\" must be \"velmaro-config\", not \"other\""},
        {"version", [](Json& d) { d["version"] = 2; },
         "Unsupported \"version\" 2 (this velmaroctl reads version 1)"},
        {"not an object", [](Json& d) { d = Json::array(); }, "The JSON document must be an object"},
        {"step name", [](Json& d) { d["macros"][0]["make"].push_back("Foo"); },
         "Macro 1, make step 2: unknown key name \"Foo\""},
        {"delay", [](Json& d) { d["macros"][0]["break"] = Json({"delay 5ms"}); },
         "Macro 1, break step 1: \"delay 5ms\" is not a multiple of 10 ms from 10ms to 2560ms"},
        {"empty step", [](Json& d) { d["macros"][0]["make"] = Json({"A", 0}); },
         "Macro 1, make step 2: step 0 is out of range (1-255, or a delay 0xNN7F)"},
        {"too many steps", [](Json& d) { d["macros"][0]["make"] = Json(std::vector<int>(17, 4)); },
         "Macro 1 has 17 make steps; a list holds at most 16"},
        {"macro number", [](Json& d) { d["macros"][0]["number"] = 128; },
         "The \"number\" of \"macros\" entry 1 must be a whole number from 1 to 127, not 128"},
        {"twice", [](Json& d) { d["macros"].push_back(d["macros"][0]); },
         "Macro 1 is listed twice in \"macros\""},
        {"macro field", [](Json& d) { d["macros"][0]["steps"] = Json::array(); },
         "Unknown field \"steps\" in macro 1"},
        {"second FN key", [](Json& d) { d["keys"] = Json::parse(R"([["FN", "B"], ["FN [OFF]", 2]])"); },
         "\"keys\": the FN key is at row 1, column 1; row 2, column 1 and row 2, column 2; only one cell "
         "can hold it"},
        {"FN step", [](Json& d) { d["macros"][0]["make"] = Json({"A", "FN"}); },
         "Macro 1, make step 2: the FN key cannot be a macro step"},
        {"released FN step", [](Json& d) { d["macros"][0]["break"] = Json({"release FN"}); },
         "Macro 1, break step 1: the FN key cannot be a macro step"},
        {"Not Used step", [](Json& d) { d["macros"][0]["make"] = Json({"not used"}); },
         "Macro 1, make step 1: a step cannot be \"Not Used\""},
        {"released Not Used step", [](Json& d) { d["macros"][0]["break"] = Json({"release Not Used"}); },
         "Macro 1, break step 1: a release of \"Not Used\" cannot be a macro step"},
        {"delay in a cell", [](Json& d) { d["keys"][0][1] = "key 127"; },
         "\"keys\" at row 1, column 2: a delay is a macro step; a cell cannot hold it"},
        {"delay step in a cell", [](Json& d) { d["fn_keys"] = Json::parse(R"([[0, 0], [0, "delay 100ms"]])"); },
         "\"fn_keys\" at row 2, column 2: \"delay 100ms\" is a macro step, not a key"},
        {"delay key in the FN table", [](Json& d) { d["fn_keys"] = Json::parse(R"([[0, 0], [0, "Delay"]])"); },
         "\"fn_keys\" at row 2, column 2: a delay is a macro step; a cell cannot hold it"},
        {"break all in a cell", [](Json& d) { d["keys"][1][1] = "repeat break all"; },
         "\"keys\" at row 2, column 2: Break All is a macro step; a cell cannot hold it"},
        {"release in a cell", [](Json& d) { d["keys"][1][0] = "release A"; },
         "\"keys\" at row 2, column 1: \"release A\" is a macro step, not a key"},
        {"repeat FN as a second FN key", [](Json& d) { d["keys"] = Json::parse(R"([["FN", "repeat FN"], [0, 0]])"); },
         "\"keys\": the FN key is at row 1, column 1 and row 1, column 2; only one cell can hold it"},
        {"FN by name beside an FN key by number", [](Json& d) { d["keys"] = Json::parse(R"([[1026, 0], [0, "FN"]])"); },
         "\"keys\": the FN key is at row 1, column 1 and row 2, column 2; only one cell can hold it"},
        {"FN in the FN table away from the FN key",
         [](Json& d) {
             d["keys"][0][0] = "FN";
             d["fn_keys"] = Json::parse(R"([["FN", "FN"], [0, 0]])");
         },
         "\"fn_keys\" at row 1, column 2: the FN key can stand in the FN table only at the cell of the FN key"},
        {"FN in the FN table without an FN key", [](Json& d) { d["fn_keys"] = Json::parse(R"([[0, 0], ["repeat FN", 0]])"); },
         "\"fn_keys\" at row 2, column 1: the FN key can stand in the FN table only at the cell of the FN key"},
        {"huge number", [](Json& d) { d["rows"] = "raw:1e400"; }, "\"rows\" holds a number too large to read"},
        {"huge key code", [](Json& d) { d["keys"][1][0] = "raw:-1e999"; },
         "\"keys\" entry 2, entry 1 holds a number too large to read"},
        {"huge step", [](Json& d) { d["macros"][0]["make"] = Json({"A", "raw:1e400"}); },
         "\"macros\" entry 1, \"make\" entry 2 holds a number too large to read"},
        {"fraction step", [](Json& d) { d["macros"][0]["make"] = Json({4.5}); },
         "Macro 1, make step 1: a step must be a name or a number, not 4.5"},
        {"fraction macro number", [](Json& d) { d["macros"][0]["number"] = 1.5; },
         "The \"number\" of \"macros\" entry 1 must be a whole number from 1 to 127, not 1.5"},
        {"budget",
         [](Json& d) {
             d["keys"][0][0] = "macro 7";
             for (int n = 1; n <= 7; ++n)
                 d["macros"][n - 1] = {{"number", n}, {"make", std::vector<int>(16, 0x0A7F)},
                                       {"break", std::vector<int>(16, 0x0A7F)}};
         },
         "The macros use 462 bytes of macro memory; 400 are available"},
        {"empty records count against the memory",
         [](Json& d) {
             d["macros"] = Json::array();
             for (int n = 1; n <= 6; ++n)
                 d["macros"].push_back({{"number", n}, {"make", std::vector<int>(16, 0x0A7F)},
                                        {"break", std::vector<int>(16, 0x0A7F)}});
             for (int n = 7; n <= 127; ++n) d["macros"].push_back({{"number", n}});
             d["keys"][1][1] = "macro 127";
         },
         "The macros use 638 bytes of macro memory; 400 are available"},
        {"one byte past the macro area",
         [](Json& d) {
             d["keys"][0][0] = "macro 7";
             d["macros"] = Json::array();
             for (int n = 1; n <= 6; ++n)  // 6 records of 66 bytes, then 5 bytes: 401
                 d["macros"].push_back({{"number", n}, {"make", std::vector<int>(16, 0x0A7F)},
                                        {"break", std::vector<int>(16, 0x0A7F)}});
             d["macros"].push_back({{"number", 7}, {"make", {4, 5, 6}}});
         },
         "The macros use 401 bytes of macro memory; 400 are available"},
    };
}

// "raw:1e400" in a document's text becomes the number 1e400, which no JSON value holds.
std::string with_raw_numbers(std::string text) {
    const std::string marker = "\"raw:";
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
        const std::size_t end = text.find('"', at + marker.size());
        text = text.substr(0, at) + text.substr(at + marker.size(), end - at - marker.size()) +
               text.substr(end + 1);
    }
    return text;
}

TEST_F(CliFiles, BadImportsNameTheProblemExitOneAndWriteNothing) {
    for (const ImportErrorCase& c : import_error_cases()) {
        SCOPED_TRACE(c.name);
        Json doc = base_document();
        c.change(doc);
        write_text(path("bad.json"), with_raw_numbers(doc.dump()));
        const CliResult result = run_cli({"import", path("bad.json"), "-o", path("out.qzc")});
        EXPECT_EQ(CTL_EXIT_FAILED, result.status);
        const std::string message = c.message;
        const bool engine_line = message.compare(0, 6, "Error:") == 0;
        EXPECT_EQ((engine_line ? "" : path("bad.json") + ": ") + message + "\n", result.err);
        EXPECT_EQ("", result.out);
        EXPECT_FALSE(fs::exists(path("out.qzc")));
    }
}

TEST_F(CliFiles, AFailedImportLeavesTheOldFileAsItWas) {
    write_text(path("old.qzc"), "previous content");
    write_text(path("bad.json"), "{\"format\": \"velmaro-config\",");
    const CliResult result = run_cli({"import", path("bad.json"), "-o", path("old.qzc")});
    EXPECT_EQ(CTL_EXIT_FAILED, result.status);
    EXPECT_EQ(path("bad.json") + ": Invalid JSON: the document ends early, at line 1, column 29\n", result.err);
    std::ifstream old(path("old.qzc"));
    EXPECT_EQ("previous content", std::string(std::istreambuf_iterator<char>(old), {}));
}

// ---- file errors and usage --------------------------------------------------------------

TEST_F(CliFiles, UnreadableFilesAreNamed) {
    write_text(path("short.qzc"), std::string(100, 'x'));
    write_text(path("d.json"), "");
    write_text(path("syntax.json"), "{\n \"a\": [1 2]}");
    write_text(path("control.json"), "{\"a\": \"\x01\"}");
    write_text(path("utf16.json"), std::string("{\0\"\0}\0", 6));
    write_text(path("ansi.json"), "{\"name\": \"\xC4nderung\"}");
    write_text(path("twice.json"), R"({"format": "velmaro-config", "rows": 2, "format": "velmaro-config"})");
    write_text(path("twice_in_macro.json"), R"({"macros": [{"number": 1, "make": [], "make": ["A"]}]})");
    write_text(path("huge.json"), std::string(1024 * 1024 + 1, ' '));
    Image invalid = valid_image(2, 2);
    invalid[IMAGE_ROWS] = 0;
    scramble_config_bytes(invalid.data());
    std::ofstream(path("zero_rows.qzc"), std::ios::binary)
        .write(reinterpret_cast<const char*>(invalid.data()), invalid.size());
    const struct {
        std::vector<std::string> args;
        std::string line;
        int status = CTL_EXIT_FAILED;
    } cases[] = {
        {{"show", path("missing.qzc")}, "Error opening the file: " + path("missing.qzc")},
        {{"export", path("short.qzc")},
         "Invalid configuration file: " + path("short.qzc") + " (shorter than 512 bytes)"},
        {{"show", path("zero_rows.qzc")}, "Invalid configuration file: " + path("zero_rows.qzc")},
        {{"import", path("missing.json"), "-o", path("x.qzc")},
         "Error opening the file: " + path("missing.json")},
        {{"new", "-o", path("no/such/folder/x.qzc")},
         "Error saving the file: " + path("no/such/folder/x.qzc")},
        {{"diff", path("missing.qzc"), path("short.qzc")}, "Error opening the file: " + path("missing.qzc"),
         CTL_EXIT_NOT_COMPARED},
        {{"diff", path("d.json"), path("short.qzc")}, path("d.json") + ": Invalid JSON: the document is empty",
         CTL_EXIT_NOT_COMPARED},
        {{"import", path("syntax.json"), "-o", path("x.qzc")},
         path("syntax.json") + ": Invalid JSON: unexpected '2' at line 2, column 10"},
        {{"import", path("control.json"), "-o", path("x.qzc")},
         path("control.json") + ": Invalid JSON: unexpected byte 0x01 at line 1, column 8"},
        {{"import", path("utf16.json"), "-o", path("x.qzc")},
         path("utf16.json") + ": The document is UTF-16 (little-endian) without a byte-order mark"},
        {{"diff", path("ansi.json"), path("short.qzc")},
         path("ansi.json") + ": The document is not UTF-8 text (bad byte sequence at offset 10)",
         CTL_EXIT_NOT_COMPARED},
        {{"import", path("twice.json"), "-o", path("x.qzc")},
         path("twice.json") + ": The document: the field \"format\" is given twice"},
        {{"diff", path("twice_in_macro.json"), path("short.qzc")},
         path("twice_in_macro.json") + ": \"macros\" entry 1: the field \"make\" is given twice", CTL_EXIT_NOT_COMPARED},
        {{"sheet", path("huge.json"), "-o", path("x.svg")},
         path("huge.json") + ": The document is larger than 1 MB; no configuration's document is near that size"},
        {{"show", path("")}, "Error opening the file: " + path("") + " is a directory"},
        {{"import", path(""), "-o", path("x.qzc")}, "Error opening the file: " + path("") + " is a directory"},
        {{"bogus", "x"},
         "Unknown command \"bogus\": the commands are show, export, import, new, diff, sheet, units, "
         "write, read (velmaroctl --help tells more)",
         CTL_EXIT_USAGE},
    };
    for (const auto& c : cases) {
        const CliResult result = run_cli(c.args);
        EXPECT_EQ(c.status, result.status) << c.line;
        EXPECT_EQ(c.line + "\n", result.err);
        EXPECT_EQ("", result.out);
    }
}

TEST_F(CliFiles, UsageErrorsExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"show"},
        {"export", "a", "b"},
        {"import", "x.json"},
        {"new"},
        {"write"},
        {"read", "-o", "x", "--unit", "5"},
        {"write", "x", "--unit", "0"},
        {"diff", "a"},
        {"diff", "unit:9", "a"},
        {"diff", "a", "unit:x"},
        {"show", "a", "--numeric"},
    };
    for (const auto& args : cases) {
        const CliResult result = run_cli(args);
        EXPECT_EQ(CTL_EXIT_USAGE, result.status) << ::testing::PrintToString(args);
        EXPECT_NE("", result.err) << ::testing::PrintToString(args);
    }
}

// An output stream on the write end of a pipe whose reader has gone.
std::ofstream closed_pipe() {
    int fds[2];
    EXPECT_EQ(0, pipe(fds));
    std::ofstream stream("/dev/fd/" + std::to_string(fds[1]), std::ios::binary);
    close(fds[0]);
    close(fds[1]);
    return stream;
}

TEST_F(CliFiles, OutputThatCannotBeWrittenFailsWithOneLine) {
    macros_with_gaps();
    save_model(path("m.qzc"));
    reset_to_default_configuration();
    save_model(path("d.qzc"));
    const std::vector<std::vector<std::string>> commands = {
        {"show", path("m.qzc")},
        {"export", path("m.qzc")},
        {"diff", path("m.qzc"), path("d.qzc")},
        {"--help"},
    };
    const auto previous = std::signal(SIGPIPE, SIG_IGN);  // as velmaroctl would see it
    for (const auto& args : commands) {
        SCOPED_TRACE(args[0]);
        std::ostringstream err;
        std::ofstream full("/dev/full", std::ios::binary);
        EXPECT_EQ(CTL_EXIT_FAILED, run_velmaroctl(args, full, err));
        EXPECT_EQ("Error writing the output: No space left on device\n", err.str());
        std::ostringstream quiet;
        std::ofstream pipe_end = closed_pipe();
        EXPECT_EQ(CTL_EXIT_FAILED, run_velmaroctl(args, pipe_end, quiet));
        EXPECT_EQ("", quiet.str()) << "a closed pipe ends quietly";
    }
    std::signal(SIGPIPE, previous);
}

TEST_F(CliFiles, HelpExitsZero) {
    const CliResult result = run_cli({"--help"});
    EXPECT_EQ(CTL_EXIT_OK, result.status);
    for (const char* command : {"show", "export", "import", "new", "units", "write", "read", "diff", "sheet"})
        EXPECT_NE(std::string::npos, result.out.find(command)) << command;
}

// ---- diff -------------------------------------------------------------------------------

struct DiffCase {
    const char* name;
    std::function<void()> change;
    std::vector<std::string> lines;
};

std::vector<DiffCase> diff_cases() {
    return {
        {"same", [] {}, {}},
        {"key", [] { set_cell(1, 2, 4); }, {"Key at row 2, column 3: Not Used -> A"}},
        {"fn key", [] { set_cell(0, 0, 0, KEY_FLAG_REPEAT | 5); },
         {"FN key at row 1, column 1: Not Used -> repeat B"}},
        {"option", [] { view->set_single_key_checked(true); }, {"Single Key at a Time: off -> on"}},
        {"pins", [] { set_matrix({2, 1, 3, 4}, {5, 6, 7, 8, 9}); },
         {"Pin of column 1: 1 -> 2", "Pin of column 2: 2 -> 1"}},
        {"macro",
         [] {
             set_cell(0, 0, KEY_FLAG_MACRO | 1);
             set_macro(0, {4, 0x0A7F}, {0x84});
         },
         {"Key at row 1, column 1: Not Used -> macro 1", "Macro 1 make steps: (none) -> A, delay 100ms",
          "Macro 1 break steps: (none) -> release A"}},
        {"rows",
         [] { view->select_row_count(4); },
         {"Rows: 5 -> 4", "Pin of row 5: 9 -> -", "Key at row 5, column 1: Not Used -> -",
          "Key at row 5, column 2: Not Used -> -", "Key at row 5, column 3: Not Used -> -",
          "Key at row 5, column 4: Not Used -> -", "FN key at row 5, column 1: Not Used -> -",
          "FN key at row 5, column 2: Not Used -> -", "FN key at row 5, column 3: Not Used -> -",
          "FN key at row 5, column 4: Not Used -> -"}},
    };
}

TEST_F(CliFiles, DiffListsEveryDifferenceInReadableNames) {
    save_model(path("a.qzc"));
    for (const DiffCase& c : diff_cases()) {
        SCOPED_TRACE(c.name);
        reset_to_default_configuration();
        c.change();
        save_model(path("b.qzc"));
        const CliResult result = run_cli({"diff", path("a.qzc"), path("b.qzc")});
        std::string expected;
        for (const std::string& line : c.lines) expected += line + "\n";
        EXPECT_EQ(expected, result.out);
        EXPECT_EQ("", result.err);
        EXPECT_EQ(c.lines.empty() ? CTL_EXIT_OK : CTL_EXIT_FAILED, result.status);
    }
}

// ---- wiring sheet -----------------------------------------------------------------------

// A <text> of the sheet and the box it stands in: the first <rect> of its <g>.
struct SheetText {
    std::string text;
    double x, y, size;
    std::string anchor;
    double box[4];  // x, y, width, height; width -1 when the text is in no box
};

struct SheetReader {
    std::vector<SheetText> texts;
    double box[4] = {0, 0, -1, 0};
    bool in_group = false;
    bool in_text = false;
};

double attribute(const char** attributes, const char* name) {
    for (int i = 0; attributes[i]; i += 2)
        if (std::string(attributes[i]) == name) return std::atof(attributes[i + 1]);
    return 0;
}

std::string text_attribute(const char** attributes, const char* name) {
    for (int i = 0; attributes[i]; i += 2)
        if (std::string(attributes[i]) == name) return attributes[i + 1];
    return "";
}

void XMLCALL sheet_element_start(void* data, const char* name, const char** attributes) {
    SheetReader& reader = *static_cast<SheetReader*>(data);
    const std::string element = name;
    if (element == "g") {
        reader.in_group = true;
        reader.box[2] = -1;
    } else if (element == "rect" && reader.in_group && reader.box[2] < 0) {
        for (int i = 0; i < 4; ++i)
            reader.box[i] = attribute(attributes, (const char*[]){"x", "y", "width", "height"}[i]);
    } else if (element == "text") {
        reader.in_text = true;
        SheetText text{"", attribute(attributes, "x"), attribute(attributes, "y"),
                       attribute(attributes, "font-size"), text_attribute(attributes, "text-anchor"), {}};
        std::copy(reader.box, reader.box + 4, text.box);
        if (!reader.in_group) text.box[2] = -1;
        reader.texts.push_back(text);
    }
}

void XMLCALL sheet_element_end(void* data, const char* name) {
    SheetReader& reader = *static_cast<SheetReader*>(data);
    if (std::string(name) == "g") reader.in_group = false;
    if (std::string(name) == "text") reader.in_text = false;
}

void XMLCALL sheet_characters(void* data, const char* characters, int length) {
    SheetReader& reader = *static_cast<SheetReader*>(data);
    if (reader.in_text) reader.texts.back().text.append(characters, length);
}

// Reads the sheet with expat; fails the test when it is not well-formed XML.
std::vector<SheetText> read_sheet(const std::string& svg) {
    SheetReader reader;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, sheet_element_start, sheet_element_end);
    XML_SetCharacterDataHandler(parser, sheet_characters);
    const bool well_formed = XML_Parse(parser, svg.data(), static_cast<int>(svg.size()), 1) == XML_STATUS_OK;
    EXPECT_TRUE(well_formed) << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                             << XML_GetCurrentLineNumber(parser);
    XML_ParserFree(parser);
    return reader.texts;
}

// Every text lies inside its box, measured at the font's fixed character width; every box
// inside the page's width.
void expect_texts_in_their_boxes(const std::vector<SheetText>& texts) {
    constexpr double slack = 0.01;
    for (const SheetText& t : texts) {
        SCOPED_TRACE(t.text);
        ASSERT_GE(t.box[2], 0) << "a text outside any box";
        const double width = character_count(t.text) * t.size * SVG_CHAR_WIDTH_EM;
        const double left = t.anchor == "middle" ? t.x - width / 2 : t.anchor == "end" ? t.x - width : t.x;
        EXPECT_GE(left, t.box[0] - slack);
        EXPECT_LE(left + width, t.box[0] + t.box[2] + slack);
        EXPECT_GE(t.y - 0.8 * t.size, t.box[1] - slack);
        EXPECT_LE(t.y + 0.2 * t.size, t.box[1] + t.box[3] + slack);
        EXPECT_GE(t.box[0], 0);
        EXPECT_LE(t.box[0] + t.box[2], SHEET_WIDTH_MM);
    }
}

// The number after `attribute="` in the sheet's <svg> element.
double svg_attribute(const std::string& svg, const std::string& attribute) {
    const std::size_t at = svg.find(" " + attribute + "=\"");
    return at == std::string::npos ? -1 : std::atof(svg.c_str() + at + attribute.size() + 3);
}

// The page fits A4 and Letter inside 10 mm margins (a browser prints it on one sheet of paper),
// and shows the whole layout at one scale.
void expect_one_printed_page(const std::string& svg) {
    const double width = svg_attribute(svg, "width"), height = svg_attribute(svg, "height");
    EXPECT_GT(width, 180.0);
    EXPECT_LE(width, 190.0);
    EXPECT_LE(height, 255.0);
    const std::size_t box = svg.find("viewBox=\"0 0 ");
    ASSERT_NE(std::string::npos, box);
    double box_width = 0, box_height = 0;
    ASSERT_EQ(2, std::sscanf(svg.c_str() + box, "viewBox=\"0 0 %lf %lf", &box_width, &box_height));
    EXPECT_EQ(SHEET_WIDTH_MM, box_width);
    EXPECT_NEAR(width / box_width, height / box_height, 0.0001) << "one scale across and down";
    EXPECT_NE(std::string::npos, svg.find("mm\" viewBox")) << "sized in millimetres";
}

bool sheet_holds(const std::vector<SheetText>& texts, const std::string& wanted, bool whole) {
    for (const SheetText& t : texts)
        if (whole ? t.text == wanted : t.text.find(wanted) != std::string::npos) return true;
    return false;
}

// A 2 x 3 matrix with the FN key, repeat, two macros with every kind of step, and key names
// that XML must escape.
void sheet_sample() {
    set_matrix({1, 2, 3}, {4, 5});
    set_cell(0, 0, KEY_FN, KEY_FN);
    set_cell(0, 1, KEY_FLAG_REPEAT | 4, 58);
    set_cell(0, 2, KEY_FLAG_MACRO | 1, 70);
    set_cell(1, 0, 116, KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 2);
    set_cell(1, 1, 36, 100);
    set_cell(1, 2, 102, 117);
    set_macro(0, {116, 6, 0x197F, 0x86}, {KEY_BREAK_ALL});
    set_macro(1, {0x007F}, {});
    view->set_single_key_checked(true);
}

// Twenty cells of the longest names in both tables, on eight columns.
void long_names() {
    set_matrix({1, 2, 3, 4, 5, 6, 7, 8}, {9});
    for (int column = 0; column < 8; ++column)
        set_cell(0, column, column % 2 ? 102 : 70, KEY_FLAG_REPEAT | (column % 2 ? 100 : 72));
}

// Forty macros, one for each cell of both tables, filling 390 of the 399 bytes.
void forty_macros() {
    set_matrix({1, 2, 3, 4}, {5, 6, 7, 8, 9});
    for (int cell = 0; cell < 20; ++cell) {
        set_cell(cell / 4, cell % 4, KEY_FLAG_MACRO | (cell + 1), KEY_FLAG_MACRO | (cell + 21));
        set_macro(cell, {116, 117, 6, 0x0A7F, 0x86}, {0x85, 0x84});
        set_macro(cell + 20, {70, 0x327F, 0xC6}, {KEY_BREAK_ALL, 0x83, 0xFA});
    }
}

// Forty macros of the longest step names: the layout grows past 279 units, the page does not.
void forty_long_macros() {
    set_matrix({1, 2, 3, 4}, {5, 6, 7, 8, 9});
    for (int cell = 0; cell < 20; ++cell) {
        set_cell(cell / 4, cell % 4, KEY_FLAG_MACRO | (cell + 1), KEY_FLAG_MACRO | (cell + 21));
        set_macro(cell, {70, 102, 100, 0xE6, 0x0A7F, 0xC6}, {0xE6});
        set_macro(cell + 20, {100, 0xE4, 102, 70}, {0xE4, 0xE6, 0xC6});
    }
}

TEST_F(CliFiles, SheetIsOneWellFormedPageWhoseTextsFitTheirBoxes) {
    const struct {
        const char* name;
        std::function<void()> set_up;
        const char* file;
        std::vector<std::string> whole;  // texts of their own: cells, pins, headings
        std::vector<std::string> within;  // parts of a text: steps, options, labels
    } cases[] = {
        {"sample", sheet_sample, "sample.qzc",
         {"FN", "FN key", "A", "repeat", "F1", "Macro 1", "Print Screen", "Left Ctrl", "Macro 2", "7 &",
          "Non-US \\ |", "Not Used (102)", "Left Shift", "Pin 1", "Col 1", "Pin 5", "Row 2", "Pin 9", "free",
          "pin 1", "pin 2", "pin 3", "pin 4", "pin 5"},
         {"Left Ctrl,", " C,", "wait 250 ms", "release C", "Break All", "wait 2560 ms",
          "Macro 1  make (250 ms):", "Macro 2  make (2560 ms):", "break (0 ms): (none)",
          "Single Key at a Time: ON", "Filter Ghost Keys: OFF",
          "Macro memory: 12 bytes used, 387 remaining", "Configuration file", "sample.qzc"}},
        {"long names", long_names, "a <long> & \"odd\" name that goes on and on and on and on and on.qzc",
         {"Print Screen", "Not Used (102)", "Non-US \\ |", "Pause", "Col 8", "pin 8", "Row 1", "pin 9"},
         {"a <long> & \"odd\" name"}},
        {"forty macros", forty_macros, "m.qzc",
         {}, {"Macro 1  make (100 ms):", "Macro 40  make (500 ms):", "release Right Alt"}},
        {"forty long macros", forty_long_macros, "long.qzc", {}, {"Macro 40  make", "Print Screen"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_to_default_configuration();
        c.set_up();
        save_model(path(c.file));
        const CliResult result = run_cli({"sheet", path(c.file), "-o", path("sheet.svg")});
        ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
        const std::vector<std::uint8_t> bytes = read_bytes(path("sheet.svg"));
        const std::string svg(bytes.begin(), bytes.end());
        expect_one_printed_page(svg);
        EXPECT_EQ(std::string::npos, svg.find("<script")) << "nothing but drawing";
        EXPECT_EQ(std::string::npos, svg.find("href")) << "no external files";
        const std::vector<SheetText> texts = read_sheet(svg);
        expect_texts_in_their_boxes(texts);
        for (const std::string& text : c.whole) EXPECT_TRUE(sheet_holds(texts, text, true)) << text;
        for (const std::string& text : c.within) EXPECT_TRUE(sheet_holds(texts, text, false)) << text;
    }
}

TEST_F(CliFiles, SheetMarksAClashOfTwoLinesOnOnePin) {
    Image image = valid_image(2, 2);
    image[IMAGE_PIN_LIST + 1] = 1;  // column 2 on pin 1, with column 1
    scramble_config_bytes(image.data());
    std::ofstream(path("clash.qzc"), std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"sheet", path("clash.qzc"), "-o", path("sheet.svg")}).status);
    const std::vector<std::uint8_t> bytes = read_bytes(path("sheet.svg"));
    const std::vector<SheetText> texts = read_sheet(std::string(bytes.begin(), bytes.end()));
    bool found = false;
    for (std::size_t i = 0; i + 3 < texts.size() && !found; ++i) {
        found = texts[i].text == "Pin 1";
        if (found) {
            EXPECT_EQ("CLASH Col 1 Col 2", texts[i + 1].text + " " + texts[i + 2].text + " " + texts[i + 3].text);
        }
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(sheet_holds(texts, "free", true));
}
}  // namespace

