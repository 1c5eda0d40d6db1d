// Start-up of the program and its message loop: the installation check, the main window
// with every child control at the DPI of its monitor, the default configuration, the presence
// check of a unit, and what the command line asks for (a file to open, or /offline). Also the
// change of scale when the window moves to a monitor of another DPI.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>
#include <iterator>
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

// The controls that the matrix editor does not size: where they are made (96-DPI figures), in
// the order they are made.
enum FixedKind { CHECK_BOX, LABEL, COMBO_BOX };
struct FixedControl {
    HWND* control;
    FixedKind kind;
    int x, y, width, height;
    const char* text;
};
const FixedControl FIXED_CONTROLS[] = {
    {&single_key_check, CHECK_BOX, 20, 47, 116, 47, "Single Key at a Time"},
    {&ghost_filter_check, CHECK_BOX, 161, 47, 106, 47, "Filter Ghost Keys"},
    {&rows_caption, LABEL, 2, 8, 96, 16, "Number of Rows"},
    {&columns_caption, LABEL, 164, 8, 96, 16, "Number of Columns"},
    {&picture_caption, LABEL, 275, 60, 296, 16, "Header pinout as viewed from top of VELMARO"},
    {&rows_combo, COMBO_BOX, 48, 9, 64, 256, ""},
    {&columns_combo, COMBO_BOX, 206, 9, 64, 256, ""}};
constexpr std::size_t FIRST_FIXED_COMBO = 5;   // the header labels are made before the combo boxes

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

// The default client area at the window's DPI, smaller by whole half cells where the work area
// of its monitor cannot hold it (the scroll bars show the rest), and the window inside that area.
void fit_main_window_to_monitor() {
    const RECT work = work_area_of(main_window);
    const SIZE client = client_size_within(SIZE{scaled(CLIENT_WIDTH), scaled(CLIENT_HEIGHT)}, work);
    const SIZE frame = main_window_frame();
    const int width = client.cx + frame.cx, height = client.cy + frame.cy;
    RECT outer;
    GetWindowRect(main_window, &outer);
    const POINT at = position_within(POINT{outer.left, outer.top}, width, height, work);
    SetWindowPos(main_window, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Made at the primary monitor's DPI, then fitted to the monitor it was put on.
void create_main_window(HINSTANCE instance) {
    main_window_dpi = system_dpi();
    const SIZE frame = main_window_frame();
    app_instance = instance;
    main_window = CreateWindowExA(0, MAIN_CLASS_NAME, APP_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, scaled(CLIENT_WIDTH) + frame.cx, scaled(CLIENT_HEIGHT) + frame.cy,
                                  nullptr, nullptr, instance, nullptr);
    if (main_window == nullptr) return;
    main_window_dpi = window_dpi(main_window);
    fit_main_window_to_monitor();
}

// 8.25 points at the main window's DPI.
void create_ui_font() {
    ui_font = CreateFontA(-MulDiv(33, main_window_dpi, 288), 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          0, 0, 0, 0, "Microsoft Sans Serif");
}

// A fixed control at its place scaled to the window's DPI, shown.
void create_fixed(const FixedControl& fixed) {
    const int x = scaled(fixed.x), y = scaled(fixed.y), width = scaled(fixed.width), height = scaled(fixed.height);
    switch (fixed.kind) {
    case CHECK_BOX: *fixed.control = create_check_box(x, y, width, height, fixed.text); break;
    case LABEL: *fixed.control = create_label(x, y, width, height, fixed.text); break;
    case COMBO_BOX: *fixed.control = create_combo_box(x, y, width, height); break;
    }
    ShowWindow(*fixed.control, SW_SHOW);
}

BOOL CALLBACK give_ui_font(HWND child, LPARAM) {
    const bool bar = child == vertical_scroll_bar || child == horizontal_scroll_bar;
    if (GetParent(child) == main_window && !bar)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(ui_font), FALSE);
    return TRUE;
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
    for (std::size_t i = 0; i < FIRST_FIXED_COMBO; ++i) create_fixed(FIXED_CONTROLS[i]);
    for (HWND& header : header_labels) header = create_label(0, 0, scaled(56), scaled(16), "");
    for (std::size_t i = FIRST_FIXED_COMBO; i < std::size(FIXED_CONTROLS); ++i) create_fixed(FIXED_CONTROLS[i]);
    add_count_items();
    for (HWND& combo : pin_combos) {
        combo = create_combo_box(0, 0, scaled(56), scaled(9));
        add_pin_items(combo);
    }
    for (HWND& button : cell_buttons) button = create_cell_button(0, 0, scaled(128), scaled(96), "Not Used");
    vertical_scroll_bar = create_scroll_bar(SBS_VERT, scaled(452), scaled(56), scaled(17), scaled(332));
    horizontal_scroll_bar = create_scroll_bar(SBS_HORZ, 0, scaled(388), scaled(452), scaled(17));
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

std::string program_folder() {
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string path(program, length > 0 && length < MAX_PATH ? length : 0);
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

SIZE main_window_frame() { return frame_size_for_dpi(WS_OVERLAPPEDWINDOW, 0, true, main_window_dpi); }

void rescale_main_window(int dpi, const RECT& suggested) {
    main_window_dpi = dpi;
    const HFONT previous = ui_font;
    create_ui_font();
    EnumChildWindows(main_window, give_ui_font, 0);
    if (previous) DeleteObject(previous);
    for (const FixedControl& fixed : FIXED_CONTROLS)
        MoveWindow(*fixed.control, scaled(fixed.x), scaled(fixed.y), scaled(fixed.width), scaled(fixed.height), TRUE);
    SetWindowPos(main_window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    relayout_matrix_editor();
    RedrawWindow(main_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
