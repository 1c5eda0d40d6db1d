// Takes a picture of the running utility in a given state, from another process on the same
// Wine desktop: it finds the main window, runs the command that opens the state (a help box,
// a file dialog, the unit selection, a progress window), waits until that window is up and
// painted, copies the screen around the windows into a 24-bit BMP, and puts things back.
//
//   wine-screenshot.exe STATE OUT.bmp [--close]
//
// STATE: startup, about, help-single-key, help-ghost-keys, help-macro, help-fn-table,
// save-dialog, open-dialog, write-progress, read-progress, select-unit-write,
// select-unit-read, no-device. --close ends the utility afterwards (answering No to a question).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"

namespace {

const char* const MAIN_CLASS = "pravikloadClass";
const char* const APP_TITLE = "VELMARO Configuration Utility";
const DWORD WAIT_LIMIT_MS = 30000;

struct State {
    const char* name;
    int command;            // 0: nothing to run
    const char* title;      // the window to wait for; nullptr: the main window alone
    const char* text_start; // the progress text to wait for, or nullptr
};

const State STATES[] = {
    {"startup", 0, nullptr, nullptr},
    {"about", CMD_ABOUT, "About VELMARO Configuration Utility", nullptr},
    {"help-single-key", CMD_HELP_SINGLE_KEY, "** HELP - Single Key at a Time **", nullptr},
    {"help-ghost-keys", CMD_HELP_GHOST_KEYS, "** HELP - Filter Ghost Keys **", nullptr},
    {"help-macro", CMD_HELP_MACRO, "** HELP - Macro Use **", nullptr},
    {"help-fn-table", CMD_HELP_FN_TABLE, "** HELP - FN Table Toggle **", nullptr},
    {"save-dialog", CMD_SAVE, "Save File", nullptr},
    {"open-dialog", CMD_OPEN, "Open File", nullptr},
    {"write-progress", CMD_WRITE, "Writing VELMARO", "Writing configuration - 100%"},
    {"read-progress", CMD_READ, "Reading VELMARO", "Reading configuration - 100%"},
    {"select-unit-write", CMD_WRITE, "Multiple VELMAROs - Select Unit to Write", nullptr},
    {"select-unit-read", CMD_READ, "Multiple VELMAROs - Select Unit to Read", nullptr},
    {"no-device", 0, APP_TITLE, nullptr},
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

HWND wait_for_state(const State& state, HWND main) {
    if (state.command && main) PostMessageA(main, WM_COMMAND, MAKEWPARAM(state.command, 0), 0);
    if (!state.title) return nullptr;
    HWND target = wait_for([&] { return titled_dialog(state.title); });
    if (target && state.text_start) {
        wait_for([&]() -> HWND {
            return std::strncmp(progress_text_of(target), state.text_start, std::strlen(state.text_start)) == 0 ? target
                                                                                                             : nullptr;
        });
    }
    return target;
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
        std::fprintf(stderr, "usage: wine-screenshot STATE OUT.bmp [--close]\n");
        return 2;
    }
    const State* state = nullptr;
    for (const State& candidate : STATES)
        if (std::strcmp(candidate.name, argv[1]) == 0) state = &candidate;
    if (!state) {
        std::fprintf(stderr, "unknown state %s\n", argv[1]);
        return 2;
    }
    bool close = argc > 3 && std::strcmp(argv[3], "--close") == 0;
    bool no_device = std::strcmp(state->name, "no-device") == 0;
    HWND main = no_device ? nullptr : wait_for(visible_main_window);
    if (!no_device && !main) {
        std::fprintf(stderr, "the utility's window did not appear\n");
        return 1;
    }
    settle(main);
    HWND target = wait_for_state(*state, main);
    if (state->title && !target) {
        std::fprintf(stderr, "the window \"%s\" did not appear\n", state->title);
        return 1;
    }
    settle(target);
    settle(main);
    bool saved = save_bmp(picture_rect(main, target), argv[2]);
    DWORD process = 0;
    GetWindowThreadProcessId(main ? main : target, &process);
    put_back(main, process, close);
    return saved ? 0 : 1;
}
