// velmaroctl's device commands end to end against emulated units: units, write, read,
// write --verify, diff of a file and a unit, the transfer messages and the progress line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "config/config_file.h"
#include "fake_ui.h"
#include "keys/key_codes.h"
#include "sim_units.h"
#include "test_config_helpers.h"
#include "unit_commands.h"
#include "cli_test_support.h"
#include "velmaroctl.h"

namespace {
namespace fs = std::filesystem;

// A configuration with an FN key, a repeat and two macros, in the default matrix: the first
// entry of the key table is row 1, column 1.
void set_up_model() {
    reset_to_default_configuration();
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.key_table[cell_index(0, 1)] = KEY_FN;
    config_model.key_table[cell_index(2, 3)] = KEY_FLAG_MACRO | 2;
    config_model.fn_key_table[cell_index(0, 1)] = KEY_FN;
    config_model.fn_key_table[cell_index(4, 0)] = KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 1;
    set_macro(0, {0x04, 0x0A7F, 0x84}, {});
    set_macro(1, {0x05}, {0x85, KEY_BREAK_ALL});
}

// The model built, as a unit or a file holds it.
Bytes built_image() {
    Bytes image(CONFIG_IMAGE_SIZE);
    EXPECT_TRUE(build_config_image(image.data()));
    return image;
}

Bytes with_mark(Bytes image) {
    image[IMAGE_VALID_MARK] = VALID_MARK_FIRST;
    image[IMAGE_VALID_MARK + 1] = VALID_MARK_SECOND;
    return image;
}

int writes_logged(const SimUnits& units, int unit) {
    int count = 0;
    for (const std::string& line : units.log(unit)) count += line.compare(0, 6, "write ") == 0;
    return count;
}

void save_model(const std::string& path) {
    Bytes scrambled = built_image();
    scramble_config_bytes(scrambled.data());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(scrambled.data()), scrambled.size());
}

// Emulated units (none attached yet) and a folder holding the model saved as config.qzc.
class CliUnits : public ::testing::Test {
protected:
    void SetUp() override {
        set_up_model();
        std::string pattern = (fs::temp_directory_path() / "velmaroctl-units-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder_ = pattern;
        save_model(file());
    }
    void TearDown() override {
        before_verify_read = nullptr;
        fs::remove_all(folder_);
    }
    std::string path(const std::string& name) const { return (fs::path(folder_) / name).string(); }
    std::string file() const { return path("config.qzc"); }

    SimUnits sim;

private:
    std::string folder_;
};

// ---- units --------------------------------------------------------------------------------

TEST_F(CliUnits, UnitsListsTheAttachedUnitsWithTheirSerialNumbers) {
    const struct {
        std::vector<std::pair<int, const char*>> attached;
        std::string listing;
    } cases[] = {
        {{{1, "12345678"}}, "Unit #1  SN- 12345678\n"},
        {{{1, "12345678"}, {2, "00001234"}}, "Unit #1  SN- 12345678\nUnit #2  SN- 1234\n"},
        {{{1, "00000001"}, {2, "00000002"}, {3, "123abcde"}},
         "Unit #1  SN- 1\nUnit #2  SN- 2\nUnit #3  SN- 123\n"},
        {{{1, "11111111"}, {2, "22222222"}, {3, "33333333"}, {4, "44444444"}},
         "Unit #1  SN- 11111111\nUnit #2  SN- 22222222\nUnit #3  SN- 33333333\nUnit #4  SN- 44444444\n"},
        // every unit number is looked at, also where the utility's own search stops at unit 2
        {{{1, "12345678"}, {3, "33333333"}}, "Unit #1  SN- 12345678\nUnit #3  SN- 33333333\n"},
        {{{3, "33333333"}}, "Unit #3  SN- 33333333\n"},
        {{{2, "22222222"}, {4, "44444444"}}, "Unit #2  SN- 22222222\nUnit #4  SN- 44444444\n"},
    };
    for (const auto& c : cases) {
        SimUnits units;
        for (const auto& unit : c.attached) units.add_unit(unit.first, unit.second);
        const CliResult result = run_cli({"units"});
        EXPECT_EQ(CTL_EXIT_OK, result.status);
        EXPECT_EQ(c.listing, result.out);
        EXPECT_EQ("", result.err);
    }
}

TEST_F(CliUnits, UnitsWithoutAnyUnitSaysNotFound) {
    const CliResult result = run_cli({"units"});
    EXPECT_EQ(CTL_EXIT_FAILED, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ("The VELMARO (1) was not found\n", result.err);
}

// ---- write and read ---------------------------------------------------------------------

TEST_F(CliUnits, WriteStoresTheBuiltImageAndSetsTheMark) {
    sim.add_unit(1);
    const CliResult result = run_cli({"write", file()});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    EXPECT_EQ("The configuration was successfully saved to the VELMARO\n", result.out);
    EXPECT_EQ("", result.err) << "no progress line when standard error is not a terminal";
    set_up_model();
    EXPECT_EQ(with_mark(built_image()), sim.image(1));
}

TEST_F(CliUnits, ReadSavesTheSameFileThatWasWritten) {
    sim.add_unit(1);
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"write", file()}).status);
    const CliResult result = run_cli({"read", "-o", path("back.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    EXPECT_EQ("The configuration was successfully read from the VELMARO\n", result.out);
    EXPECT_EQ(read_bytes(file()), read_bytes(path("back.qzc")));
}

TEST_F(CliUnits, ReadBacksUpAUnitWhoseLinesShareAPin) {
    Bytes clash = sim_basic_image(2, 2);
    clash[IMAGE_PIN_LIST + 1] = 1;  // column 2 on pin 1, with column 1: no build would make it
    clash[IMAGE_KEY_TABLE + 1] = 0x04;
    sim.add_unit(1, "12345678", with_mark(clash));
    const CliResult result = run_cli({"read", "-o", path("backup.qzc")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    Bytes saved = read_bytes(path("backup.qzc"));
    ASSERT_EQ(static_cast<std::size_t>(CONFIG_IMAGE_SIZE), saved.size());
    scramble_config_bytes(saved.data());
    EXPECT_EQ(clash, saved) << "the file holds the bytes the unit holds";
}

// With several units attached (at any numbers) and none named, nothing is written or read.
TEST_F(CliUnits, SeveralUnitsNeedAUnitNumber) {
    for (const std::vector<int>& attached : {std::vector<int>{1, 2}, {1, 3}, {2, 3, 4}}) {
        SimUnits units;
        std::string listing;
        for (int unit : attached) {
            units.add_unit(unit, std::string(8, char('0' + unit)));
            listing += "Unit #" + std::to_string(unit) + "  SN- " + std::string(8, char('0' + unit)) + "\n";
        }
        const std::string refusal = std::to_string(attached.size()) + " VELMARO units are attached: choose one with --unit N";
        const CliResult write = run_cli({"write", file()}), read = run_cli({"read", "-o", path("x.qzc")});
        EXPECT_EQ(std::make_pair(CTL_EXIT_USAGE, refusal + ", or all of them with --all\n" + listing),
                  std::make_pair(write.status, write.err));
        EXPECT_EQ(std::make_pair(CTL_EXIT_USAGE, refusal + "\n" + listing), std::make_pair(read.status, read.err));
        const std::string chosen = std::to_string(attached.back());
        ASSERT_EQ(CTL_EXIT_OK, run_cli({"write", file(), "--unit", chosen}).status);
        for (int unit : attached)  // the refusals wrote nothing, the write only the unit named
            EXPECT_EQ(unit == attached.back() ? 1 : 0, writes_logged(units, unit) > 0 ? 1 : 0) << unit;
        ASSERT_EQ(CTL_EXIT_OK, run_cli({"read", "-o", path("x.qzc"), "--unit", chosen}).status);
        EXPECT_EQ(read_bytes(file()), read_bytes(path("x.qzc")));
        fs::remove(path("x.qzc"));
    }
}

TEST_F(CliUnits, TransferFailuresGiveTheUtilitysMessagesAndWriteNoFile) {
    const struct {
        const char* name;
        std::function<void(SimUnits&)> set_up;
        std::vector<std::string> args;
        const char* message;
        int status = CTL_EXIT_FAILED;
    } cases[] = {
        {"write, no unit", [](SimUnits&) {}, {"write", "F"}, "The VELMARO (1) was not found"},
        {"verify, no unit", [](SimUnits&) {}, {"write", "F", "--verify"}, "The VELMARO (1) was not found",
         CTL_EXIT_NOT_COMPARED},
        {"write, unit 3 missing", [](SimUnits& s) { s.add_unit(1); }, {"write", "F", "--unit", "3"},
         "The VELMARO (3) was not found"},
        {"write, unplugged part-way", [](SimUnits& s) { s.add_unit(1); s.fail_after(1, 10); },
         {"write", "F"}, "Error while writing to the VELMARO (1)"},
        {"read, no unit", [](SimUnits&) {}, {"read", "-o", "O"}, "The VELMARO (1) was not found"},
        {"read, unplugged part-way",
         [](SimUnits& s) { s.add_unit(1, "12345678", with_mark(sim_basic_image(5, 4))); s.fail_after(1, 10); },
         {"read", "-o", "O"}, "Error while reading from the VELMARO (1)"},
        {"read, blank unit", [](SimUnits& s) { s.add_unit(1); }, {"read", "-o", "O"},
         "Invalid configuration"},
        {"verify, unplugged after the write",
         [this](SimUnits& s) {
             s.add_unit(1);
             run_cli({"write", file()});
             s.fail_after(1, writes_logged(s, 1) + 5);
         },
         {"write", "F", "--verify"}, "Error while reading from the VELMARO (1)", CTL_EXIT_NOT_COMPARED},
        {"diff, unit 2 missing", [](SimUnits& s) { s.add_unit(1); }, {"diff", "F", "unit:2"},
         "The VELMARO (2) was not found", CTL_EXIT_NOT_COMPARED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimUnits units;
        c.set_up(units);
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) arg = arg == "F" ? file() : arg == "O" ? path("out.qzc") : arg;
        const CliResult result = run_cli(args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(std::string(c.message) + "\n", result.err);
        EXPECT_FALSE(fs::exists(path("out.qzc")));
    }
}

TEST_F(CliUnits, WriteAllWritesEveryUnitInTurnWithALineEach) {
    const std::string ok = ": written\n";
    const struct {
        const char* name;
        std::vector<int> units;
        int lost_unit;  // unplugged part-way through its write, 0 for none
        bool verify;
        std::string out;
        std::string err;
        int status;
    } cases[] = {
        {"three units", {1, 2, 3}, 0, false,
         "Unit #1  SN- 11111111" + ok + "Unit #2  SN- 22222222" + ok + "Unit #3  SN- 33333333" + ok, "",
         CTL_EXIT_OK},
        {"one unit", {1}, 0, true, "Unit #1  SN- 11111111: written and verified\n", "", CTL_EXIT_OK},
        {"units 1 and 3: every unit number is looked at", {1, 3}, 0, false,
         "Unit #1  SN- 11111111" + ok + "Unit #3  SN- 33333333" + ok, "", CTL_EXIT_OK},
        {"unit 4 alone", {4}, 0, true, "Unit #4  SN- 44444444: written and verified\n", "", CTL_EXIT_OK},
        {"unit 2 lost", {1, 2, 3}, 2, false,
         "Unit #1  SN- 11111111" + ok + "Unit #2  SN- 22222222: Error while writing to the VELMARO (2)\n"
         "Unit #3  SN- 33333333" + ok,
         "1 of 3 units did not take the configuration\n", CTL_EXIT_FAILED},
        {"unit 1 lost, verify", {1, 2}, 1, true,
         "Unit #1  SN- 11111111: Error while writing to the VELMARO (1)\n"
         "Unit #2  SN- 22222222: written and verified\n",
         "1 of 2 units did not take the configuration\n", CTL_EXIT_NOT_COMPARED},
        {"no unit", {}, 0, false, "", "The VELMARO (1) was not found\n", CTL_EXIT_FAILED},
    };
    const Bytes written = with_mark(built_image());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimUnits units;
        for (int unit : c.units) units.add_unit(unit, std::string(8, char('0' + unit)));
        if (c.lost_unit) units.fail_after(c.lost_unit, 20);
        std::vector<std::string> args = {"write", file(), "--all"};
        if (c.verify) args.push_back("--verify");
        const CliResult result = run_cli(args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(c.err, result.err);
        for (int unit : c.units) {
            if (unit == c.lost_unit) continue;
            EXPECT_EQ(written, units.image(unit)) << unit;
        }
    }
    EXPECT_EQ(CTL_EXIT_USAGE, run_cli({"write", file(), "--all", "--unit", "1"}).status);
}

TEST_F(CliUnits, ABadFileTouchesNoUnit) {
    sim.add_unit(1);
    std::ofstream(path("short.qzc")) << "short";
    const CliResult result = run_cli({"write", path("short.qzc")});
    EXPECT_EQ(CTL_EXIT_FAILED, result.status);
    EXPECT_EQ("Invalid configuration file: " + path("short.qzc") + " (shorter than 512 bytes)\n", result.err);
    EXPECT_TRUE(sim.log(1).empty());
}

// ---- verify -------------------------------------------------------------------------------

struct Corruption {
    int address;
    std::uint8_t value;
};
SimUnits* corrupted_sim = nullptr;
Corruption corruption;

void corrupt_unit(int unit) {
    Bytes image = corrupted_sim->image(unit);
    image[corruption.address] = corruption.value;
    corrupted_sim->set_image(unit, image);
}

TEST_F(CliUnits, VerifyPassesWhenTheUnitHoldsWhatWasWritten) {
    sim.add_unit(1);
    const CliResult result = run_cli({"write", file(), "--verify"});
    EXPECT_EQ(CTL_EXIT_OK, result.status) << result.err;
    EXPECT_EQ("The configuration was successfully saved to the VELMARO\n"
              "Verified: the VELMARO (1) holds the configuration of " + file() + "\n",
              result.out);
}

TEST_F(CliUnits, VerifyIgnoresWhatTheWriteDoesNotSendAndSaysSoFirst) {
    const struct {
        const char* name;
        std::function<void()> change;  // on set_up_model's configuration
        std::string notes;
    } cases[] = {
        {"FN key present", [] {}, ""},
        {"FN table without FN key",
         [] {
             config_model.key_table[cell_index(0, 1)] = 0x06;
             config_model.key_table[cell_index(2, 3)] = 0x07;
             config_model.fn_key_table[cell_index(4, 0)] = 0x08;
         },
         "FN table not written: no cell holds the FN key\n"},
        {"macro only in the unsent FN table",
         [] {
             config_model.key_table[cell_index(0, 1)] = 0x06;
             config_model.key_table[cell_index(2, 3)] = 0x07;
             config_model.fn_key_table[cell_index(3, 3)] = KEY_FLAG_MACRO | 2;
         },
         "FN table not written: no cell holds the FN key\nMacro 1 not written: only the FN table "
         "refers to it\nMacro 2 not written: only the FN table refers to it\n"},
        // the transfer sends the FN table when a cell's low byte is 2, as macro 2's is
        {"macro 2 carries the FN table", [] { config_model.key_table[cell_index(0, 1)] = 0x06; }, ""},
    };
    sim.add_unit(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_up_model();
        c.change();
        save_model(path("c.qzc"));
        const CliResult result = run_cli({"write", path("c.qzc"), "--verify"});
        EXPECT_EQ(CTL_EXIT_OK, result.status);
        EXPECT_EQ(c.notes, result.err);
        EXPECT_NE(std::string::npos, result.out.find("Verified: the VELMARO (1)")) << result.out;
        // diff with the unit compares what the write moves, as the utility's Compare does
        for (const CliResult& diff : {run_cli({"diff", path("c.qzc"), "unit:1"}), run_cli({"diff", "unit:1", path("c.qzc")})})
            EXPECT_EQ(std::make_pair(CTL_EXIT_OK, std::string()), std::make_pair(diff.status, diff.out + diff.err));
    }
}

TEST_F(CliUnits, VerifyListsWhatTheUnitGotWrong) {
    // Entry e is column e / 5 + 1, row e % 5 + 1; the macro records start at 96 with macro 1's
    // make count.
    const struct {
        Corruption corruption;
        const char* line;
    } cases[] = {
        {{1, 0x05}, "Key at row 1, column 1: A -> B"},
        {{IMAGE_FN_TABLE + 2 * 1 + 1, 0x2A}, "FN key at row 2, column 1: Not Used -> Backspace"},
        {{IMAGE_OPTIONS, OPTION_FILTER_GHOST}, "Filter Ghost Keys: off -> on"},
        {{97, 0x06}, "Macro 1 make steps: A, delay 100ms, release A -> C, delay 100ms, release A"},
        {{99, 0x14}, "Macro 1 make steps: A, delay 100ms, release A -> A, delay 200ms, release A"},
        {{IMAGE_PIN_LIST, 9}, "Pin of column 1: 1 -> 9"},
    };
    sim.add_unit(1);
    corrupted_sim = &sim;
    before_verify_read = corrupt_unit;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        corruption = c.corruption;
        const CliResult result = run_cli({"write", file(), "--verify"});
        EXPECT_EQ(CTL_EXIT_FAILED, result.status);
        EXPECT_NE(std::string::npos, result.out.find(std::string(c.line) + "\n")) << result.out;
        EXPECT_EQ(0u, result.err.find("Verify failed: the VELMARO (1) differs from " + file() + " in "))
            << result.err;
    }
}

// ---- diff of files and units --------------------------------------------------------------

TEST_F(CliUnits, DiffComparesAFileWithAUnit) {
    sim.add_unit(1);
    sim.add_unit(2, "22222222");
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"write", file(), "--unit", "1"}).status);
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"write", file(), "--unit", "2"}).status);
    const CliResult same = run_cli({"diff", file(), "unit:1"});
    EXPECT_EQ(CTL_EXIT_OK, same.status) << same.err;
    EXPECT_EQ("", same.out);

    Bytes image = sim.image(2);
    image[3] = 0x2C;  // entry 1: row 2, column 1
    sim.set_image(2, image);
    const CliResult different = run_cli({"diff", "unit:1", "unit:2"});
    EXPECT_EQ(CTL_EXIT_FAILED, different.status);
    EXPECT_EQ("Key at row 2, column 1: Not Used -> Space\n", different.out);
    EXPECT_EQ("", different.err);
}

TEST_F(CliUnits, SheetOfAUnitNamesItsSerialNumber) {
    sim.add_unit(1, "00123456");
    ASSERT_EQ(CTL_EXIT_OK, run_cli({"write", file()}).status);
    const CliResult result = run_cli({"sheet", "unit:1", "-o", path("unit.svg")});
    ASSERT_EQ(CTL_EXIT_OK, result.status) << result.err;
    const Bytes svg = read_bytes(path("unit.svg"));
    const std::string text(svg.begin(), svg.end());
    EXPECT_NE(std::string::npos, text.find(">VELMARO (1)  SN- 123456  -  printed ")) << text.substr(0, 800);
    EXPECT_NE(std::string::npos, text.find(">Macro 2  make (0 ms): B<"));
    EXPECT_EQ(CTL_EXIT_FAILED, run_cli({"sheet", "unit:2", "-o", path("none.svg")}).status);
    EXPECT_FALSE(fs::exists(path("none.svg")));
}

// ---- progress line ----------------------------------------------------------------------

TEST(CliProgress, DrawsOnATerminalOnlyAndEndsItsLine) {
    for (bool terminal : {true, false}) {
        std::ostringstream err;
        ctl_err = &err;
        install_cli_transfer_ui(terminal);
        transfer_ui->set_progress_text("Writing configuration - 46%\nWriting data - 0%");
        transfer_ui->set_progress_text("Writing configuration - 100%\nWriting data - 5%");
        ctl_err = &std::cerr;
        set_transfer_ui(nullptr);
        const std::string expected =
            terminal ? "\r[#########-----------] Writing configuration - 46%, Writing data - 0%"
                       "\r[#-------------------] Writing configuration - 100%, Writing data - 5%"
                     : "";
        EXPECT_EQ(expected, err.str()) << terminal;
    }
}
}  // namespace
