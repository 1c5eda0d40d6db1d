// Start-up of the program and its message loop: the installation check, the main window
// with every child control, the default configuration, the presence check of a unit, and
// what the command line asks for (a file to open, or /offline).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "config/config_file.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "device/device_commands.h"
#include "resource.h"

HINSTANCE app_instance;
HWND main_window;
HFONT ui_font;
HACCEL accelerator_table;

HWND single_key_check, ghost_filter_check;
HWND rows_caption, columns_caption, picture_caption;
HWND header_labels[9];
HWND rows_combo, columns_combo;
HWND pin_combos[9];
HWND cell_buttons[20];
HWND vertical_scroll_bar, horizontal_scroll_bar;

bool main_controls_ready;

namespace {

const char* const MAIN_CLASS_NAME = "pravikloadClass";
const int CLIENT_WIDTH = 597;
const int CLIENT_HEIGHT = 645;
const char* const INSTALLATION_WARNING =
    "Warning: The VELMARO programs must be copied to and run\n"
    "from its own folder on the PC's harddrive. The CD itself\n"
    "should be reserved for backup purposes only.";
const char* const NO_DEVICE_MESSAGE =
    "     No VELMARO device was detected !\n\n"
    "Click the OK button below, plug the VELMARO\n"
    "into the USB Port, and restart the program.";

// Started from the distribution CD (a volume labelled "VELMARO"): warn, then go on.
void check_installation_folder() {
    char folder[256] = {};
    GetCurrentDirectoryA(255, folder);
    char volume_name[256] = {};
    char file_system[256] = {};
    if (!GetVolumeInformationA(folder, volume_name, 255, nullptr, nullptr, nullptr, file_system, 255))
        volume_name[0] = '\0';
    if (std::strcmp(volume_name, "VELMARO") == 0) MessageBoxA(nullptr, INSTALLATION_WARNING, APP_TITLE, MB_OK);
}

void init_common_controls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = 8;
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

void register_main_window_class(HINSTANCE instance) {
    WNDCLASSA window_class = {};
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = main_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
    window_class.lpszClassName = MAIN_CLASS_NAME;
    RegisterClassA(&window_class);
}

void create_main_window(HINSTANCE instance) {
    RECT outer = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, TRUE);
    app_instance = instance;
    main_window = CreateWindowExA(0, MAIN_CLASS_NAME, APP_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                  nullptr, nullptr, instance, nullptr);
}

// 8.25 points at the screen's vertical resolution.
void create_ui_font() {
    HDC dc = GetDC(main_window);
    int height = -MulDiv(33, GetDeviceCaps(dc, LOGPIXELSY), 288);
    ui_font = CreateFontA(height, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                          "Microsoft Sans Serif");
    ReleaseDC(main_window, dc);
}

void forget_controls() {
    main_controls_ready = false;
    single_key_check = ghost_filter_check = nullptr;
    rows_caption = columns_caption = picture_caption = nullptr;
    rows_combo = columns_combo = nullptr;
    vertical_scroll_bar = horizontal_scroll_bar = nullptr;
    for (HWND& label : header_labels) label = nullptr;
    for (HWND& combo : pin_combos) combo = nullptr;
    for (HWND& button : cell_buttons) button = nullptr;
}

HWND shown(HWND control) {
    ShowWindow(control, SW_SHOW);
    return control;
}

void add_count_items() {
    for (int count = 1; count <= 8; ++count) {
        char item[8];
        std::snprintf(item, sizeof item, "%d", count);
        SendMessageA(rows_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageA(columns_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
}

void add_pin_items(HWND combo) {
    for (int pin = 1; pin <= 9; ++pin) {
        char item[8];
        std::snprintf(item, sizeof item, "Pin %d", pin);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
}

HWND create_scroll_bar(DWORD direction, int x, int y, int width, int height) {
    return CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | direction, x, y, width, height,
                           main_window, nullptr, app_instance, nullptr);
}

// Every child control, in the order the matrix editor and the tab order expect.
void create_child_controls() {
    single_key_check = shown(create_check_box(20, 47, 116, 47, "Single Key at a Time"));
    ghost_filter_check = shown(create_check_box(161, 47, 106, 47, "Filter Ghost Keys"));
    rows_caption = shown(create_label(2, 8, 96, 16, "Number of Rows"));
    columns_caption = shown(create_label(164, 8, 96, 16, "Number of Columns"));
    picture_caption = shown(create_label(275, 60, 296, 16, "Header pinout as viewed from top of VELMARO"));
    for (HWND& label : header_labels) label = create_label(0, 0, 56, 16, "");
    rows_combo = shown(create_combo_box(48, 9, 64, 256));
    columns_combo = shown(create_combo_box(206, 9, 64, 256));
    add_count_items();
    for (HWND& combo : pin_combos) {
        combo = create_combo_box(0, 0, 56, 9);
        add_pin_items(combo);
    }
    for (HWND& button : cell_buttons) button = create_cell_button(0, 0, 128, 96, "Not Used");
    vertical_scroll_bar = create_scroll_bar(SBS_VERT, 452, 56, 17, 332);
    horizontal_scroll_bar = create_scroll_bar(SBS_HORZ, 0, 388, 452, 17);
    main_controls_ready = true;
}

void report_no_device() {
    MessageBoxA(main_window, NO_DEVICE_MESSAGE, APP_TITLE, MB_OK | MB_ICONERROR);
    DestroyWindow(main_window);
}

// What the command line asks of the start. Nothing: the plain start, which needs a unit.
// "/offline" (any case): the editor without the presence check. A file name (quoted, or the
// rest of the line as it is, spaces and all): that file opened at start, with or without a
// unit. "/offline FILE" does both.
struct StartRequest {
    bool plain = true;
    std::string file;
};

const char* skip_blanks(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

bool starts_with_offline_switch(const char* text) {
    const char* const name = "/offline";
    const std::size_t length = std::strlen(name);
    if (_strnicmp(text, name, length) != 0) return false;
    return text[length] == '\0' || text[length] == ' ' || text[length] == '\t';
}

std::string file_argument(const char* text) {
    if (*text == '"') {
        const char* end = std::strchr(text + 1, '"');
        return end ? std::string(text + 1, end) : std::string(text + 1);
    }
    std::string name = text;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    return name;
}

StartRequest read_start_request(const char* command_line) {
    StartRequest request;
    const char* text = skip_blanks(command_line ? command_line : "");
    if (*text == '\0') return request;
    request.plain = false;
    if (starts_with_offline_switch(text)) text = skip_blanks(text + std::strlen("/offline"));
    request.file = file_argument(text);
    return request;
}

// The file of the command line, as a full path: Save later proposes it in its own folder.
void open_start_file(const std::string& file) {
    char full[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(file.c_str(), MAX_PATH, full, nullptr);
    open_configuration_path(length > 0 && length < MAX_PATH ? full : file.c_str());
}

}  // namespace

bool start_application(HINSTANCE instance, int show_command, const char* command_line) {
    const StartRequest request = read_start_request(command_line);
    forget_controls();
    accelerator_table = nullptr;
    install_windows_front_end();
    check_installation_folder();
    init_common_controls();
    register_main_window_class(instance);
    create_main_window(instance);
    create_ui_font();
    create_child_controls();
    new_configuration();
    if (request.plain && detect_device() != 0) {
        report_no_device();
        return false;
    }
    ShowWindow(main_window, show_command);
    UpdateWindow(main_window);
    accelerator_table = LoadAcceleratorsA(app_instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    DragAcceptFiles(main_window, TRUE);
    if (!request.file.empty()) open_start_file(request.file);
    return true;
}

void dispatch_loop_message(MSG* message) {
    if (accelerator_table && TranslateAcceleratorA(main_window, accelerator_table, message)) return;
    TranslateMessage(message);
    DispatchMessageA(message);
}

int run_message_loop() {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) dispatch_loop_message(&message);
    if (ui_font) DeleteObject(ui_font);
    ui_font = nullptr;
    return static_cast<int>(message.wParam);
}
