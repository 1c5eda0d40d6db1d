// The artwork of the pinout picture: sizes, where each piece draws what, and its colours.
// Shared by the generator (built for the host) and the GUI tests, which check these colours
// at these pixels on the main window.
#pragma once
#include <cstdint>

struct ArtColour {
    std::uint8_t red, green, blue;
};

constexpr int ART_HEADER_WIDTH = 248;
constexpr int ART_HEADER_HEIGHT = 38;
constexpr int ART_MARKER_SIZE = 23;
constexpr int ART_PIN_COUNT = 9;
constexpr int ART_LINE_COUNT = 8;

// Where the markers sit on the header (the program draws them 11 pixels below its top). The
// larger variants scale these offsets alone; at 150 and 200 % the header's own place on the
// window (300, 20) scales to whole pixels, so a scaled offset lands where the program's
// scaled marker does.
constexpr int ART_MARKER_TOP = 11;
constexpr int ART_MARKER_LEFT[ART_PIN_COUNT] = {3, 30, 57, 84, 111, 138, 165, 193, 220};
constexpr int ART_PAD_MARGIN = 1;       // a pad shows as a rim this wide around a marker

// Header outline.
constexpr ArtColour ART_HEADER_BODY = {24, 96, 48};
constexpr ArtColour ART_HEADER_EDGE = {16, 16, 16};
constexpr ArtColour ART_PAD = {214, 176, 60};
constexpr ArtColour ART_PIN_NUMBER = {255, 255, 255};
constexpr int ART_HEADER_EDGE_WIDTH = 2;

// Markers: a one-pixel border around a fill that tells the piece apart.
constexpr ArtColour ART_MARKER_BORDER = {16, 16, 16};
constexpr ArtColour ART_FREE_FILL = {208, 208, 208};
constexpr ArtColour ART_FREE_RING = {96, 96, 96};
constexpr ArtColour ART_CLASH_FILL = {232, 48, 32};
constexpr ArtColour ART_CLASH_TEXT = {255, 230, 0};
constexpr ArtColour ART_LINE_TEXT = {255, 255, 255};

// Fill of the marker of column or row `line` (1..8): each of the sixteen is different.
constexpr ArtColour art_column_fill(int line) {
    return {32, 96, static_cast<std::uint8_t>(160 + 8 * line)};
}
constexpr ArtColour art_row_fill(int line) {
    return {24, static_cast<std::uint8_t>(136 + 8 * line), 72};
}

// Pixels, from a piece's top-left corner, that always show the fill (markers) or the body and
// a pad rim (header).
constexpr int ART_FILL_PROBE_X = 2, ART_FILL_PROBE_Y = 2;
constexpr int ART_BODY_PROBE_X = 28, ART_BODY_PROBE_Y = 20;
constexpr int ART_PAD_PROBE_X = 2, ART_PAD_PROBE_Y = 20;
