// The pinout picture: the device's 9-pin header with a marker on every pin telling what the
// configuration wires to it (nothing, a column, a row, or a clash of several lines). Built
// from 19 picture files under "Resource\" (in the current directory, else beside the program),
// loaded at the first paint and kept until Exit.
#include <string>
#include "app/app.h"
#include "app/matrix_view.h"
#include "config/config_model.h"

namespace {

constexpr int PICTURE_COUNT = 19;
constexpr int HEADER_PICTURE = 0;
constexpr int FIRST_COLUMN_PICTURE = 1;  // columns 1..8, then rows 1..8
constexpr int FIRST_ROW_PICTURE = 9;
constexpr int FREE_PIN_PICTURE = 17;
constexpr int CLASH_PICTURE = 18;

// In loading order: header, columns 1..8, rows 1..8, free pin, clash.
const char* const PICTURE_NAMES[PICTURE_COUNT] = {
    "HX3476", "CX5621", "CX9092", "CX5443", "CX3134", "CX5575", "CX2526", "CX0817",
    "CX4498", "RX4931", "RX7672", "RX9173", "RX7484", "RX3355", "RX1606", "RX0757",
    "RX8588", "XX0305", "CFX981"};

constexpr int HEADER_LEFT = 300, HEADER_TOP = 20;
constexpr int HEADER_WIDTH_USED = 248, HEADER_HEIGHT_USED = 38;
constexpr int MARKER_TOP = 31, MARKER_SIZE = 23;
constexpr int MARKER_LEFT[MATRIX_MAX_PINS] = {303, 330, 357, 384, 411, 438, 465, 493, 520};

struct PictureCache {
    HBITMAP bitmaps[PICTURE_COUNT];
    HDC contexts[PICTURE_COUNT];
    HGDIOBJ replaced[PICTURE_COUNT];  // what each context held before its bitmap
    bool loaded;
} picture_cache;

std::string with_separator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

bool is_folder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder "Resource\" in the current directory when there is one (the portable zip, and
// setups that start the program in its own folder), else the one beside the program (the
// installed program starts in the Documents folder). Always absolute: loading a bitmap from a
// relative path also searches the program's own folder.
std::string picture_folder() {
    char folder[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string current = length > 0 && length < MAX_PATH ? with_separator(folder) : std::string();
    if (is_folder(current + "Resource")) return current + "Resource\\";
    char program[MAX_PATH] = {};
    length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string beside(program, length > 0 && length < MAX_PATH ? length : 0);
    const std::size_t last = beside.find_last_of("\\/");
    if (last == std::string::npos) return current + "Resource\\";
    return beside.substr(0, last + 1) + "Resource\\";
}

void load_pinout_pictures() {
    const std::string folder = picture_folder();
    for (int i = 0; i < PICTURE_COUNT; ++i) {
        std::string path = folder + PICTURE_NAMES[i] + ".qzr";
        picture_cache.bitmaps[i] = static_cast<HBITMAP>(
            LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        picture_cache.contexts[i] = CreateCompatibleDC(nullptr);
        picture_cache.replaced[i] = nullptr;
        if (picture_cache.bitmaps[i] != nullptr && picture_cache.contexts[i] != nullptr)
            picture_cache.replaced[i] = SelectObject(picture_cache.contexts[i], picture_cache.bitmaps[i]);
    }
    picture_cache.loaded = true;
}

// Copies a piece to the window; a piece whose file did not load leaves its place as it is.
void draw_piece(HDC target, int picture, int left, int top, int width, int height) {
    if (picture_cache.bitmaps[picture] == nullptr || picture_cache.contexts[picture] == nullptr) return;
    BitBlt(target, left, top, width, height, picture_cache.contexts[picture], 0, 0, SRCCOPY);
}

void draw_marker(HDC target, int picture, int pin) {
    if (pin < 0 || pin >= MATRIX_MAX_PINS) return;
    draw_piece(target, picture, MARKER_LEFT[pin], MARKER_TOP, MARKER_SIZE, MARKER_SIZE);
}

// Draws the marker of each line on its pin and counts the lines on every pin.
void draw_lines(HDC target, const int* pins, int count, int first_picture, int* lines_on_pin) {
    for (int line = 0; line < count && line < MATRIX_MAX_LINES; ++line) {
        draw_marker(target, first_picture + line, pins[line]);
        if (pins[line] >= 0 && pins[line] < MATRIX_MAX_PINS) ++lines_on_pin[pins[line]];
    }
}

void draw_picture(HDC target) {
    draw_piece(target, HEADER_PICTURE, HEADER_LEFT, HEADER_TOP, HEADER_WIDTH_USED, HEADER_HEIGHT_USED);
    for (int pin = 0; pin < MATRIX_MAX_PINS; ++pin) draw_marker(target, FREE_PIN_PICTURE, pin);
    int lines_on_pin[MATRIX_MAX_PINS] = {};
    draw_lines(target, config_model.column_pins, matrix_column_count(), FIRST_COLUMN_PICTURE, lines_on_pin);
    draw_lines(target, config_model.row_pins, matrix_row_count(), FIRST_ROW_PICTURE, lines_on_pin);
    for (int pin = 0; pin < MATRIX_MAX_PINS; ++pin)
        if (lines_on_pin[pin] > 1) draw_marker(target, CLASH_PICTURE, pin);
}

}  // namespace

void paint_pinout_picture() {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(main_window, &paint);
    if (!picture_cache.loaded) load_pinout_pictures();
    if (target != nullptr) draw_picture(target);
    EndPaint(main_window, &paint);
}

void release_pinout_pictures() {
    for (int i = 0; i < PICTURE_COUNT; ++i) {
        HDC context = picture_cache.contexts[i];
        if (context != nullptr) {
            if (picture_cache.replaced[i] != nullptr) SelectObject(context, picture_cache.replaced[i]);
            DeleteDC(context);
        }
        if (picture_cache.bitmaps[i] != nullptr) DeleteObject(picture_cache.bitmaps[i]);
        picture_cache.contexts[i] = nullptr;
        picture_cache.bitmaps[i] = nullptr;
        picture_cache.replaced[i] = nullptr;
    }
    picture_cache.loaded = false;
}
