// Reading a JSON document's bytes as UTF-8 text: the byte-order marks, UTF-16 of both byte
// orders turned into UTF-8 (surrogate pairs included), and a message for everything else.
#include "config/text_encoding.h"

#include <cstddef>
#include <cstdint>

namespace {

bool starts_with(const std::string& bytes, const char* mark, std::size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

unsigned char byte_at(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

void append_utf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at `at`, 0 when it is not one (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t utf8_sequence_length(const std::string& bytes, std::size_t at) {
    const unsigned char lead = byte_at(bytes, at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead == 0xE0) length = 3, low = 0xA0;
    else if (lead == 0xED) length = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF) length = 3;
    else if (lead == 0xF0) length = 4, low = 0x90;
    else if (lead == 0xF4) length = 4, high = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
    else return 0;
    if (at + length > bytes.size()) return 0;
    const unsigned char second = byte_at(bytes, at + 1);
    if (second < low || second > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte_at(bytes, at + i) & 0xC0) != 0x80) return 0;
    return length;
}

// Checks the UTF-8 text from `start` on; offsets in the message count from the file's start.
bool read_utf8(const std::string& bytes, std::size_t start, std::string& utf8, std::string& problem) {
    for (std::size_t at = start; at < bytes.size();) {
        const std::size_t length = utf8_sequence_length(bytes, at);
        if (length == 0) {
            problem = "The document is not UTF-8 text (bad byte sequence at offset " + std::to_string(at) + ")";
            return false;
        }
        at += length;
    }
    utf8 = bytes.substr(start);
    return true;
}

std::uint32_t utf16_unit(const std::string& bytes, std::size_t at, bool big_endian) {
    const std::uint32_t first = byte_at(bytes, at), second = byte_at(bytes, at + 1);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
}

// UTF-16 after its two-byte mark, into UTF-8.
bool read_utf16(const std::string& bytes, bool big_endian, std::string& utf8, std::string& problem) {
    const std::string name = big_endian ? "UTF-16 (big-endian)" : "UTF-16 (little-endian)";
    if (bytes.size() % 2 != 0) {
        problem = "The " + name + " document ends in the middle of a character";
        return false;
    }
    std::string out;
    for (std::size_t at = 2; at < bytes.size(); at += 2) {
        std::uint32_t code = utf16_unit(bytes, at, big_endian);
        const bool high = code >= 0xD800 && code <= 0xDBFF, low = code >= 0xDC00 && code <= 0xDFFF;
        const bool paired = high && at + 4 <= bytes.size() && (utf16_unit(bytes, at + 2, big_endian) & 0xFC00) == 0xDC00;
        if (low || (high && !paired)) {
            problem = "The " + name + " document holds a lone surrogate at offset " + std::to_string(at);
            return false;
        }
        if (high) {
            at += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16_unit(bytes, at, big_endian) - 0xDC00);
        }
        append_utf8(code, out);
    }
    utf8 = out;
    return true;
}

// The encodings told apart by their zero bytes, the way JSON's first two characters show
// them when there is no mark (both are ASCII).
const char* unmarked_wide_encoding(const std::string& bytes) {
    if (bytes.size() < 2) return nullptr;
    const bool zero[4] = {bytes[0] == '\0', bytes[1] == '\0', bytes.size() > 2 && bytes[2] == '\0',
                          bytes.size() > 3 && bytes[3] == '\0'};
    if (bytes.size() >= 4 && zero[0] && zero[1] && zero[2] && !zero[3]) return "UTF-32 (big-endian)";
    if (bytes.size() >= 4 && !zero[0] && zero[1] && zero[2] && zero[3]) return "UTF-32 (little-endian)";
    if (zero[0] && !zero[1]) return "UTF-16 (big-endian)";
    if (!zero[0] && zero[1]) return "UTF-16 (little-endian)";
    return nullptr;
}

}  // namespace

bool json_text_from_bytes(const std::string& bytes, std::string& utf8, std::string& problem) {
    utf8.clear();
    problem.clear();
    if (starts_with(bytes, "\xFF\xFE\0\0", 4) || starts_with(bytes, "\0\0\xFE\xFF", 4)) {
        problem = "The document is UTF-32, which is not read: save it as UTF-8";
        return false;
    }
    if (starts_with(bytes, "\xEF\xBB\xBF", 3)) return read_utf8(bytes, 3, utf8, problem);
    if (starts_with(bytes, "\xFF\xFE", 2)) return read_utf16(bytes, false, utf8, problem);
    if (starts_with(bytes, "\xFE\xFF", 2)) return read_utf16(bytes, true, utf8, problem);
    if (const char* wide = unmarked_wide_encoding(bytes)) {
        problem = std::string("The document is ") + wide + " without a byte-order mark";
        return false;
    }
    return read_utf8(bytes, 0, utf8, problem);
}
