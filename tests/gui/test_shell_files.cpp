// Save and Open through the real common file dialogs, and the file tools of the Tools menu
// (Import JSON, Export JSON, the wiring sheet) against velmaroctl's output for the same
// configuration; the files are checked byte for byte.
#include "harness.h"
#include "harness_images.h"

#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include <functional>

#include "config/config_model.h"

namespace {

const int FILE_NAME_FIELD = 0x47C;      // cmb13
const int READ_ONLY_CHECK = 0x410;      // chx1, hidden by OFN_HIDEREADONLY
const char* const SAVE_QUESTION = "The current configuration has changed.\nDo you want to save the changes?";

const int FILE_TYPE_FIELD = 0x470;      // cmb1

std::string file_text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_file_bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs velmaroctl.exe (beside the tests) with its output and error streams in files; returns
// its exit code, -1 when it did not end in time.
int run_velmaroctl(const std::string& arguments, const std::string& out, const std::string& err) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out_file = CreateFileA(out.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err_file = CreateFileA(err.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out_file;
    start.hStdError = err_file;
    PROCESS_INFORMATION process = {};
    std::string command = "velmaroctl.exe " + arguments;
    DWORD code = static_cast<DWORD>(-1);
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out_file);
    CloseHandle(err_file);
    return static_cast<int>(code);
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// What Explorer sends when files are dropped on the window: WM_DROPFILES with a DROPFILES
// block of NUL-terminated names (the receiver frees it with DragFinish).
void drop_files(const std::vector<std::string>& paths) {
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    ASSERT_NE(nullptr, memory);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* names = reinterpret_cast<char*>(header + 1);
    for (const std::string& path : paths) {
        std::memcpy(names, path.c_str(), path.size() + 1);
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    SendMessageA(main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    pump_idle();
}

int selected(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }
LRESULT check_state(HWND check) { return SendMessageA(check, BM_GETCHECK, 0, 0); }

}  // namespace

class ShellFiles : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        attach_unit(1);
        start_app();
    }

    void expect_diagonal_model() {
        EXPECT_EQ(2, selected(rows_combo));
        EXPECT_EQ(2, selected(columns_combo));
        EXPECT_EQ(BST_CHECKED, check_state(single_key_check));
        EXPECT_EQ(BST_CHECKED, check_state(ghost_filter_check));
        EXPECT_EQ(0x04, config_model.key_table[cell_index(0, 0)]);
        EXPECT_EQ(0x05, config_model.key_table[cell_index(1, 1)]);
        EXPECT_EQ(0x06, config_model.key_table[cell_index(2, 2)]);
        EXPECT_EQ(0, config_model.key_table[cell_index(0, 1)]);
        const int column_pins[] = {0, 1, 2}, row_pins[] = {3, 4, 5};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(column_pins[i], config_model.column_pins[i]);
            EXPECT_EQ(row_pins[i], config_model.row_pins[i]);
        }
    }
};

TEST_F(ShellFiles, SaveOffersConfigQzcAndWritesTheScrambledImage) {
    std::string path = temp_path("first.qzc");
    on_dialog(file_name(path));
    config_model.config_changed = 1;
    send_command(CMD_SAVE);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Save File", dialogs()[0].title);
    EXPECT_EQ("Config.QZC", dialogs()[0].text(FILE_NAME_FIELD));
    EXPECT_FALSE(dialogs()[0].has(READ_ONLY_CHECK));
    EXPECT_EQ(main_window, dialogs()[0].owner);
    EXPECT_EQ(scrambled(default_image()), read_file_bytes(path));
    EXPECT_EQ(path, config_model.config_file_name);
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ShellFiles, SavingTheSameModelTwiceGivesTheSameBytes) {
    SendMessageA(single_key_check, BM_SETCHECK, BST_CHECKED, 0);
    config_model.key_table[cell_index(4, 3)] = 0x2C;
    on_dialog(file_name(temp_path("one.qzc")));
    on_dialog(file_name(temp_path("two.qzc")));
    send_command(CMD_SAVE);
    send_command(CMD_SAVE);
    ASSERT_EQ(2u, dialogs().size());
    EXPECT_EQ("one.qzc", dialogs()[1].text(FILE_NAME_FIELD)) << "the last name is offered again";
    std::vector<std::uint8_t> expected = default_image();
    expected[507] = 0x01;
    expected[2 * (3 * 5 + 4) + 1] = 0x2C;   // column 4 (pin 4, b = 3), row 5 (pin 9, n = 4)
    EXPECT_EQ(scrambled(expected), read_file_bytes(temp_path("one.qzc")));
    EXPECT_EQ(read_file_bytes(temp_path("one.qzc")), read_file_bytes(temp_path("two.qzc")));
}

TEST_F(ShellFiles, CancelledSaveForgetsTheNameAndKeepsTheChangeMark) {
    on_dialog(file_name(temp_path("kept.qzc")));
    send_command(CMD_SAVE);
    config_model.config_changed = 1;
    on_dialog(click(IDCANCEL));
    on_dialog(click(IDCANCEL));
    send_command(CMD_SAVE);
    EXPECT_STREQ("", config_model.config_file_name);
    send_command(CMD_SAVE);
    ASSERT_EQ(3u, dialogs().size());
    EXPECT_EQ("kept.qzc", dialogs()[1].text(FILE_NAME_FIELD));
    EXPECT_EQ("Config.QZC", dialogs()[2].text(FILE_NAME_FIELD));
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(ShellFiles, SavingOverAFileAsksFirst) {
    std::string path = temp_path("existing.qzc");
    ASSERT_TRUE(write_file_bytes(path, {1, 2, 3}));
    on_dialog(file_name(path));
    answer_boxes({IDYES});
    send_command(CMD_SAVE);
    EXPECT_EQ(1u, boxes().size()) << "the dialog's own question before overwriting";
    EXPECT_EQ(scrambled(default_image()), read_file_bytes(path));
}

// Names in the ANSI code page beyond Latin-1 (en dash, euro sign, curly quotes) save and open
// like any other: the file dialog, the write and the final rename all take the same names.
TEST_F(ShellFiles, NamesOutsideAsciiSaveAndOpen) {
    const wchar_t* const names[] = {L"Config \u2013 copy.QZC", L"\u20acuro.QZC", L"\u201cquoted\u201d.QZC",
                                    L"caf\u00e9.QZC"};
    int tried = 0;
    for (const wchar_t* name : names) {
        char narrow[MAX_PATH];
        BOOL lossy = FALSE;
        if (!WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, &lossy) || lossy) continue;
        SCOPED_TRACE(narrow);
        ++tried;
        const std::string path = temp_path(narrow);
        std::wstring wide_path(temp_dir().begin(), temp_dir().end());
        wide_path += L"\\";
        wide_path += name;
        config_model.key_table[cell_index(0, 0)] = 0x04;
        config_model.config_changed = 1;
        on_dialog(file_name(path));
        send_command(CMD_SAVE);
        EXPECT_TRUE(boxes().empty()) << (boxes().empty() ? "" : boxes()[0].text);
        EXPECT_EQ(0, config_model.config_changed);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(wide_path.c_str())) << "saved under its own name";
        config_model.key_table[cell_index(0, 0)] = 0;
        on_dialog(file_name(path));
        send_command(CMD_OPEN);
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(0x04, config_model.key_table[cell_index(0, 0)]) << "opened again";
        clear_records();
    }
    EXPECT_GE(tried, 2) << "the code page holds few of the names";
}

TEST_F(ShellFiles, OpenLoadsTheFileAndSavingItAgainGivesTheSameBytes) {
    std::string source = temp_path("diagonal.qzc");
    ASSERT_TRUE(write_file_bytes(source, scrambled(diagonal_image())));
    on_dialog(file_name(source));
    send_command(CMD_OPEN);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Open File", dialogs()[0].title);
    EXPECT_FALSE(dialogs()[0].has(READ_ONLY_CHECK));
    EXPECT_TRUE(boxes().empty());
    expect_diagonal_model();
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(source, config_model.config_file_name);

    on_dialog(file_name(temp_path("copy.qzc")));
    send_command(CMD_SAVE);
    EXPECT_EQ(scrambled(diagonal_image()), read_file_bytes(temp_path("copy.qzc")));
}

TEST_F(ShellFiles, OpenIgnoresBytesAfterTheFirst512) {
    std::vector<std::uint8_t> bytes = scrambled(diagonal_image());
    bytes.resize(600, 0x5A);
    ASSERT_TRUE(write_file_bytes(temp_path("long.qzc"), bytes));
    on_dialog(file_name(temp_path("long.qzc")));
    send_command(CMD_OPEN);
    EXPECT_TRUE(boxes().empty());
    expect_diagonal_model();
}

TEST_F(ShellFiles, OpenRejectsAnInvalidImage) {
    std::vector<std::uint8_t> image = diagonal_image();
    image[508] = 0;
    ASSERT_TRUE(write_file_bytes(temp_path("bad.qzc"), scrambled(image)));
    config_model.config_changed = 1;
    answer_boxes({IDNO});
    on_dialog(file_name(temp_path("bad.qzc")));
    send_command(CMD_OPEN);
    ASSERT_EQ(2u, boxes().size());
    EXPECT_EQ("Invalid configuration file", boxes()[1].text);
    EXPECT_EQ(MB_ICONERROR, boxes()[1].icon);
    EXPECT_EQ(4, selected(rows_combo));
    EXPECT_EQ(1, config_model.config_changed);
}

TEST_F(ShellFiles, CancelledOpenChangesNothing) {
    on_dialog(file_name(temp_path("named.qzc")));
    send_command(CMD_SAVE);
    on_dialog(click(IDCANCEL));
    send_command(CMD_OPEN);
    EXPECT_EQ(temp_path("named.qzc"), config_model.config_file_name);
    EXPECT_EQ(2u, dialogs().size());
    EXPECT_EQ(4, selected(rows_combo));
}

struct OpenAnswerCase {
    const char* what;
    int answer;
    int save_dialog;     // 0, IDOK or IDCANCEL
    bool opens;
    bool dropped;        // the file is dropped on the window instead of chosen by Open
};

void PrintTo(const OpenAnswerCase& c, std::ostream* out) { *out << c.what; }

class ShellOpenAnswers : public ShellFiles, public testing::WithParamInterface<OpenAnswerCase> {};

TEST_P(ShellOpenAnswers, OpenAsksFirst) {
    const OpenAnswerCase& c = GetParam();
    ASSERT_TRUE(write_file_bytes(temp_path("diagonal.qzc"), scrambled(diagonal_image())));
    config_model.key_table[cell_index(1, 0)] = 0x07;
    config_model.config_changed = 1;
    answer_boxes({c.answer});
    if (c.save_dialog == IDOK) on_dialog(file_name(temp_path("saved.qzc")));
    if (c.save_dialog == IDCANCEL) on_dialog(click(IDCANCEL));
    if (c.opens && !c.dropped) on_dialog(file_name(temp_path("diagonal.qzc")));
    if (c.dropped)
        drop_files({temp_path("diagonal.qzc")});
    else
        send_command(CMD_OPEN);
    ASSERT_GE(boxes().size(), 1u);
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text);
    EXPECT_EQ(c.opens ? 0 : 1, config_model.config_changed);
    EXPECT_EQ(c.opens ? 2 : 4, selected(rows_combo));
    EXPECT_EQ(c.save_dialog == IDOK, file_exists(temp_path("saved.qzc")));
    if (c.opens) expect_diagonal_model();
}

INSTANTIATE_TEST_SUITE_P(Answers, ShellOpenAnswers,
                         testing::Values(OpenAnswerCase{"Cancel", IDCANCEL, 0, false, false},
                                         OpenAnswerCase{"No", IDNO, 0, true, false},
                                         OpenAnswerCase{"YesSaved", IDYES, IDOK, true, false},
                                         OpenAnswerCase{"YesCancelled", IDYES, IDCANCEL, false, false},
                                         OpenAnswerCase{"DroppedCancel", IDCANCEL, 0, false, true},
                                         OpenAnswerCase{"DroppedNo", IDNO, 0, true, true},
                                         OpenAnswerCase{"DroppedYesSaved", IDYES, IDOK, true, true},
                                         OpenAnswerCase{"DroppedYesCancelled", IDYES, IDCANCEL, false, true}),
                         [](const testing::TestParamInfo<OpenAnswerCase>& info) {
                             return std::string(info.param.what);
                         });

TEST_F(ShellFiles, ADroppedFileOpensWithoutADialogAndTheFirstOfSeveralIsTaken) {
    EXPECT_NE(0, GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const std::vector<std::uint8_t> bytes = scrambled(diagonal_image());
    ASSERT_TRUE(write_file_bytes(temp_path("diagonal.qzc"), bytes));
    ASSERT_TRUE(write_file_bytes(temp_path("default.qzc"), scrambled(default_image())));
    drop_files({temp_path("diagonal.qzc"), temp_path("default.qzc")});
    EXPECT_TRUE(boxes().empty()) << "no question while nothing has changed";
    EXPECT_TRUE(dialogs().empty());
    expect_diagonal_model();
    EXPECT_EQ(temp_path("diagonal.qzc"), config_model.config_file_name);
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(bytes, read_file_bytes(temp_path("diagonal.qzc")));
}

TEST_F(ShellFiles, ADroppedFileThatDoesNotParseGetsOpensMessage) {
    on_dialog(file_name(temp_path("named.qzc")));
    send_command(CMD_SAVE);
    std::vector<std::uint8_t> image = diagonal_image();
    image[508] = 0;
    const std::vector<std::uint8_t> bytes = scrambled(image);
    ASSERT_TRUE(write_file_bytes(temp_path("bad.qzc"), bytes));
    for (const char* name : {"bad.qzc", "missing.qzc"}) {
        SCOPED_TRACE(name);
        clear_records();
        drop_files({temp_path(name)});
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ(std::string(name) == "bad.qzc" ? "Invalid configuration file" : "Error opening the file",
                  boxes()[0].text);
        EXPECT_EQ(MB_ICONERROR, boxes()[0].icon);
        EXPECT_EQ(4, selected(rows_combo));
        EXPECT_EQ(temp_path("named.qzc"), config_model.config_file_name) << "the name is kept";
    }
    EXPECT_EQ(bytes, read_file_bytes(temp_path("bad.qzc")));
    EXPECT_FALSE(file_exists(temp_path("missing.qzc")));
}

TEST_F(ShellFiles, SaveRefusesCollidingPinsWithoutADialog) {
    config_model.column_pins[1] = 0;   // columns 1 and 2 both on pin 1
    send_command(CMD_SAVE);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ("Error: Pin 1 is used for multiple scan lines", boxes()[0].text);
    EXPECT_TRUE(dialogs().empty());
}

// ---- Tools: Import JSON, Export JSON, Wiring Sheet --------------------------------------------

class ShellTools : public ShellFiles {
protected:
    // velmaroctl's standard output (or, when `errors`, its error stream) for the arguments.
    std::string velmaroctl(const std::string& arguments, bool errors = false) {
        const std::string out = temp_path("ctl.out"), err = temp_path("ctl.err");
        EXPECT_GE(run_velmaroctl(arguments, out, err), 0) << arguments;
        return file_text(errors ? err : out);
    }

    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Classes\\.svg");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Classes\\VelmaroTest.svg");
        ShellFiles::TearDown();
    }

    // The program Windows opens SVG files with, for this user: `command` ("%1" the file).
    void register_svg_handler(const std::string& command) {
        const std::string progid = "VelmaroTest.svg";
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CLASSES_ROOT, ".svg", nullptr, REG_SZ,
                                                 progid.c_str(), static_cast<DWORD>(progid.size() + 1)));
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CLASSES_ROOT, "VelmaroTest.svg\\shell\\open\\command",
                                                 nullptr, REG_SZ, command.c_str(), static_cast<DWORD>(command.size() + 1)));
    }
};

TEST_F(ShellTools, ImportJsonLoadsWhatImportWouldSaveAsChanged) {
    ASSERT_TRUE(write_file_bytes(temp_path("diagonal.qzc"), scrambled(diagonal_image())));
    const std::string document = velmaroctl("export " + quoted(temp_path("diagonal.qzc")));
    ASSERT_TRUE(write_file_bytes(temp_path("keys.json"), std::vector<std::uint8_t>(document.begin(), document.end())));
    velmaroctl("import " + quoted(temp_path("keys.json")) + " -o " + quoted(temp_path("imported.qzc")));
    on_dialog(file_name(temp_path("A.qzc")));
    send_command(CMD_SAVE);
    clear_records();
    config_model.config_changed = 1;
    answer_boxes({IDNO});
    on_dialog(file_name(temp_path("keys.json")));
    send_command(CMD_IMPORT_JSON);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(SAVE_QUESTION, boxes()[0].text) << "the question comes first";
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Import JSON", dialogs()[0].title);
    EXPECT_EQ("JSON configuration (*.json)", dialogs()[0].text(FILE_TYPE_FIELD));
    expect_diagonal_model();
    EXPECT_EQ(1, config_model.config_changed);
    // Undo takes the import back with the file name it set; Redo sets both again.
    press_keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(4, selected(rows_combo));
    EXPECT_EQ(temp_path("A.qzc"), config_model.config_file_name);
    EXPECT_EQ(0, config_model.config_changed);
    press_keys({VK_CONTROL, 'Y'});  // Save below proposes the document's name and writes its file

    on_dialog(file_name(temp_path("saved.qzc")));
    send_command(CMD_SAVE);
    ASSERT_EQ(2u, dialogs().size());
    EXPECT_EQ("keys.QZC", dialogs()[1].text(FILE_NAME_FIELD));
    EXPECT_EQ(read_file_bytes(temp_path("imported.qzc")), read_file_bytes(temp_path("saved.qzc")));
    EXPECT_EQ(scrambled(diagonal_image()), read_file_bytes(temp_path("saved.qzc")));
    // Saved under another name, Undo and Redo come back to the name it was saved under.
    press_keys({VK_CONTROL, 'Z'});
    press_keys({VK_CONTROL, 'Y'});
    EXPECT_EQ(temp_path("saved.qzc"), config_model.config_file_name);
    EXPECT_EQ(0, config_model.config_changed);
}

TEST_F(ShellTools, ImportOfABadDocumentShowsImportsMessageAndChangesNothing) {
    const std::string bad = "{\n  \"format\": \"velmaro-config\",\n  \"version\": 1,\n  \"rows\": 12\n}\n";
    ASSERT_TRUE(write_file_bytes(temp_path("bad.json"), std::vector<std::uint8_t>(bad.begin(), bad.end())));
    std::string message = velmaroctl("import " + quoted(temp_path("bad.json")) + " -o " + quoted(temp_path("x.qzc")), true);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    ASSERT_NE(std::string::npos, message.find("bad.json")) << message;
    on_dialog(file_name(temp_path("kept.qzc")));
    send_command(CMD_SAVE);
    config_model.key_table[cell_index(1, 1)] = 0x05;
    on_dialog(file_name(temp_path("bad.json")));
    send_command(CMD_IMPORT_JSON);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(message, boxes()[0].text);
    EXPECT_EQ(MB_ICONERROR, boxes()[0].icon);
    EXPECT_EQ(4, selected(rows_combo));
    EXPECT_EQ(0x05, config_model.key_table[cell_index(1, 1)]);
    EXPECT_EQ(0, config_model.config_changed);
    EXPECT_EQ(temp_path("kept.qzc"), config_model.config_file_name);
}

// The export of a backup whose lines share a pin loads as velmaroctl import saves it, with the
// same one line; Save still refuses it, and Export JSON gives the document back.
TEST_F(ShellTools, ImportOfASharedPinLoadsWithOneLineAndSaveRefusesIt) {
    std::vector<std::uint8_t> clash = diagonal_image();
    clash[496 + 1] = 1;  // column 2 on pin 1, with column 1: entries 3 to 5 are column 3's
    clash[17] = 0;       // entry 8 belongs to no cell
    ASSERT_TRUE(write_file_bytes(temp_path("backup.qzc"), scrambled(clash)));
    const std::string document = velmaroctl("export " + quoted(temp_path("backup.qzc")));
    ASSERT_TRUE(write_file_bytes(temp_path("backup.json"), std::vector<std::uint8_t>(document.begin(), document.end())));
    std::string line = velmaroctl("import " + quoted(temp_path("backup.json")) + " -o " + quoted(temp_path("i.qzc")), true);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    EXPECT_EQ(scrambled(clash), read_file_bytes(temp_path("i.qzc")));
    on_dialog(file_name(temp_path("backup.json")));
    send_command(CMD_IMPORT_JSON);
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(line, boxes()[0].text);
    send_command(CMD_SAVE);
    ASSERT_EQ(2u, boxes().size());
    EXPECT_EQ("Error: Pin 1 is used for multiple scan lines", boxes()[1].text);
    EXPECT_EQ(1u, dialogs().size()) << "no save dialog";
    on_dialog(file_name(temp_path("again.json")));
    send_command(CMD_EXPORT_JSON);
    EXPECT_EQ(document, file_text(temp_path("again.json"))) << "exported as velmaroctl exports the backup";
}

TEST_F(ShellTools, ExportJsonWritesWhatExportWritesForTheFileSaveWouldWrite) {
    on_dialog(file_name(temp_path("panel.qzc")));
    send_command(CMD_SAVE);
    config_model.key_table[cell_index(0, 0)] = 0x04;   // an edit not saved yet
    SendMessageA(ghost_filter_check, BM_SETCHECK, BST_CHECKED, 0);
    config_model.config_changed = 1;
    on_dialog(file_name(temp_path("panel.json")));
    send_command(CMD_EXPORT_JSON);
    ASSERT_EQ(2u, dialogs().size());
    EXPECT_EQ("Export JSON", dialogs()[1].title);
    EXPECT_EQ("panel.json", dialogs()[1].text(FILE_NAME_FIELD));
    EXPECT_EQ("JSON configuration (*.json)", dialogs()[1].text(FILE_TYPE_FIELD));
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(1, config_model.config_changed) << "the unsaved state stays";
    EXPECT_EQ(temp_path("panel.qzc"), config_model.config_file_name);

    on_dialog(file_name(temp_path("now.qzc")));
    send_command(CMD_SAVE);
    const std::string exported = velmaroctl("export " + quoted(temp_path("now.qzc")));
    EXPECT_NE(std::string::npos, exported.find("\"A\""));
    EXPECT_EQ(exported, file_text(temp_path("panel.json")));
}

struct SheetCase {
    const char* what;
    bool saved;              // the configuration was saved (as sheet.qzc) before
    bool handler_runs;       // the program registered for SVG files exists
    const char* proposed;
};

void PrintTo(const SheetCase& c, std::ostream* out) { *out << c.what; }

class ShellSheet : public ShellTools, public testing::WithParamInterface<SheetCase> {};

TEST_P(ShellSheet, WiringSheetIsSavedAndOpened) {
    const SheetCase& c = GetParam();
    const std::string opened = temp_path("opened.svg");
    register_svg_handler(c.handler_runs ? "C:\\windows\\system32\\cmd.exe /c copy \"%1\" " + quoted(opened)
                                        : "C:\\velmaro-nowhere\\viewer.exe \"%1\"");
    if (c.saved) {
        on_dialog(file_name(temp_path("sheet.qzc")));
        send_command(CMD_SAVE);
        clear_records();
    }
    config_model.key_table[cell_index(0, 0)] = 0x04;
    config_model.config_changed = 1;
    const std::string path = temp_path("wiring.svg");
    on_dialog(file_name(path));
    if (!c.handler_runs) answer_boxes({IDOK});
    send_command(CMD_WIRING_SHEET);
    ASSERT_EQ(1u, dialogs().size());
    EXPECT_EQ("Save Wiring Sheet", dialogs()[0].title);
    EXPECT_EQ(c.proposed, dialogs()[0].text(FILE_NAME_FIELD));
    EXPECT_EQ(1, config_model.config_changed);
    const std::string sheet = file_text(path);
    if (c.handler_runs) {
        EXPECT_TRUE(boxes().empty()) << (boxes().empty() ? "" : boxes()[0].text);
        EXPECT_TRUE(pump_until([&] { return file_text(opened) == sheet; }, 20000)) << "given to the SVG program";
    } else {
        ASSERT_EQ(1u, boxes().size());
        EXPECT_EQ("The wiring sheet was saved to " + path, boxes()[0].text);
    }
    if (!c.saved) {
        EXPECT_NE(std::string::npos, sheet.find("Configuration not saved yet"));
        return;
    }
    on_dialog(file_name(temp_path("sheet.qzc")));
    answer_boxes({IDYES});   // the dialog's own question before overwriting
    send_command(CMD_SAVE);
    velmaroctl("sheet " + quoted(temp_path("sheet.qzc")) + " -o " + quoted(temp_path("ctl.svg")));
    EXPECT_NE(std::string::npos, sheet.find("Configuration file " + temp_path("sheet.qzc")));
    EXPECT_EQ(file_text(temp_path("ctl.svg")), sheet);
}

INSTANTIATE_TEST_SUITE_P(Sheet, ShellSheet,
                         testing::Values(SheetCase{"Saved", true, true, "sheet.svg"},
                                         SheetCase{"NotSavedNoProgram", false, false, "Config.svg"}),
                         [](const testing::TestParamInfo<SheetCase>& info) { return std::string(info.param.what); });
