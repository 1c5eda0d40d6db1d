// Configuration files: scrambling, Save and Open through the file dialogs, and the safe
// replacement of an existing file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "fake_ui.h"
#include "keys/key_codes.h"
#include "test_config_helpers.h"

namespace fs = std::filesystem;

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes scrambled(Image image) {
    scramble_config_bytes(image.data());
    return Bytes(image.begin(), image.end());
}

const char* const SAVE_CHANGES_TEXT =
    "The current configuration has changed.\nDo you want to save the changes?";

Bytes first_bytes(Bytes bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

// A model with a bit of everything, as it would be after some editing.
void make_sample_model() {
    set_matrix({3, 1, 2}, {9, 4, 8});
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.key_table[cell_index(2, 1)] = KEY_FLAG_MACRO | 2;
    config_model.fn_key_table[cell_index(1, 2)] = KEY_FLAG_REPEAT | 0x2A;
    set_macro(0, {0x04, 0x0A7F, 0x84}, {});
    set_macro(1, {0x05}, {0x85, 0x037F});
    config_model.key_table[cell_index(1, 1)] = KEY_FLAG_MACRO | 1;
    view->set_ghost_filter_checked(true);
    config_model.config_changed = 1;
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_to_default_configuration();
        std::string pattern = (fs::temp_directory_path() / "velmaro-files-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const std::string& name) const { return (fs::path(folder) / name).string(); }
    std::vector<std::string> folder_entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool save_to(const std::string& file) {
        script_file(file);
        return save_configuration_file();
    }
    void open_from(const std::string& file) {
        script_file(file);
        open_configuration_file();
    }

    std::string folder;
};
}  // namespace

// ---- scrambling ---------------------------------------------------------------------------

TEST(Scramble, EachByteIsXoredWithTheBaseAndItsPositionAndTwiceGivesItBack) {
    const struct { int at; std::uint8_t position_term; } cases[] = {
        {0, 0}, {1, 255}, {2, 254}, {255, 1}, {256, 0}, {257, 255}, {511, 1}};
    Image image{};
    scramble_config_bytes(image.data());
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<std::uint8_t>(SCRAMBLE_BASE ^ c.position_term), image[c.at]) << c.at;
    EXPECT_EQ(0xA7, SCRAMBLE_BASE);  // stored files depend on it
    scramble_config_bytes(image.data());
    EXPECT_EQ(Image{}, image);
}

// ---- Save ---------------------------------------------------------------------------------

TEST_F(ConfigFileTest, SavedFileIsTheScrambledImage) {
    make_sample_model();
    Image image;
    ASSERT_TRUE(build_config_image(image.data()));
    ASSERT_TRUE(save_to(path("a.qzc")));
    EXPECT_EQ(scrambled(image), read_bytes(path("a.qzc")));
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(path("a.qzc"), config_model.config_file_name);
    ASSERT_TRUE(save_to(path("b.qzc")));
    EXPECT_EQ(read_bytes(path("a.qzc")), read_bytes(path("b.qzc")));
    EXPECT_EQ((std::vector<std::string>{"a.qzc", "b.qzc"}), folder_entries());  // no temporary left
    EXPECT_TRUE(fake_messages.empty());
}

TEST_F(ConfigFileTest, SaveOffersTheDefaultNameAndForgetsANameOnCancel) {
    script_file_cancel();
    EXPECT_FALSE(save_configuration_file());
    EXPECT_TRUE(save_to(path("chosen.qzc")));
    EXPECT_TRUE(save_to(path("chosen.qzc")));
    script_file_cancel();
    EXPECT_FALSE(save_configuration_file());
    EXPECT_STREQ("", config_model.config_file_name);
    script_file_cancel();
    save_configuration_file();
    ASSERT_EQ(5u, fake_dialogs.size());
    const std::string offered[] = {"Config.QZC", "Config.QZC", path("chosen.qzc"), path("chosen.qzc"), "Config.QZC"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(fake_dialogs[i].for_save) << i;
        EXPECT_EQ(offered[i], fake_dialogs[i].offered) << i;
    }
}

TEST_F(ConfigFileTest, SaveWithCollidingPinsShowsNoDialog) {
    set_matrix({1, 2}, {2});
    std::strcpy(config_model.config_file_name, "kept.qzc");
    config_model.config_changed = 1;
    script_file(path("never.qzc"));
    EXPECT_FALSE(save_configuration_file());
    EXPECT_EQ((std::vector<std::string>{"Error: Pin 2 is used for multiple scan lines"}), fake_message_texts());
    EXPECT_TRUE(fake_dialogs.empty());
    EXPECT_STREQ("kept.qzc", config_model.config_file_name);
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(ConfigFileTest, SaveReplacesAnExistingFile) {
    write_bytes(path("old.qzc"), Bytes(700, 0x55));
    ASSERT_TRUE(save_to(path("old.qzc")));
    EXPECT_EQ(512u, read_bytes(path("old.qzc")).size());
    EXPECT_EQ((std::vector<std::string>{"old.qzc"}), folder_entries());
}

TEST_F(ConfigFileTest, FailedSaveKeepsTheOldFile) {
    const struct {
        const char* what;
        void (*block)(const std::string& target);
    } cases[] = {
        {"temporary name taken by a folder",
         [](const std::string& t) { fs::create_directory(t + ".velmaro-save.tmp"); }},
        {"target is a folder with content",
         [](const std::string& t) { fs::remove(t); fs::create_directories(fs::path(t) / "inside"); }},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        fs::remove_all(folder);
        fs::create_directory(folder);
        const std::string target = path("keep.qzc");
        write_bytes(target, Bytes(512, 0x11));
        c.block(target);
        const Bytes before = fs::is_regular_file(target) ? read_bytes(target) : Bytes{};
        config_model.config_changed = 1;
        EXPECT_FALSE(save_to(target)) << c.what;
        EXPECT_EQ((std::vector<std::string>{"Error saving the file"}), fake_message_texts()) << c.what;
        EXPECT_EQ(MESSAGE_ERROR, fake_messages.at(0).kind);
        if (fs::is_regular_file(target)) {
            EXPECT_EQ(before, read_bytes(target)) << c.what;
        }
        EXPECT_EQ(1, config_model.config_changed) << c.what;
        EXPECT_EQ(target, config_model.config_file_name) << c.what;
    }
}

TEST_F(ConfigFileTest, FailedWriteOrFlushKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string target = path("keep.qzc");
    const Bytes old(512, 0x22);
    write_bytes(target, old);
    // Files may not grow past 100 bytes: the 512-byte write fails at write or flush time.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    const bool saved_ok = save_to(target);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(saved_ok);
    EXPECT_EQ((std::vector<std::string>{"Error saving the file"}), fake_message_texts());
    EXPECT_EQ(old, read_bytes(target));
    EXPECT_EQ((std::vector<std::string>{"keep.qzc"}), folder_entries());
}

TEST_F(ConfigFileTest, WriteFileAtomicallyRefusesAnEmptyOrUnreachablePath) {
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_FALSE(write_file_atomically("", bytes, 4));
    EXPECT_FALSE(write_file_atomically(path("no/such/folder/x.qzc"), bytes, 4));
    EXPECT_TRUE(write_file_atomically(path("x.bin"), bytes, 4));
    EXPECT_EQ(Bytes(bytes, bytes + 4), read_bytes(path("x.bin")));
}

// ---- Open ---------------------------------------------------------------------------------

TEST_F(ConfigFileTest, SaveThenOpenRestoresTheModel) {
    make_sample_model();
    ASSERT_TRUE(save_to(path("s.qzc")));
    const EngineSnapshot saved = EngineSnapshot::take();
    reset_to_default_configuration();
    // Left by the configuration before, outside the file's matrix: Open clears them.
    config_model.key_table[cell_index(7, 7)] = KEY_FN;
    config_model.fn_key_table[cell_index(3, 3)] = KEY_FLAG_MACRO | 1;
    open_from(path("s.qzc"));
    EXPECT_TRUE(fake_messages.empty());
    EXPECT_EQ(1, fake_refresh_count);
    EXPECT_FALSE(fake_dialogs.at(0).for_save);
    std::memcpy(config_model.config_file_name, saved.model.config_file_name, CONFIG_FILE_NAME_SIZE);
    EXPECT_TRUE(saved.unchanged());
    ASSERT_TRUE(save_to(path("again.qzc")));
    EXPECT_EQ(read_bytes(path("s.qzc")), read_bytes(path("again.qzc")));
}

TEST_F(ConfigFileTest, OpenReadsOnlyTheFirst512Bytes) {
    make_sample_model();
    Image image;
    ASSERT_TRUE(build_config_image(image.data()));
    Bytes file = scrambled(image);
    file.resize(600, 0xFF);
    write_bytes(path("long.qzc"), file);
    reset_to_default_configuration();
    config_model.config_changed = 1;
    script_answer(ANSWER_NO);
    open_from(path("long.qzc"));
    EXPECT_EQ((std::vector<std::string>{SAVE_CHANGES_TEXT}), fake_message_texts());
    EXPECT_EQ(3, view->row_count());
    EXPECT_EQ(KEY_FLAG_MACRO | 2, config_model.key_table[cell_index(2, 1)]);
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(ConfigFileTest, RejectedFilesChangeNothing) {
    Image bad_rows = valid_image(5, 4);
    bad_rows[IMAGE_ROWS] = 0;
    Image bad_macros = valid_image(5, 4);
    bad_macros[IMAGE_KEY_TABLE] = 1;
    bad_macros[IMAGE_KEY_TABLE + 1] = 1;
    bad_macros[IMAGE_MACRO_AREA] = 17;
    const struct {
        const char* what;
        Bytes content;
        const char* message;
        FileReadResult read;
    } cases[] = {
        {"rows 0", scrambled(bad_rows), "Invalid configuration file", FileReadResult::OK},
        {"bad macro area", scrambled(bad_macros), "Invalid configuration file", FileReadResult::OK},
        {"empty file", Bytes{}, "Invalid configuration file", FileReadResult::TOO_SHORT},
        {"511 bytes", first_bytes(scrambled(valid_image(5, 4)), 511), "Invalid configuration file",
         FileReadResult::TOO_SHORT},
        {"missing file", Bytes{}, "Error opening the file", FileReadResult::CANNOT_OPEN},
        {"a folder", Bytes{}, "Error opening the file", FileReadResult::CANNOT_OPEN},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        make_sample_model();
        const std::string file = path("bad.qzc");
        fs::remove_all(file);
        if (c.message == std::string("Invalid configuration file")) write_bytes(file, c.content);
        if (c.what == std::string("a folder")) fs::create_directory(file);
        const EngineSnapshot before = EngineSnapshot::take();
        script_answer(ANSWER_NO);  // the sample has unsaved changes: discard them
        open_from(file);
        EXPECT_EQ((std::vector<std::string>{SAVE_CHANGES_TEXT, c.message}), fake_message_texts()) << c.what;
        EXPECT_EQ(MESSAGE_ERROR, fake_messages.at(1).kind) << c.what;
        EXPECT_EQ(file, config_model.config_file_name) << c.what;
        std::memcpy(config_model.config_file_name, before.model.config_file_name, CONFIG_FILE_NAME_SIZE);
        EXPECT_TRUE(before.unchanged()) << c.what;
        EXPECT_EQ(0, fake_refresh_count) << c.what;
        Image image;
        image.fill(0x99);
        EXPECT_EQ(c.read, read_config_file(file, image.data())) << c.what;
        if (c.read != FileReadResult::OK) {
            EXPECT_EQ(Image{}, image) << c.what;  // a defined value, never stale bytes
        }
    }
}

// A file named on the command line or dropped on the window: no question, no dialog; Open's
// messages, and what it leaves as it was.
TEST_F(ConfigFileTest, OpeningAPathLoadsItOrKeepsModelAndNameWithOpensMessage) {
    write_bytes(path("good.qzc"), scrambled(valid_image(3, 2)));
    Image bad_rows = valid_image(5, 4);
    bad_rows[IMAGE_ROWS] = 0;
    write_bytes(path("rows0.qzc"), scrambled(bad_rows));
    write_bytes(path("short.qzc"), first_bytes(scrambled(valid_image(5, 4)), 511));
    const struct {
        const char* file;
        const char* message;  // none when it opens
    } cases[] = {
        {"good.qzc", nullptr},
        {"rows0.qzc", "Invalid configuration file"},
        {"short.qzc", "Invalid configuration file"},
        {"missing.qzc", "Error opening the file"},
        {"", "Error opening the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        reset_to_default_configuration();
        std::strcpy(config_model.config_file_name, "current.qzc");
        const EngineSnapshot before = EngineSnapshot::take();
        const std::string file = path(c.file);
        EXPECT_EQ(c.message == nullptr, open_configuration_path(file.c_str()));
        EXPECT_TRUE(fake_dialogs.empty());
        if (c.message) {
            EXPECT_EQ((std::vector<std::string>{c.message}), fake_message_texts());
            EXPECT_TRUE(before.unchanged());
            EXPECT_EQ(0, fake_refresh_count);
        } else {
            EXPECT_TRUE(fake_message_texts().empty());
            EXPECT_EQ(file, config_model.config_file_name);
            EXPECT_EQ(3, view->row_count());
            EXPECT_EQ(1, fake_refresh_count);
        }
    }
}

TEST_F(ConfigFileTest, OpenQuestionAndDialogOutcomes) {
    const struct {
        const char* what;
        MessageAnswer answer;
        bool save_dialog_cancelled;
        int dialogs;
    } cases[] = {
        {"cancel the question", ANSWER_CANCEL, false, 0},
        {"yes, then cancel the save dialog", ANSWER_YES, true, 1},
        {"no, then cancel the open dialog", ANSWER_NO, false, 1},
    };
    for (const auto& c : cases) {
        reset_to_default_configuration();
        make_sample_model();
        std::strcpy(config_model.config_file_name, "current.qzc");
        script_answer(c.answer);
        script_file_cancel();
        const EngineSnapshot before = EngineSnapshot::take();
        open_configuration_file();
        EXPECT_EQ(c.dialogs, static_cast<int>(fake_dialogs.size())) << c.what;
        if (c.save_dialog_cancelled) {
            EXPECT_TRUE(fake_dialogs.at(0).for_save) << c.what;
            EXPECT_STREQ("", config_model.config_file_name) << c.what;  // as any cancelled Save
            std::strcpy(config_model.config_file_name, "current.qzc");
        }
        EXPECT_TRUE(before.unchanged()) << c.what;
        EXPECT_EQ(0, fake_refresh_count) << c.what;
    }
}
