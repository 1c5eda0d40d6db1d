// SVG text for the wiring sheet: elements with numbers to a hundredth of a millimetre.
#include "sheet/svg_writer.h"

#include <cstdio>

namespace {
std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The length of the UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t utf8_sequence(const std::string& text, std::size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return length;
}

const char* anchor_name(TextAnchor anchor) {
    switch (anchor) {
    case TextAnchor::MIDDLE: return "middle";
    case TextAnchor::END: return "end";
    case TextAnchor::START: break;
    }
    return "start";
}
}  // namespace

std::string xml_escaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8_sequence(text, i);
            out += length ? text.substr(i, length) : "?";
            i += length ? length - 1 : 0;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c < 0x20 ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

std::size_t character_count(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++count) {
        const std::size_t length = static_cast<unsigned char>(text[i]) >= 0x80 ? utf8_sequence(text, i) : 0;
        i += length ? length - 1 : 0;  // a byte that starts no sequence shows as one "?"
    }
    return count;
}

double text_width(const std::string& text, double size) {
    return static_cast<double>(character_count(text)) * size * SVG_CHAR_WIDTH_EM;
}

void svg_begin(Svg& svg, double width, double height, double scale, const std::string& title) {
    svg.text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg.text += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + number(width * scale) +
                "mm\" height=\"" + number(height * scale) + "mm\" viewBox=\"0 0 " + number(width) + " " +
                number(height) + "\">\n";
    svg.text += "<title>" + xml_escaped(title) + "</title>\n";
    svg.text += "<rect x=\"0\" y=\"0\" width=\"" + number(width) + "\" height=\"" + number(height) +
                "\" fill=\"#ffffff\"/>\n";
}

void svg_end(Svg& svg) { svg.text += "</svg>\n"; }

void svg_group_begin(Svg& svg, const char* class_name) {
    svg.text += "<g class=\"" + xml_escaped(class_name) + "\">\n";
}

void svg_group_end(Svg& svg) { svg.text += "</g>\n"; }

void svg_rect(Svg& svg, double x, double y, double width, double height, const char* fill,
              const char* stroke, double stroke_width) {
    svg.text += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) +
                "\" height=\"" + number(height) + "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\"";
    if (std::string(stroke) != "none") svg.text += " stroke-width=\"" + number(stroke_width) + "\"";
    svg.text += "/>\n";
}

void svg_text(Svg& svg, double x, double y, const TextStyle& style, const std::string& text) {
    svg.text += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-family=\"" + SVG_FONT_FAMILY +
                "\" font-size=\"" + number(style.size) + "\" fill=\"" + style.fill + "\" text-anchor=\"" +
                anchor_name(style.anchor) + "\"" + (style.bold ? " font-weight=\"bold\"" : "") +
                " xml:space=\"preserve\">" + xml_escaped(text) + "</text>\n";
}
