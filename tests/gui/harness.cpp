// The GUI test harness: hooks that record and answer message boxes, a thread timer that runs
// the dialog script inside every modal loop, the watchdog, and the message pump of the tests.
#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>

#include "config/config_model.h"

namespace {

const int TICK_MS = 10;
const int MESSAGE_BOX_TEXT_ID = 0xFFFF;
const int FILE_NAME_COMBO_ID = 0x47C;   // cmb13 of the common file dialogs
const int PROGRESS_TEXT_ID = 1601;

struct ActiveStep {
    std::vector<DialogAction> actions;
    size_t next = 0;
    bool running = false;
};

struct Harness {
    bool active = false;
    HarnessOptions options;
    HHOOK cbt_hook = nullptr;
    HHOOK keyboard_hook = nullptr;
    HHOOK call_hook = nullptr;
    UINT_PTR timer = 0;
    ULONGLONG deadline = 0;
    bool watchdog = false;
    HANDLE hard_watchdog = nullptr;
    HANDLE hard_watchdog_stop = nullptr;

    std::deque<int> answers;
    std::deque<std::vector<DialogAction>> steps;
    std::map<HWND, ActiveStep> active_steps;
    std::set<HWND> done_dialogs;
    std::set<HWND> answered_boxes;
    std::function<bool()> tick_action;
    bool in_tick_action = false;

    std::vector<MessageBoxRecord> boxes;
    std::vector<DialogRecord> dialogs;
    std::vector<std::string> progress_texts;
    std::vector<WindowRecord> windows;
    bool main_shown = false;
    std::map<int, int> key_releases;

    bool quit = false;
    int quit_code = 0;
};

Harness harness;

// ---- Message boxes ------------------------------------------------------------------------

bool is_dialog_class(HWND window) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

bool is_message_box(HWND window) {
    return is_dialog_class(window) && GetDlgItem(window, MESSAGE_BOX_TEXT_ID) != nullptr;
}

bool has_visible_child(HWND window, int id) {
    HWND child = GetDlgItem(window, id);
    return child && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE);
}

struct IconSearch {
    HICON icon = nullptr;
};

BOOL CALLBACK find_icon_child(HWND child, LPARAM data) {
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_ICON || !(style & WS_VISIBLE)) return TRUE;
    HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (!icon) return TRUE;
    reinterpret_cast<IconSearch*>(data)->icon = icon;
    return FALSE;
}

int message_box_icon(HWND box) {
    IconSearch search;
    EnumChildWindows(box, find_icon_child, reinterpret_cast<LPARAM>(&search));
    if (!search.icon) return 0;
    const struct { LPCSTR resource; int icon; } icons[] = {
        {IDI_HAND, MB_ICONERROR}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONWARNING}, {IDI_ASTERISK, MB_ICONINFORMATION}};
    for (const auto& candidate : icons)
        if (LoadIconA(nullptr, candidate.resource) == search.icon) return candidate.icon;
    return -1;  // an icon of its own
}

std::string message_box_buttons(HWND box) {
    const struct { int id; const char* name; } buttons[] = {
        {IDOK, "OK"}, {IDYES, "Yes"}, {IDNO, "No"}, {IDABORT, "Abort"},
        {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}, {IDCANCEL, "Cancel"}};
    std::string names;
    for (const auto& button : buttons) {
        if (!has_visible_child(box, button.id)) continue;
        if (!names.empty()) names += ' ';
        names += button.name;
    }
    return names;
}

int next_answer(HWND box) {
    if (!harness.answers.empty()) {
        int answer = harness.answers.front();
        harness.answers.pop_front();
        return answer;
    }
    if (has_visible_child(box, IDOK)) return IDOK;
    if (has_visible_child(box, IDCANCEL)) return IDCANCEL;
    return IDNO;
}

void answer_message_box(HWND box) {
    if (harness.answered_boxes.count(box)) return;
    harness.answered_boxes.insert(box);
    MessageBoxRecord record;
    record.title = window_text(box);
    record.text = item_text(box, MESSAGE_BOX_TEXT_ID);
    record.icon = message_box_icon(box);
    record.buttons = message_box_buttons(box);
    record.owner = GetWindow(box, GW_OWNER);
    record.owner_visible = record.owner && IsWindowVisible(record.owner);
    record.answer = next_answer(box);
    harness.boxes.push_back(record);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(record.answer, BN_CLICKED), 0);
}

std::string class_name_of(LPCSTR name) {
    if (!name) return "";
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<UINT_PTR>(name));
    std::string text = name;
    size_t versioned = text.find('!');   // "6.0.2600.2982!Button" under common controls 6
    return versioned == std::string::npos ? text : text.substr(versioned + 1);
}

void record_window_creation(HWND window, const CBT_CREATEWNDA* creation) {
    const CREATESTRUCTA* create = creation->lpcs;
    WindowRecord record;
    record.window = window;
    record.parent = create->hwndParent;
    record.class_name = class_name_of(create->lpszClass);
    if (create->lpszName && !IS_INTRESOURCE(create->lpszName)) record.title = create->lpszName;
    record.style = create->style;
    record.x = create->x;
    record.y = create->y;
    record.width = create->cx;
    record.height = create->cy;
    harness.windows.push_back(record);
}

LRESULT CALLBACK cbt_hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wparam);
        if (is_message_box(window)) answer_message_box(window);
    } else if (code == HCBT_CREATEWND) {
        record_window_creation(reinterpret_cast<HWND>(wparam), reinterpret_cast<CBT_CREATEWNDA*>(lparam));
    }
    return CallNextHookEx(harness.cbt_hook, code, wparam, lparam);
}

LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && (lparam & 0x80000000)) harness.key_releases[static_cast<int>(wparam)]++;
    return CallNextHookEx(harness.keyboard_hook, code, wparam, lparam);
}

void record_sent_message(const CWPSTRUCT* sent) {
    if (sent->message == WM_SETTEXT && sent->lParam && GetDlgCtrlID(sent->hwnd) == PROGRESS_TEXT_ID &&
        (GetWindowLongA(sent->hwnd, GWL_STYLE) & WS_CHILD)) {
        std::string text = reinterpret_cast<const char*>(sent->lParam);
        if (harness.progress_texts.empty() || harness.progress_texts.back() != text)
            harness.progress_texts.push_back(text);
    } else if (sent->message == WM_SHOWWINDOW && sent->wParam && sent->hwnd == main_window) {
        harness.main_shown = true;
    }
}

LRESULT CALLBACK call_hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION) record_sent_message(reinterpret_cast<const CWPSTRUCT*>(lparam));
    return CallNextHookEx(harness.call_hook, code, wparam, lparam);
}

// ---- Modal dialogs --------------------------------------------------------------------------

struct DialogSearch {
    HWND found = nullptr;
};

bool is_modal_candidate(HWND window) {
    if (window == main_window || !IsWindowVisible(window) || !IsWindowEnabled(window)) return false;
    if (!is_dialog_class(window) || is_message_box(window)) return false;
    HWND owner = GetWindow(window, GW_OWNER);
    return owner == nullptr || !IsWindowEnabled(owner);  // an enabled owner: a modeless window
}

BOOL CALLBACK find_modal_dialog(HWND window, LPARAM data) {
    if (!is_modal_candidate(window)) return TRUE;
    reinterpret_cast<DialogSearch*>(data)->found = window;
    return FALSE;
}

struct ChildCapture {
    DialogRecord* record;
};

BOOL CALLBACK capture_child(HWND child, LPARAM data) {
    DialogRecord* record = reinterpret_cast<ChildCapture*>(data)->record;
    int id = GetDlgCtrlID(child);
    if (id == 0 || record->texts.count(id)) return TRUE;
    record->texts[id] = window_text(child);
    if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) record->visible_ids.push_back(id);
    return TRUE;
}

DialogRecord capture_dialog(HWND dialog) {
    DialogRecord record;
    record.window = dialog;
    record.title = window_text(dialog);
    record.owner = GetWindow(dialog, GW_OWNER);
    ChildCapture capture{&record};
    EnumChildWindows(dialog, capture_child, reinterpret_cast<LPARAM>(&capture));
    return record;
}

void run_dialog_step(HWND dialog) {
    ActiveStep& step = harness.active_steps[dialog];
    if (step.running) return;
    step.running = true;
    while (step.next < step.actions.size()) {
        DialogAction& action = step.actions[step.next];   // in place: an action may keep state
        bool last = step.next + 1 == step.actions.size();
        if (last) harness.done_dialogs.insert(dialog);   // before acting: it may open a nested loop
        if (!action || action(dialog)) {
            step.next++;
            continue;
        }
        if (last) harness.done_dialogs.erase(dialog);
        break;
    }
    bool finished = step.next >= step.actions.size();
    step.running = false;
    if (finished) harness.active_steps.erase(dialog);
}

void handle_unexpected_dialog(HWND dialog) {
    harness.done_dialogs.insert(dialog);
    DialogRecord record = capture_dialog(dialog);
    harness.dialogs.push_back(record);
    ADD_FAILURE() << "unexpected dialog \"" << record.title << "\" (no script step left); ended it";
    EndDialog(dialog, IDCANCEL);
}

void drive_modal_dialog() {
    HWND dialog = topmost_modal_dialog();
    if (!dialog) return;
    if (harness.active_steps.count(dialog)) {
        run_dialog_step(dialog);
        return;
    }
    if (harness.done_dialogs.count(dialog)) return;
    if (harness.steps.empty()) {
        handle_unexpected_dialog(dialog);
        return;
    }
    harness.dialogs.push_back(capture_dialog(dialog));
    harness.active_steps[dialog].actions = harness.steps.front();
    harness.steps.pop_front();
    run_dialog_step(dialog);
}

// ---- Watchdog --------------------------------------------------------------------------------

BOOL CALLBACK end_dialog_of_thread(HWND window, LPARAM) {
    if (is_dialog_class(window) && IsWindowVisible(window)) EndDialog(window, IDCANCEL);
    return TRUE;
}

void fire_watchdog() {
    if (!harness.watchdog) {
        harness.watchdog = true;
        HWND dialog = topmost_modal_dialog();
        ADD_FAILURE() << "watchdog: the test did not finish within " << harness.options.watchdog_ms
                      << " ms" << (dialog ? "; open dialog \"" + window_text(dialog) + "\"" : "");
    }
    EnumThreadWindows(GetCurrentThreadId(), end_dialog_of_thread, 0);
}

DWORD WINAPI hard_watchdog_thread(LPVOID) {
    DWORD limit = static_cast<DWORD>(harness.options.watchdog_ms) + 15000;
    if (WaitForSingleObject(harness.hard_watchdog_stop, limit) == WAIT_OBJECT_0) return 0;
    std::fputs("watchdog: the test hung outside any message loop; ending the process\n", stderr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

void run_tick_action() {
    if (!harness.tick_action || harness.in_tick_action) return;
    harness.in_tick_action = true;
    std::function<bool()> action = harness.tick_action;
    if (action()) harness.tick_action = nullptr;
    harness.in_tick_action = false;
}

void CALLBACK timer_proc(HWND, UINT, UINT_PTR, DWORD) {
    if (!harness.active) return;
    if (GetTickCount64() > harness.deadline) {
        fire_watchdog();
        return;
    }
    if (main_window && IsWindowVisible(main_window)) harness.main_shown = true;
    drive_modal_dialog();
    run_tick_action();
}

}  // namespace

// ---- Records -------------------------------------------------------------------------------

std::string DialogRecord::text(int id) const {
    auto found = texts.find(id);
    return found == texts.end() ? "" : found->second;
}

bool DialogRecord::has(int id) const {
    return std::find(visible_ids.begin(), visible_ids.end(), id) != visible_ids.end();
}

// ---- Dialog actions ----------------------------------------------------------------------

DialogAction click(int id) {
    return [id](HWND dialog) {
        HWND control = GetDlgItem(dialog, id);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        return true;
    };
}

DialogAction set_text(int id, const std::string& text) {
    return [id, text](HWND dialog) {
        if (!GetDlgItem(dialog, id)) return false;
        SetDlgItemTextA(dialog, id, text.c_str());
        return true;
    };
}

DialogAction file_name(const std::string& path) {
    return [path](HWND dialog) {
        if (!GetDlgItem(dialog, FILE_NAME_COMBO_ID)) return false;   // not built yet
        SetDlgItemTextA(dialog, FILE_NAME_COMBO_ID, path.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    };
}

DialogAction end_dialog(INT_PTR result) {
    return [result](HWND dialog) {
        EndDialog(dialog, result);
        return true;
    };
}

// ---- Helpers -----------------------------------------------------------------------------------

std::string window_text(HWND window) {
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string item_text(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? window_text(item) : "";
}

HWND topmost_modal_dialog() {
    DialogSearch search;
    EnumThreadWindows(GetCurrentThreadId(), find_modal_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::uint8_t> read_file_bytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    std::uint8_t buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + count);
    std::fclose(file);
    return bytes;
}

bool write_file_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- Harness lifecycle and pumping --------------------------------------------------------

void harness_begin(const HarnessOptions& options) {
    harness_end();
    harness = Harness();
    harness.options = options;
    harness.active = true;
    harness.deadline = GetTickCount64() + static_cast<ULONGLONG>(options.watchdog_ms);
    DWORD thread = GetCurrentThreadId();
    harness.cbt_hook = SetWindowsHookExA(WH_CBT, cbt_hook_proc, nullptr, thread);
    harness.keyboard_hook = SetWindowsHookExA(WH_KEYBOARD, keyboard_hook_proc, nullptr, thread);
    if (options.record_sent_messages)
        harness.call_hook = SetWindowsHookExA(WH_CALLWNDPROC, call_hook_proc, nullptr, thread);
    harness.timer = SetTimer(nullptr, 0, TICK_MS, timer_proc);
    harness.hard_watchdog_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    harness.hard_watchdog = CreateThread(nullptr, 0, hard_watchdog_thread, nullptr, 0, nullptr);
}

void harness_end() {
    if (!harness.active) return;
    harness.active = false;
    if (harness.timer) KillTimer(nullptr, harness.timer);
    if (harness.cbt_hook) UnhookWindowsHookEx(harness.cbt_hook);
    if (harness.keyboard_hook) UnhookWindowsHookEx(harness.keyboard_hook);
    if (harness.call_hook) UnhookWindowsHookEx(harness.call_hook);
    SetEvent(harness.hard_watchdog_stop);
    WaitForSingleObject(harness.hard_watchdog, INFINITE);
    CloseHandle(harness.hard_watchdog);
    CloseHandle(harness.hard_watchdog_stop);
    harness.timer = 0;
    harness.cbt_hook = harness.keyboard_hook = harness.call_hook = nullptr;
}

void harness_dispatch(MSG* message) {
    if (message->message == WM_QUIT) {
        harness.quit = true;
        harness.quit_code = static_cast<int>(message->wParam);
        return;
    }
    dispatch_loop_message(message);
}

bool pump_until(const std::function<bool()>& done, int timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            harness_dispatch(&message);
            if (done()) return true;
            if (harness.watchdog) return false;
        }
        if (done()) return true;
        if (harness.watchdog || GetTickCount64() > deadline) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, TICK_MS, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void pump_idle() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) harness_dispatch(&message);
}

bool app_has_quit() { return harness.quit; }
int app_quit_code() { return harness.quit_code; }
bool watchdog_fired() { return harness.watchdog; }

// ---- The fixture ----------------------------------------------------------------------------

namespace {

void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(path);
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string make_temp_dir() {
    static int counter = 0;
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    std::string folder;
    do {
        folder = std::string(base) + "velmaro-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter);
    } while (!CreateDirectoryA(folder.c_str(), nullptr) && counter < 1000);
    return folder;
}

std::string current_directory() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

std::string saved_directory;

// VELMARO_HARNESS_TRACE=1 prints when each phase of a test ends, in ms from its start.
LARGE_INTEGER trace_start;
void trace(const char* phase) {
    static const bool enabled = std::getenv("VELMARO_HARNESS_TRACE") != nullptr;
    if (!enabled) return;
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    std::printf("[trace] %-24s %8.1f ms\n", phase,
                1000.0 * static_cast<double>(now.QuadPart - trace_start.QuadPart) / static_cast<double>(frequency.QuadPart));
}

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::uint8_t> bytes = read_file_bytes(path);
    std::vector<std::string> lines;
    std::string line;
    for (std::uint8_t byte : bytes) {
        if (byte == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (byte != '\r') {
            line += static_cast<char>(byte);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

void GuiTest::SetUp() {
    QueryPerformanceCounter(&trace_start);
    saved_directory = current_directory();
    temp_dir_ = make_temp_dir();
    CreateDirectoryA(sim_dir().c_str(), nullptr);
    SetEnvironmentVariableA("VELMARO_SIM_DIR", sim_dir().c_str());
    _putenv_s("VELMARO_SIM_DIR", sim_dir().c_str());
    config_model = ConfigModel();
    fn_view_active = false;
    harness_begin(HarnessOptions());
    trace("set up");
}

void GuiTest::TearDown() {
    trace("test body");
    if (main_window && IsWindow(main_window)) DestroyWindow(main_window);
    pump_idle();
    trace("window destroyed");
    if (strict_script_ && !harness.watchdog) {
        EXPECT_TRUE(harness.answers.empty()) << harness.answers.size() << " scripted answer(s) not used";
        EXPECT_TRUE(harness.steps.empty()) << harness.steps.size() << " dialog step(s) not used";
        EXPECT_FALSE(harness.tick_action) << "the tick action never finished";
    }
    harness_end();
    SetCurrentDirectoryA(saved_directory.c_str());
    if (HasFailure() || std::getenv("VELMARO_KEEP_TEMP")) std::printf("test folder kept: %s\n", temp_dir_.c_str());
    else remove_tree(temp_dir_);
    trace("torn down");
}

void GuiTest::attach_unit(int n, const std::string& serial_hex) {
    std::string folder = sim_dir() + "\\unit" + std::to_string(n);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::uint8_t> serial(serial_hex.begin(), serial_hex.end());
    ASSERT_TRUE(write_file_bytes(folder + "\\serial", serial));
}

void GuiTest::set_unit_image(int n, const std::vector<std::uint8_t>& image) {
    ASSERT_TRUE(write_file_bytes(sim_dir() + "\\unit" + std::to_string(n) + "\\image.bin", image));
}

std::vector<std::uint8_t> GuiTest::unit_image(int n) const {
    return read_file_bytes(sim_dir() + "\\unit" + std::to_string(n) + "\\image.bin");
}

void GuiTest::unplug_unit(int n) { set_unit_option(n, "unplugged", ""); }

void GuiTest::replug_unit(int n) {
    DeleteFileA((sim_dir() + "\\unit" + std::to_string(n) + "\\unplugged").c_str());
}

void GuiTest::set_unit_option(int n, const std::string& file, const std::string& value) {
    std::vector<std::uint8_t> bytes(value.begin(), value.end());
    ASSERT_TRUE(write_file_bytes(sim_dir() + "\\unit" + std::to_string(n) + "\\" + file, bytes));
}

std::vector<std::string> GuiTest::unit_exchanges(int n) const {
    return read_lines(sim_dir() + "\\unit" + std::to_string(n) + "\\exchanges.log");
}

void GuiTest::clear_unit_exchanges(int n) {
    DeleteFileA((sim_dir() + "\\unit" + std::to_string(n) + "\\exchanges.log").c_str());
}

bool GuiTest::start_app_result(const std::string& command_line) {
    return start_application(GetModuleHandleA(nullptr), SW_SHOW, command_line.c_str());
}

void GuiTest::start_app(const std::string& command_line) {
    ASSERT_TRUE(start_app_result(command_line)) << "start_application returned false";
    trace("started");
    pump_idle();
    trace("idle after start");
}

void GuiTest::send_command(int command) {
    SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    pump_idle();
}

void GuiTest::press_keys(std::initializer_list<BYTE> keys) {
    ASSERT_GT(keys.size(), 0u);
    BYTE last_released = *keys.begin();
    int releases_before = harness.key_releases[last_released];
    for (BYTE key : keys) keybd_event(key, static_cast<BYTE>(MapVirtualKeyA(key, 0)), 0, 0);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        keybd_event(*key, static_cast<BYTE>(MapVirtualKeyA(*key, 0)), KEYEVENTF_KEYUP, 0);
    bool taken = pump_until([&] { return harness.key_releases[last_released] > releases_before; });
    ASSERT_TRUE(taken) << "the injected keys never reached this thread";
    pump_idle();
}

void GuiTest::answer_boxes(std::initializer_list<int> answers) {
    harness.answers.insert(harness.answers.end(), answers.begin(), answers.end());
}

void GuiTest::on_dialog(DialogAction first, DialogAction second, DialogAction third) {
    std::vector<DialogAction> actions;
    for (DialogAction* action : {&first, &second, &third})
        if (*action) actions.push_back(*action);
    harness.steps.push_back(actions);
}

void GuiTest::on_tick(std::function<bool()> action) { harness.tick_action = std::move(action); }

const std::vector<MessageBoxRecord>& GuiTest::boxes() const { return harness.boxes; }
const std::vector<DialogRecord>& GuiTest::dialogs() const { return harness.dialogs; }
const std::vector<std::string>& GuiTest::progress_texts() const { return harness.progress_texts; }
const std::vector<WindowRecord>& GuiTest::windows_created() const { return harness.windows; }
bool GuiTest::main_window_was_shown() const { return harness.main_shown; }

void GuiTest::clear_records() {
    harness.boxes.clear();
    harness.dialogs.clear();
    harness.progress_texts.clear();
    harness.windows.clear();
}
