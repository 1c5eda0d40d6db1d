// The pinout picture on the real main window, checked pixel by pixel: every marker of the
// artwork has a fill colour of its own at a known pixel (tools/art/pinout_art.h).
#include <cstdio>
#include <string>
#include <vector>
#include "test_matrix_support.h"
#include "tools/art/pinout_art.h"

namespace {

const int MARKER_LEFT[9] = {303, 330, 357, 384, 411, 438, 465, 493, 520};
const int MARKER_TOP = 31;
const int HEADER_LEFT = 300, HEADER_TOP = 20;

COLORREF colour_of(ArtColour colour) { return RGB(colour.red, colour.green, colour.blue); }

// What a pin shows: 'F' free, 'X' clash, or a line: "C3", "R1".
using PinView = std::string;

COLORREF expected_fill(const PinView& view) {
    if (view == "F") return colour_of(ART_FREE_FILL);
    if (view == "X") return colour_of(ART_CLASH_FILL);
    int line = view[1] - '0';
    return colour_of(view[0] == 'C' ? art_column_fill(line) : art_row_fill(line));
}

std::string describe(COLORREF colour) {
    for (int line = 1; line <= 8; ++line) {
        if (colour == colour_of(art_column_fill(line))) return "C" + std::to_string(line);
        if (colour == colour_of(art_row_fill(line))) return "R" + std::to_string(line);
    }
    if (colour == colour_of(ART_FREE_FILL)) return "F";
    if (colour == colour_of(ART_CLASH_FILL)) return "X";
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

COLORREF window_pixel(int x, int y) {
    HDC dc = GetDC(main_window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(main_window, dc);
    return colour;
}

void repaint() {
    UpdateWindow(main_window);
    pump_idle();
}

COLORREF marker_pixel(int pin) {
    return window_pixel(MARKER_LEFT[pin] + ART_FILL_PROBE_X, MARKER_TOP + ART_FILL_PROBE_Y);
}

bool pictures_beside_program() {
    char program[MAX_PATH] = {};
    std::string folder(program, GetModuleFileNameA(nullptr, program, MAX_PATH));
    folder.erase(folder.find_last_of("\\/") + 1);
    return GetFileAttributesA((folder + "Resource").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A 24-bit bitmap file of one colour.
std::vector<std::uint8_t> plain_bitmap(int width, int height, COLORREF colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const int size = 54 + stride * height;
    std::vector<std::uint8_t> file(size, 0);
    auto put = [&](int at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &file[54 + y * stride + x * 3];
            pixel[0] = GetBValue(colour);
            pixel[1] = GetGValue(colour);
            pixel[2] = GetRValue(colour);
        }
    return file;
}

// All 19 pictures, each of one colour, in `folder`.
void write_plain_pictures(const std::string& folder, COLORREF colour) {
    const char* names[] = {"HX3476", "CX5621", "CX9092", "CX5443", "CX3134", "CX5575", "CX2526",
                           "CX0817", "CX4498", "RX4931", "RX7672", "RX9173", "RX7484", "RX3355",
                           "RX1606", "RX0757", "RX8588", "XX0305", "CFX981"};
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : names) {
        const bool header = std::string(name) == "HX3476";
        ASSERT_TRUE(write_file_bytes(folder + "\\" + name + ".qzr",
                                     plain_bitmap(header ? 248 : 23, header ? 38 : 23, colour)));
    }
}

void expect_pins(const std::vector<PinView>& pins) {
    repaint();
    ASSERT_EQ(9u, pins.size());
    for (int pin = 0; pin < 9; ++pin)
        EXPECT_EQ(pins[pin], describe(marker_pixel(pin))) << "pin " << pin + 1;
    for (int pin = 0; pin < 9; ++pin) EXPECT_EQ(expected_fill(pins[pin]), marker_pixel(pin)) << "pin " << pin + 1;
}

void expect_header_drawn() {
    EXPECT_EQ(colour_of(ART_HEADER_BODY), window_pixel(HEADER_LEFT + ART_BODY_PROBE_X, HEADER_TOP + ART_BODY_PROBE_Y));
    EXPECT_EQ(colour_of(ART_PAD), window_pixel(HEADER_LEFT + ART_PAD_PROBE_X, HEADER_TOP + ART_PAD_PROBE_Y));
    EXPECT_EQ(colour_of(ART_HEADER_EDGE), window_pixel(HEADER_LEFT, HEADER_TOP));
    EXPECT_EQ(colour_of(ART_HEADER_EDGE), window_pixel(HEADER_LEFT + 247, HEADER_TOP + 37));
}

const std::vector<PinView> DEFAULT_PINS = {"C1", "C2", "C3", "C4", "R1", "R2", "R3", "R4", "R5"};

}  // namespace

using PinoutTest = MatrixEditorTest;

TEST_F(PinoutTest, DefaultConfigurationWiresColumnsToPinsOneToFourAndRowsToTheRest) {
    expect_header_drawn();
    expect_pins(DEFAULT_PINS);
    // Outside the header the window keeps its background.
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), window_pixel(HEADER_LEFT - 1, HEADER_TOP + 10));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), window_pixel(HEADER_LEFT + 248, HEADER_TOP + 10));
}

TEST_F(PinoutTest, LoweringTheRowsFreesPinNine) {
    choose_rows(4);
    expect_pins({"C1", "C2", "C3", "C4", "R1", "R2", "R3", "R4", "F"});
    choose_rows(2);
    expect_pins({"C1", "C2", "C3", "C4", "R1", "R2", "F", "F", "F"});
}

TEST_F(PinoutTest, SharedPinsShowTheClashMarkerUntilTheOldPinIsChosenAgain) {
    struct Case {
        int combo;      // index into pin_combos in the default grid (0..3 columns, 4..8 rows)
        int pin, old_pin;
        std::vector<PinView> clashed;
    };
    const Case cases[] = {
        {4, 0, 4, {"X", "C2", "C3", "C4", "F", "R2", "R3", "R4", "R5"}},   // row 1 on pin 1
        {1, 0, 1, {"X", "F", "C3", "C4", "R1", "R2", "R3", "R4", "R5"}},   // two columns
        {5, 4, 5, {"C1", "C2", "C3", "C4", "X", "F", "R3", "R4", "R5"}},   // two rows
        {3, 8, 3, {"C1", "C2", "C3", "F", "R1", "R2", "R3", "R4", "X"}},   // column 4 on row 5's pin
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("pin combo " + std::to_string(c.combo));
        choose_item(pin_combos[c.combo], c.pin);
        expect_pins(c.clashed);
        choose_item(pin_combos[c.combo], c.old_pin);
        expect_pins(DEFAULT_PINS);
    }
}

TEST_F(PinoutTest, ThreeLinesOnOnePinShowOneClash) {
    choose_item(pin_combos[4], 0);
    choose_item(pin_combos[1], 0);
    expect_pins({"X", "F", "C3", "C4", "F", "R2", "R3", "R4", "R5"});
}

TEST_F(PinoutTest, ColumnsOutOfViewAreDrawnOnTheirPins) {
    choose_columns(8);
    ASSERT_EQ(4, visible_columns);
    ASSERT_EQ(0, scroll_position(horizontal_scroll_bar));
    expect_pins({"C1", "C2", "C3", "C4", "R1", "C8", "C7", "C6", "C5"});
    config_model.column_pins[7] = 4;  // column 8, out of view, onto row 1's pin
    refresh_cell_captions();
    expect_pins({"C1", "C2", "C3", "C4", "X", "F", "C7", "C6", "C5"});
}

TEST_F(PinoutTest, PicturesAreReadOnceAndReloadedAfterRelease) {
    expect_pins(DEFAULT_PINS);
    // The test's folder holds pictures of one colour: the current directory's come first.
    const COLORREF plain = RGB(10, 200, 30);
    write_plain_pictures(temp_path("Resource"), plain);
    ASSERT_TRUE(SetCurrentDirectoryA(temp_dir().c_str()));
    choose_rows(4);
    expect_pins({"C1", "C2", "C3", "C4", "R1", "R2", "R3", "R4", "F"});
    release_pinout_pictures();
    InvalidateRect(main_window, nullptr, TRUE);
    repaint();
    EXPECT_EQ(plain, marker_pixel(0)) << describe(marker_pixel(0));
    EXPECT_EQ(plain, window_pixel(HEADER_LEFT + ART_BODY_PROBE_X, HEADER_TOP + ART_BODY_PROBE_Y));
}

// The installed program starts in the Documents folder, which holds no "Resource" folder: the
// pictures then come from the one beside the program (the tests lie beside bin/Resource).
TEST_F(PinoutTest, PicturesComeFromBesideTheProgramWhenTheCurrentFolderHasNone) {
    release_pinout_pictures();
    ASSERT_TRUE(SetCurrentDirectoryA(temp_dir().c_str()));
    ASSERT_TRUE(pictures_beside_program()) << "bin/Resource is missing";
    InvalidateRect(main_window, nullptr, TRUE);
    expect_pins(DEFAULT_PINS);
    EXPECT_EQ(colour_of(ART_HEADER_BODY), window_pixel(HEADER_LEFT + ART_BODY_PROBE_X, HEADER_TOP + ART_BODY_PROBE_Y));
}

TEST_F(PinoutTest, EveryPictureFileCoversThePartThatIsDrawn) {
    const char* names[] = {"HX3476", "CX5621", "CX9092", "CX5443", "CX3134", "CX5575", "CX2526",
                           "CX0817", "CX4498", "RX4931", "RX7672", "RX9173", "RX7484", "RX3355",
                           "RX1606", "RX0757", "RX8588", "XX0305", "CFX981"};
    for (const char* name : names) {
        std::string path = std::string("Resource/") + name + ".qzr";
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(nullptr, bitmap) << path;
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        bool header = std::string(name) == "HX3476";
        EXPECT_EQ(header ? 248 : 23, info.bmWidth) << path;
        EXPECT_EQ(header ? 38 : 23, info.bmHeight) << path;
        DeleteObject(bitmap);
    }
}

// No pictures in the current directory nor beside the program: a copy of these tests in a
// folder of its own runs this suite (cmake/windows.cmake); beside bin/Resource it would fail.
class PinoutWithoutPicturesTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_FALSE(pictures_beside_program()) << "run the copy without pictures (no-pictures/test_pinout.exe)";
        ASSERT_TRUE(SetCurrentDirectoryA(temp_dir().c_str()));
        attach_unit(1);
        start_app();
    }
};

TEST_F(PinoutWithoutPicturesTest, TheProgramRunsAndThePictureAreaStaysEmpty) {
    repaint();
    COLORREF background = GetSysColor(COLOR_BTNFACE);
    for (int pin = 0; pin < 9; ++pin) EXPECT_EQ(background, marker_pixel(pin)) << "pin " << pin + 1;
    EXPECT_EQ(background, window_pixel(HEADER_LEFT + ART_BODY_PROBE_X, HEADER_TOP + ART_BODY_PROBE_Y));
    EXPECT_EQ(background, window_pixel(HEADER_LEFT, HEADER_TOP));
    choose_rows(6);
    repaint();
    EXPECT_EQ(3, visible_columns);
    EXPECT_EQ(background, marker_pixel(8));
    config_model.config_changed = 0;  // Exit without the save question
    send_command(CMD_EXIT);
    EXPECT_TRUE(pump_until([] { return app_has_quit(); }, 2000) || !IsWindow(main_window));
}

