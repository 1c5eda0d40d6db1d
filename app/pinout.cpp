// The pinout picture: the device's 9-pin header with a marker on every pin telling what the
// configuration wires to it (nothing, a column, a row, or a clash of several lines). Built
// from 19 picture files under "Resource\" (in the current directory, else beside the program),
// loaded at the first paint and kept until Exit. At another DPI than 96 each piece is drawn at
// its scaled size from the larger variant in "Resource\<percent>\" (150, 200) when there is
// one of that size, else stretched from the picture pixel by pixel, which keeps its edges sharp.
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

struct PictureSet {
    HBITMAP bitmaps[PICTURE_COUNT];
    HDC contexts[PICTURE_COUNT];
    HGDIOBJ replaced[PICTURE_COUNT];  // what each context held before its bitmap
};

struct PictureCache {
    PictureSet pictures;   // the 19 pictures, for 96 DPI
    PictureSet variants;   // those drawn for `variants_dpi`, where there are
    int variants_dpi;
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
    const std::string beside = program_folder();
    return (beside.empty() ? current : beside) + "Resource\\";
}

void load_picture_set(PictureSet& set, const std::string& folder) {
    for (int i = 0; i < PICTURE_COUNT; ++i) {
        std::string path = folder + PICTURE_NAMES[i] + ".qzr";
        set.bitmaps[i] = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        set.contexts[i] = CreateCompatibleDC(nullptr);
        set.replaced[i] = nullptr;
        if (set.bitmaps[i] != nullptr && set.contexts[i] != nullptr)
            set.replaced[i] = SelectObject(set.contexts[i], set.bitmaps[i]);
    }
}

void release_picture_set(PictureSet& set) {
    for (int i = 0; i < PICTURE_COUNT; ++i) {
        HDC context = set.contexts[i];
        if (context != nullptr) {
            if (set.replaced[i] != nullptr) SelectObject(context, set.replaced[i]);
            DeleteDC(context);
        }
        if (set.bitmaps[i] != nullptr) DeleteObject(set.bitmaps[i]);
        set.contexts[i] = nullptr;
        set.bitmaps[i] = nullptr;
        set.replaced[i] = nullptr;
    }
}

// The variants for the window's DPI, once per DPI; none at 96 DPI.
void load_variants_for_window() {
    if (picture_cache.variants_dpi == main_window_dpi) return;
    release_picture_set(picture_cache.variants);
    picture_cache.variants_dpi = main_window_dpi;
    if (main_window_dpi != DESIGN_DPI)
        load_picture_set(picture_cache.variants, picture_folder() + std::to_string(scaled(100)) + "\\");
}

void load_pinout_pictures() {
    load_picture_set(picture_cache.pictures, picture_folder());
    picture_cache.variants_dpi = DESIGN_DPI;
    picture_cache.loaded = true;
}

bool holds(const PictureSet& set, int picture, int width, int height) {
    BITMAP bitmap = {};
    if (set.bitmaps[picture] == nullptr || set.contexts[picture] == nullptr) return false;
    if (GetObjectA(set.bitmaps[picture], sizeof bitmap, &bitmap) == 0) return false;
    return bitmap.bmWidth >= width && bitmap.bmHeight >= height;
}

// Copies a piece of `width` x `height` (96-DPI figures) to its scaled place; a piece whose
// file did not load leaves its place as it is.
void draw_piece(HDC target, int picture, int left, int top, int width, int height) {
    const int x = scaled(left), y = scaled(top), w = scaled(width), h = scaled(height);
    const PictureSet& variants = picture_cache.variants;
    const PictureSet& pictures = picture_cache.pictures;
    if (holds(variants, picture, w, h)) {
        BitBlt(target, x, y, w, h, variants.contexts[picture], 0, 0, SRCCOPY);
    } else if (pictures.bitmaps[picture] == nullptr || pictures.contexts[picture] == nullptr) {
        return;
    } else if (w == width && h == height) {
        BitBlt(target, x, y, w, h, pictures.contexts[picture], 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, x, y, w, h, pictures.contexts[picture], 0, 0, width, height, SRCCOPY);
    }
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
    load_variants_for_window();
    if (target != nullptr) draw_picture(target);
    EndPaint(main_window, &paint);
}

void release_pinout_pictures() {
    release_picture_set(picture_cache.pictures);
    release_picture_set(picture_cache.variants);
    picture_cache.variants_dpi = DESIGN_DPI;
    picture_cache.loaded = false;
}
