// Draws the 19 pictures of the pinout picture and writes them as 24-bit BMP files:
//   make_pinout_art OUTPUT_FOLDER [PERCENT]
// The header outline with its nine pin pads, a marker for each column and row that reads
// C1..C8 or R1..R8, the free-pin marker (an empty pin hole) and the clash marker (a warning
// sign). Glyphs come from the small bitmap font below; colours from pinout_art.h. With a
// PERCENT (150, 200) every size is scaled as the program scales its figures, and the glyphs and
// pad rims by whole pixels, for displays of that scale; without, the pictures are those of 96 DPI.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "pinout_art.h"

namespace {

int scale_percent = 100;

// A figure of the 96-DPI pictures at the scale drawn, rounded as the program rounds.
int sized(int figure) { return (figure * scale_percent + 50) / 100; }

// A glyph's pixel or a pad's rim at the scale drawn: whole pixels, never below one.
int whole_pixels(int size) {
    const int scaled = size * scale_percent / 100;
    return scaled > 1 ? scaled : 1;
}

struct Picture {
    int width, height;
    std::vector<ArtColour> pixels;  // row-major, top row first
};

Picture make_picture(int width, int height, ArtColour fill) {
    return Picture{width, height, std::vector<ArtColour>(static_cast<size_t>(width) * height, fill)};
}

void put_pixel(Picture& picture, int x, int y, ArtColour colour) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
    picture.pixels[static_cast<size_t>(y) * picture.width + x] = colour;
}

void fill_rect(Picture& picture, int left, int top, int width, int height, ArtColour colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) put_pixel(picture, x, y, colour);
}

void frame_rect(Picture& picture, int left, int top, int width, int height, int thickness,
                ArtColour colour) {
    fill_rect(picture, left, top, width, thickness, colour);
    fill_rect(picture, left, top + height - thickness, width, thickness, colour);
    fill_rect(picture, left, top, thickness, height, colour);
    fill_rect(picture, left + width - thickness, top, thickness, height, colour);
}

// A 3 x 5 font: each glyph is five rows of three bits, the high bit on the left.
struct Glyph {
    char letter;
    unsigned char rows[5];
};
constexpr Glyph FONT[] = {
    {'C', {7, 4, 4, 4, 7}}, {'R', {6, 5, 6, 5, 5}}, {'!', {2, 2, 2, 0, 2}},
    {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}},
    {'7', {7, 1, 1, 1, 1}}, {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}},
};
constexpr int GLYPH_WIDTH = 3, GLYPH_HEIGHT = 5;

const Glyph* find_glyph(char letter) {
    for (const Glyph& glyph : FONT)
        if (glyph.letter == letter) return &glyph;
    return nullptr;
}

void draw_glyph(Picture& picture, const Glyph& glyph, int left, int top, int scale, ArtColour colour) {
    for (int row = 0; row < GLYPH_HEIGHT; ++row)
        for (int column = 0; column < GLYPH_WIDTH; ++column)
            if (glyph.rows[row] & (4 >> column))
                fill_rect(picture, left + column * scale, top + row * scale, scale, scale, colour);
}

// Draws `text` centred on the point (centre_x, centre_y), one blank pixel column between
// glyphs at scale 1.
void draw_text(Picture& picture, const std::string& text, int centre_x, int centre_y, int scale,
               ArtColour colour) {
    int advance = (GLYPH_WIDTH + 1) * scale;
    int width = static_cast<int>(text.size()) * advance - scale;
    int left = centre_x - width / 2, top = centre_y - GLYPH_HEIGHT * scale / 2;
    for (char letter : text) {
        const Glyph* glyph = find_glyph(letter);
        if (glyph != nullptr) draw_glyph(picture, *glyph, left, top, scale, colour);
        left += advance;
    }
}

Picture make_header() {
    const int width = sized(ART_HEADER_WIDTH), height = sized(ART_HEADER_HEIGHT);
    Picture header = make_picture(width, height, ART_HEADER_BODY);
    frame_rect(header, 0, 0, width, height, sized(ART_HEADER_EDGE_WIDTH), ART_HEADER_EDGE);
    const int margin = whole_pixels(ART_PAD_MARGIN), pad = sized(ART_MARKER_SIZE) + 2 * margin;
    const int top = sized(ART_MARKER_TOP) - margin;
    for (int pin = 0; pin < ART_PIN_COUNT; ++pin) {
        int left = sized(ART_MARKER_LEFT[pin]) - margin;
        fill_rect(header, left, top, pad, pad, ART_PAD);
        std::string number(1, static_cast<char>('1' + pin));
        draw_text(header, number, left + pad / 2, top / 2, whole_pixels(1), ART_PIN_NUMBER);
    }
    return header;
}

Picture make_marker(ArtColour fill) {
    const int size = sized(ART_MARKER_SIZE);
    Picture marker = make_picture(size, size, fill);
    frame_rect(marker, 0, 0, size, size, sized(1), ART_MARKER_BORDER);
    return marker;
}

Picture make_line_marker(char kind, int line, ArtColour fill) {
    Picture marker = make_marker(fill);
    std::string text = {kind, static_cast<char>('0' + line)};
    draw_text(marker, text, marker.width / 2 + sized(1), marker.height / 2, whole_pixels(2), ART_LINE_TEXT);
    return marker;
}

// An empty pin hole: a ring around the centre.
Picture make_free_marker() {
    Picture marker = make_marker(ART_FREE_FILL);
    const int centre = marker.width / 2, inner = sized(4), outer = sized(6);
    for (int y = 0; y < marker.height; ++y)
        for (int x = 0; x < marker.width; ++x) {
            int distance2 = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            if (distance2 >= inner * inner && distance2 <= outer * outer) put_pixel(marker, x, y, ART_FREE_RING);
        }
    return marker;
}

Picture make_clash_marker() {
    Picture marker = make_marker(ART_CLASH_FILL);
    draw_text(marker, "!!", marker.width / 2 + sized(1), marker.height / 2, whole_pixels(3), ART_CLASH_TEXT);
    return marker;
}

void put_le(std::vector<unsigned char>& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A bottom-up 24-bit BMP with a BITMAPINFOHEADER.
std::vector<unsigned char> encode_bmp(const Picture& picture) {
    int row_size = (picture.width * 3 + 3) / 4 * 4;
    unsigned image_size = static_cast<unsigned>(row_size * picture.height);
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    put_le(out, 54 + image_size, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4);
    put_le(out, 40, 4);
    put_le(out, static_cast<unsigned>(picture.width), 4);
    put_le(out, static_cast<unsigned>(picture.height), 4);
    put_le(out, 1, 2);
    put_le(out, 24, 2);
    put_le(out, 0, 4);  // no compression
    put_le(out, image_size, 4);
    put_le(out, 2835, 4);  // 72 dots per inch
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const ArtColour& c = picture.pixels[static_cast<size_t>(y) * picture.width + x];
            out.push_back(c.blue);
            out.push_back(c.green);
            out.push_back(c.red);
        }
        for (int pad = picture.width * 3; pad < row_size; ++pad) out.push_back(0);
    }
    return out;
}

bool write_picture(const std::string& folder, const char* name, const Picture& picture) {
    std::string path = folder + "/" + name + ".qzr";
    std::vector<unsigned char> bytes = encode_bmp(picture);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_pinout_art: cannot create %s\n", path.c_str());
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written) std::fprintf(stderr, "make_pinout_art: cannot write %s\n", path.c_str());
    return written;
}

const char* const COLUMN_FILES[ART_LINE_COUNT] = {"CX5621", "CX9092", "CX5443", "CX3134",
                                                  "CX5575", "CX2526", "CX0817", "CX4498"};
const char* const ROW_FILES[ART_LINE_COUNT] = {"RX4931", "RX7672", "RX9173", "RX7484",
                                               "RX3355", "RX1606", "RX0757", "RX8588"};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::atoi(argv[2]) < 100)) {
        std::fprintf(stderr, "usage: make_pinout_art OUTPUT_FOLDER [PERCENT]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (argc == 3) scale_percent = std::atoi(argv[2]);
    bool ok = write_picture(folder, "HX3476", make_header());
    for (int line = 1; line <= ART_LINE_COUNT; ++line) {
        Picture column = make_line_marker('C', line, art_column_fill(line));
        Picture row = make_line_marker('R', line, art_row_fill(line));
        ok = write_picture(folder, COLUMN_FILES[line - 1], column) && ok;
        ok = write_picture(folder, ROW_FILES[line - 1], row) && ok;
    }
    ok = write_picture(folder, "XX0305", make_free_marker()) && ok;
    ok = write_picture(folder, "CFX981", make_clash_marker()) && ok;
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
