// A small writer of SVG text: the few elements the wiring sheet draws, every text and
// attribute XML-escaped. Lengths are in the page's user units (millimetres).
#pragma once
#include <string>

// The font of every text: monospace, so that a text's width is its character count times
// SVG_CHAR_WIDTH_EM times the font size (the faces named advance 0.6 em or a little more).
constexpr const char* SVG_FONT_FAMILY = "DejaVu Sans Mono, Liberation Mono, monospace";
constexpr double SVG_CHAR_WIDTH_EM = 0.62;

enum class TextAnchor { START, MIDDLE, END };

struct TextStyle {
    double size;
    bool bold;
    const char* fill;
    TextAnchor anchor;
};

struct Svg {
    std::string text;
};

// `text` with & < > " ' as entities; control characters and bytes that are not UTF-8 become
// "?", so that the result is always well-formed XML.
std::string xml_escaped(const std::string& text);
// The characters of a UTF-8 text (what a width estimate counts).
std::size_t character_count(const std::string& text);
// The width of a text in the sheet's font.
double text_width(const std::string& text, double size);

// A page of width x height units, `scale` millimetres each when printed.
void svg_begin(Svg& svg, double width, double height, double scale, const std::string& title);
void svg_end(Svg& svg);
void svg_group_begin(Svg& svg, const char* class_name);
void svg_group_end(Svg& svg);
// A rectangle; fill or stroke "none" leaves that out.
void svg_rect(Svg& svg, double x, double y, double width, double height, const char* fill,
              const char* stroke, double stroke_width);
void svg_text(Svg& svg, double x, double y, const TextStyle& style, const std::string& text);
