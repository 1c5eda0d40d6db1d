// Takes a picture of the running utility in a given state, from another process on the same
// Wine desktop: it finds the main window, brings the utility into the state (reads the unit's
// configuration first where the state needs one, then runs a command, clicks a cell with or
// without Ctrl or the right mouse button, or picks a pin), waits until the window of the state
// is up and painted, copies the screen around the windows into a 24-bit BMP, and puts things
// back.
//
//   wine-screenshot.exe STATE OUT.bmp [--close] [--cells]
//
// STATE: startup, about, help-single-key, help-ghost-keys, help-macro, help-fn-table,
// save-dialog, open-dialog, write-progress, read-progress, select-unit-write,
// select-unit-read, no-device; and, on a unit that holds a configuration (tools/screenshot.sh
// writes docs/example-3x3.json to it): example, fn-view, pin-clash, select-key, macro-editor,
// macro-action, key-tester, macro-recorder, compare (the default configuration against the
// example on the unit), write-all (two units). --close ends the utility afterwards (answering No to a question);
// --cells prints the text of each visible cell, "cell N: TEXT" a line, in reading order.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"

namespace {

const char* const MAIN_CLASS = "pravikloadClass";
const char* const APP_TITLE = "VELMARO Configuration Utility";
const DWORD WAIT_LIMIT_MS = 30000;

// How a state is opened once the main window is up.
enum class Opening {
    NONE,        // the main window as it is
    COMMAND,     // a menu command: `arg`
    CELL,        // a click on the visible cell at grid position `arg`
    CTRL_CELL,   // the same with Ctrl held
    FN_CELL,     // the same with the right mouse button held
    ROW_PIN,     // pin `arg` (1-9) chosen for row 1
};

struct State {
    const char* name;
    bool load;              // read the unit's configuration first
    Opening opening;
    int arg;
    const char* title;      // the window to wait for; nullptr: the main window alone
    const char* text_start; // the progress text to wait for, or nullptr
    int then_click;         // a button of that window to click next (0: none)...
    const char* then_title; // ...and the window it opens
    bool alone;             // the picture shows that window alone, without the main window
};

const State STATES[] = {
    {"startup", false, Opening::NONE, 0, nullptr, nullptr, 0, nullptr, false},
    {"about", false, Opening::COMMAND, CMD_ABOUT, "About VELMARO Configuration Utility", nullptr, 0, nullptr, false},
    {"help-single-key", false, Opening::COMMAND, CMD_HELP_SINGLE_KEY, "** HELP - Single Key at a Time **", nullptr,
     0, nullptr, false},
    {"help-ghost-keys", false, Opening::COMMAND, CMD_HELP_GHOST_KEYS, "** HELP - Filter Ghost Keys **", nullptr, 0,
     nullptr, false},
    {"help-macro", false, Opening::COMMAND, CMD_HELP_MACRO, "** HELP - Macro Use **", nullptr, 0, nullptr, false},
    {"help-fn-table", false, Opening::COMMAND, CMD_HELP_FN_TABLE, "** HELP - FN Table Toggle **", nullptr, 0,
     nullptr, false},
    {"save-dialog", false, Opening::COMMAND, CMD_SAVE, "Save File", nullptr, 0, nullptr, false},
    {"open-dialog", false, Opening::COMMAND, CMD_OPEN, "Open File", nullptr, 0, nullptr, false},
    {"write-progress", false, Opening::COMMAND, CMD_WRITE, "Writing VELMARO", "Writing configuration - 100%", 0,
     nullptr, false},
    {"read-progress", false, Opening::COMMAND, CMD_READ, "Reading VELMARO", "Reading configuration - 100%", 0,
     nullptr, false},
    {"select-unit-write", false, Opening::COMMAND, CMD_WRITE, "Multiple VELMAROs - Select Unit to Write", nullptr,
     0, nullptr, false},
    {"select-unit-read", false, Opening::COMMAND, CMD_READ, "Multiple VELMAROs - Select Unit to Read", nullptr, 0,
     nullptr, false},
    {"no-device", false, Opening::NONE, 0, APP_TITLE, nullptr, 0, nullptr, false},
    {"example", true, Opening::NONE, 0, nullptr, nullptr, 0, nullptr, false},
    {"fn-view", true, Opening::FN_CELL, 6, nullptr, nullptr, 0, nullptr, false},
    {"pin-clash", true, Opening::ROW_PIN, 1, nullptr, nullptr, 0, nullptr, false},
    {"select-key", true, Opening::CELL, 0, "Select a key", nullptr, 0, nullptr, true},
    {"macro-editor", true, Opening::CTRL_CELL, 8, "VELMARO Macro", nullptr, 0, nullptr, false},
    {"compare", false, Opening::COMMAND, CMD_COMPARE, "Compare with VELMARO", nullptr, 0, nullptr, false},
    {"write-all", false, Opening::COMMAND, CMD_WRITE_ALL, APP_TITLE, nullptr, 0, nullptr, false},
    {"key-tester", true, Opening::COMMAND, CMD_KEY_TESTER, "VELMARO Key Tester", nullptr, 0, nullptr, true},
    {"macro-recorder", true, Opening::CTRL_CELL, 8, "VELMARO Macro", nullptr, 0, nullptr, false},
    {"macro-action", true, Opening::CTRL_CELL, 8, "VELMARO Macro", nullptr, IDC_MACRO_MAKE_STEP + 4,
     "Select a macro key action", true},
};

struct Search {
    const char* title;
    HWND found;
};

bool is_dialog(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

std::string text_of(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK find_titled_dialog(HWND window, LPARAM data) {
    Search* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window) || !is_dialog(window) || text_of(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

HWND titled_dialog(const char* title) {
    Search search = {title, nullptr};
    EnumWindows(find_titled_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND visible_main_window() {
    HWND window = FindWindowA(MAIN_CLASS, nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// Polls `find` until it gives a window or the limit passes. Another process's windows can
// only be watched this way.
template <class Find>
HWND wait_for(Find find) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_LIMIT_MS) {
        HWND window = find();
        if (window) return window;
        Sleep(20);
    }
    return nullptr;
}

// Has the window's thread repaint everything and handle what it was sent.
void settle(HWND window) {
    if (!window) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

RECT picture_rect(HWND main, HWND target) {
    RECT area = {0, 0, 0, 0}, part;
    if (main && GetWindowRect(main, &part)) area = part;
    if (target && GetWindowRect(target, &part)) {
        if (IsRectEmpty(&area)) area = part;
        else UnionRect(&area, &area, &part);
    }
    InflateRect(&area, 8, 8);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&area, &area, &screen);
    return area;
}

bool save_bmp(const RECT& area, const char* path) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                   std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

const char* progress_text_of(HWND progress) {
    static char text[160];
    text[0] = '\0';
    GetDlgItemTextA(progress, IDC_PROGRESS_TEXT, text, sizeof text);
    return text;
}

// The visible children of the main window of one class, in reading order (top to bottom,
// then left to right): the cells in grid order, the row pin boxes from the top.
struct Children {
    const char* class_name;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_child(HWND window, LPARAM data) {
    Children* children = reinterpret_cast<Children*>(data);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && lstrcmpiA(name, children->class_name) == 0) children->found.push_back(window);
    return TRUE;
}

POINT client_place(HWND main, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    POINT place = {rect.left, rect.top};
    ScreenToClient(main, &place);
    return place;
}

std::vector<HWND> children_in_reading_order(HWND main, const char* class_name) {
    Children children = {class_name, {}};
    EnumChildWindows(main, collect_child, reinterpret_cast<LPARAM>(&children));
    std::vector<HWND>& found = children.found;
    for (size_t i = 1; i < found.size(); ++i)  // few windows: insertion sort by place
        for (size_t j = i; j > 0; --j) {
            POINT a = client_place(main, found[j - 1]), b = client_place(main, found[j]);
            if (a.y < b.y || (a.y == b.y && a.x <= b.x)) break;
            std::swap(found[j - 1], found[j]);
        }
    return found;
}

// The cell buttons are the multi-line push buttons; the option check boxes are not.
HWND visible_cell(HWND main, int position) {
    int index = 0;
    for (HWND button : children_in_reading_order(main, "Button")) {
        if (!(GetWindowLongA(button, GWL_STYLE) & BS_MULTILINE)) continue;
        if (index++ == position) return button;
    }
    return nullptr;
}

void print_cells(HWND main) {
    HWND cell;
    for (int position = 0; (cell = visible_cell(main, position)) != nullptr; ++position) {
        std::string text = text_of(cell);
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        std::printf("cell %d: %s\n", position + 1, text.c_str());
    }
}

// The row pin boxes stand at the left edge of the grid, below the count boxes.
HWND first_row_pin_box(HWND main) {
    for (HWND box : children_in_reading_order(main, "ComboBox"))
        if (client_place(main, box).x < 20 && client_place(main, box).y > 100) return box;
    return nullptr;
}

void inject_key(WORD key, bool down) { keybd_event(static_cast<BYTE>(key), 0, down ? 0 : KEYEVENTF_KEYUP, 0); }

// A click on a cell while a key or mouse button is held. The utility reads the state of the
// modifier when the click arrives, so the press must reach its queue (and be taken off it)
// first: input waits behind posted messages.
void click_cell_holding(HWND main, HWND cell, Opening opening) {
    bool right = opening == Opening::FN_CELL;
    if (right) {
        POINT background = {20, 110};  // empty window background between the options and the grid
        ClientToScreen(main, &background);
        SetCursorPos(background.x, background.y);
        mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
    } else {
        inject_key(VK_CONTROL, true);
    }
    Sleep(400);
    settle(main);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(cell));
    Sleep(400);
    if (right) mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
    else inject_key(VK_CONTROL, false);
}

// Reads the unit's configuration with the Read command and confirms its success message.
bool load_unit_configuration(HWND main) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(CMD_READ, 0), 0);
    HWND box = wait_for([] { return titled_dialog(APP_TITLE); });
    if (!box) return false;
    char text[128] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the text of a message box
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    wait_for([] { return titled_dialog(APP_TITLE) ? nullptr : HWND_DESKTOP; });
    settle(main);
    return std::strstr(text, "successfully read") != nullptr;
}

// False when the cell or box that the state needs is not there.
bool open_state(const State& state, HWND main) {
    if (!main) return true;
    HWND control = nullptr;
    switch (state.opening) {
    case Opening::NONE: break;
    case Opening::COMMAND: PostMessageA(main, WM_COMMAND, MAKEWPARAM(state.arg, 0), 0); break;
    case Opening::CELL:
        if (!(control = visible_cell(main, state.arg))) return false;
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        break;
    case Opening::CTRL_CELL:
    case Opening::FN_CELL:
        if (!(control = visible_cell(main, state.arg))) return false;
        click_cell_holding(main, control, state.opening);
        break;
    case Opening::ROW_PIN:
        if (!(control = first_row_pin_box(main))) return false;
        DWORD_PTR result;
        SendMessageA(control, CB_SETCURSEL, state.arg - 1, 0);
        SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control),
                            SMTO_ABORTIFHUNG, 5000, &result);
        break;
    }
    return true;
}

HWND wait_for_state(const State& state, HWND main) {
    if (!open_state(state, main)) {
        std::fprintf(stderr, "the cell or box to click for \"%s\" is not there\n", state.name);
        return nullptr;
    }
    if (!state.title) return main;
    HWND target = wait_for([&] { return titled_dialog(state.title); });
    if (target && state.text_start) {
        wait_for([&]() -> HWND {
            return std::strncmp(progress_text_of(target), state.text_start, std::strlen(state.text_start)) == 0 ? target
                                                                                                             : nullptr;
        });
    }
    if (target && state.then_click) {
        settle(target);
        PostMessageA(target, WM_COMMAND, MAKEWPARAM(state.then_click, BN_CLICKED), 0);
        target = wait_for([&] { return titled_dialog(state.then_title); });
    }
    return target;
}

// Key events sent as real input, with a pause before each (the tester and the recorder time them).
struct Stroke {
    WORD virtual_key;
    WORD scan_code;
    bool extended;
    bool up;
    DWORD pause_ms;
};

void send_strokes(const Stroke* strokes, int count) {
    for (int i = 0; i < count; ++i) {
        Sleep(strokes[i].pause_ms);
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = strokes[i].virtual_key;
        input.ki.wScan = strokes[i].scan_code;
        input.ki.dwFlags = (strokes[i].extended ? KEYEVENTF_EXTENDEDKEY : 0) | (strokes[i].up ? KEYEVENTF_KEYUP : 0);
        SendInput(1, &input, sizeof input);
    }
}

// Waits until the dialog's control `id` reads a text that starts with `start`.
void wait_for_item_text(HWND dialog, int id, const char* start) {
    wait_for([&]() -> HWND { return text_of(GetDlgItem(dialog, id)).rfind(start, 0) == 0 ? dialog : nullptr; });
    settle(dialog);
}

// The tester after a few keys of the example, a bouncing one, then the macro cell with its burst
// of keys; the recorder after Ctrl+V recorded with its pauses and stopped with Ctrl still held.
void act_in_state(const State& state, HWND target) {
    static const Stroke tester_keys[] = {
        {VK_ESCAPE, 0x01, false, false, 0}, {VK_ESCAPE, 0x01, false, true, 60}, {VK_UP, 0x48, true, false, 60},
        {VK_UP, 0x48, true, true, 60},      {VK_SPACE, 0x39, false, false, 60}, {VK_SPACE, 0x39, false, true, 60},
        {VK_RETURN, 0x1C, false, false, 60}, {VK_RETURN, 0x1C, false, true, 60}, {VK_RETURN, 0x1C, false, false, 4},
        {VK_RETURN, 0x1C, false, true, 60}, {VK_LCONTROL, 0x1D, false, false, 200}, {'C', 0x2E, false, false, 2},
        {'C', 0x2E, false, true, 100},      {VK_LCONTROL, 0x1D, false, true, 1}};
    static const Stroke recorder_keys[] = {{VK_LCONTROL, 0x1D, false, false, 0}, {'V', 0x2F, false, false, 120},
                                           {'V', 0x2F, false, true, 90}};
    static const Stroke control_up = {VK_LCONTROL, 0x1D, false, true, 0};
    if (std::strcmp(state.name, "key-tester") == 0) {
        settle(target);
        send_strokes(tester_keys, sizeof tester_keys / sizeof tester_keys[0]);
        wait_for_item_text(target, IDC_TESTER_STATUS, "Macro 1");
    } else if (std::strcmp(state.name, "macro-recorder") == 0) {
        settle(target);
        CheckDlgButton(target, IDC_MACRO_WITH_DELAYS, BST_CHECKED);
        PostMessageA(target, WM_COMMAND, MAKEWPARAM(IDC_MACRO_RECORD, BN_CLICKED), 0);
        wait_for_item_text(target, IDC_MACRO_RECORD, "Stop");
        send_strokes(recorder_keys, sizeof recorder_keys / sizeof recorder_keys[0]);
        settle(target);
        PostMessageA(target, WM_COMMAND, MAKEWPARAM(IDC_MACRO_RECORD, BN_CLICKED), 0);
        wait_for_item_text(target, IDC_MACRO_RECORD_STATUS, "Stopped");
        send_strokes(&control_up, 1);  // to the dialog now: the keyboard is given back
    }
}

struct Answering {
    DWORD process;
    int answered;
};

// Any dialog or box the utility shows now gets the button that ends it without harm.
BOOL CALLBACK answer_open_window(HWND window, LPARAM data) {
    Answering* answering = reinterpret_cast<Answering*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != answering->process || !IsWindowVisible(window) || !is_dialog(window)) return TRUE;
    std::string title = text_of(window);
    if (title == "Writing VELMARO" || title == "Reading VELMARO" || title == "Multiple Units Detected") return TRUE;
    int button = IDCANCEL;
    if (GetDlgItem(window, IDC_UNIT_1)) button = IDC_UNIT_1;
    else if (GetDlgItem(window, IDC_TESTER_CLOSE)) button = IDC_TESTER_CLOSE;
    else if (GetDlgItem(window, IDNO)) button = IDNO;
    else if (!GetDlgItem(window, IDCANCEL)) button = IDOK;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    answering->answered++;
    return TRUE;
}

// Ends what the state opened and, with --close, the utility itself.
void put_back(HWND main, DWORD process, bool close) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_LIMIT_MS) {
        Answering answering = {process, 0};
        EnumWindows(answer_open_window, reinterpret_cast<LPARAM>(&answering));
        bool main_alive = main && IsWindow(main);
        if (answering.answered == 0 && (!close || !main_alive)) return;
        if (answering.answered == 0) PostMessageA(main, WM_CLOSE, 0, 0);
        Sleep(50);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wine-screenshot STATE OUT.bmp [--close] [--cells]\n");
        return 2;
    }
    const State* state = nullptr;
    for (const State& candidate : STATES)
        if (std::strcmp(candidate.name, argv[1]) == 0) state = &candidate;
    if (!state) {
        std::fprintf(stderr, "unknown state %s\n", argv[1]);
        return 2;
    }
    bool close = false, cells = false;
    for (int i = 3; i < argc; ++i) {
        close = close || std::strcmp(argv[i], "--close") == 0;
        cells = cells || std::strcmp(argv[i], "--cells") == 0;
    }
    // The pointer away in a corner, so that no button shows the hover look.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    bool no_device = std::strcmp(state->name, "no-device") == 0;
    HWND main = no_device ? nullptr : wait_for(visible_main_window);
    if (!no_device && !main) {
        std::fprintf(stderr, "the utility's window did not appear\n");
        return 1;
    }
    settle(main);
    HWND target = nullptr;
    if (state->load && !load_unit_configuration(main)) {
        std::fprintf(stderr, "the unit's configuration was not read\n");
    } else if (!(target = wait_for_state(*state, main))) {
        const char* expected = state->then_title ? state->then_title : state->title;
        std::fprintf(stderr, "the window \"%s\" did not appear\n", expected ? expected : APP_TITLE);
    }
    bool saved = false;
    if (target) {
        act_in_state(*state, target);
        settle(target);
        settle(main);
        saved = save_bmp(picture_rect(state->alone ? nullptr : main, target), argv[2]);
        if (cells && main) print_cells(main);
    }
    DWORD process = 0;
    GetWindowThreadProcessId(main ? main : target, &process);
    put_back(main, process, close);
    return saved ? 0 : 1;
}
