// libFuzzer target: arbitrary bytes through the import that velmaroctl import and the window's
// Import JSON share (the document's bytes read as text, then the image saved from it, a pin
// that several lines share kept), then through the saved file and back.
//
// Checked on every input: import never throws; a refusal is one line naming the document and
// never the JSON library's own text; an accepted document says at most which macros the file
// does not keep and which pin lines share; its image reopens, to the configuration import read
// when no pin is shared (import has left out the macros above the highest one a cell refers to,
// which a file does not keep); the reopened configuration exports to a document that imports to
// the same image again, byte for byte; its wiring sheet (with a piece of the input as its
// source name) is one page of escaped text.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "config/config_file.h"
#include "config/json_file.h"
#include "config/ui_ops.h"
#include "fuzz_support.h"
#include "config/config_diff.h"
#include "config/json_codec.h"
#include "sheet/wiring_sheet.h"

namespace {
constexpr const char* SOURCE = "fuzz.json";
void check(bool condition, const char* what) { fuzz_check("fuzz_import", condition, what); }

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

ConfigSnapshot accepted;  // 16 KB each: kept off the stack
ConfigSnapshot reopened;

void check_refusal() {
    check(message_count == 1, "a refusal is one message");
    check(last_message.compare(0, std::strlen(SOURCE) + 2, std::string(SOURCE) + ": ") == 0,
          "a refusal names the document");
    check(last_message.compare(std::strlen(SOURCE) + 2, 15, "[json.exception") != 0,
          "no JSON library exception text");
}

void check_reopen(const std::uint8_t image[CONFIG_IMAGE_SIZE], bool shared_pin) {
    std::uint8_t file_bytes[CONFIG_IMAGE_SIZE];
    std::memcpy(file_bytes, image, CONFIG_IMAGE_SIZE);
    scramble_config_bytes(file_bytes);
    scramble_config_bytes(file_bytes);
    check(snapshot_from_image(file_bytes, reopened), "the saved file reopens");
    check(shared_pin || compare_configurations(accepted, reopened).empty(),
          "the file reopens to the same configuration");
}

void check_export_again(const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    std::uint8_t again[CONFIG_IMAGE_SIZE];
    message_count = 0;
    check(import_image(configuration_to_json(reopened, false), SOURCE, again), "its export imports");
    check(std::memcmp(image, again, CONFIG_IMAGE_SIZE) == 0, "export and import give the same image");
}

// What an accepted document may say: the macros the file does not keep, the shared pin.
bool accepted_message(const std::string& text) {
    return contains(text, " not kept: ") || contains(text, " is used for multiple scan lines; ");
}

bool escaped_at(const std::string& svg, std::size_t at) {
    for (const char* entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (svg.compare(at, std::strlen(entity), entity) == 0) return true;
    return false;
}

// The page's width or height in millimetres, from the first attribute `name` (the svg element's).
double page_extent(const std::string& svg, const char* name) {
    const std::size_t at = svg.find(name);
    if (at == std::string::npos) return 1e9;
    const std::size_t start = at + std::strlen(name);
    const std::size_t end = svg.find("mm\"", start);
    if (end == std::string::npos || end > start + 12) return 1e9;
    return std::atof(svg.substr(start, end - start).c_str());
}

void check_sheet(const std::string& source) {
    const std::string svg = wiring_sheet_svg(reopened, {source, "2026-12-07"});
    check(page_extent(svg, " width=\"") <= 190.0 && page_extent(svg, " height=\"") <= 255.0,
          "the sheet's page fits the printable area of A4 and Letter (190 x 255 mm)");
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1))
        check(svg[at + 1] == '/' || svg[at + 1] == '?' || std::isalpha(static_cast<unsigned char>(svg[at + 1])),
              "a < starts a tag");
    for (std::size_t at = svg.find('&'); at != std::string::npos; at = svg.find('&', at + 1))
        check(escaped_at(svg, at), "an & starts an entity");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    set_ui_ops(&fuzz_ui);
    set_view_ops(&memory_view_ops);
    std::istringstream bytes(std::string(reinterpret_cast<const char*>(data), size));
    std::string text;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    message_count = 0;
    if (!read_document_stream(SOURCE, bytes, text) || !import_image(text, SOURCE, image)) {
        check_refusal();
        return 0;
    }
    check(message_count <= 2 && (message_count == 0 || accepted_message(last_message)),
          "an accepted document is silent but for the macros a file does not keep and a shared pin");
    const bool shared_pin = message_count > 0 && contains(last_message, " is used for multiple scan lines; ");
    check(import_configuration(text, SOURCE, accepted), "the document imports again");
    check_reopen(image, shared_pin);
    check_export_again(image);
    check_sheet(text.substr(0, 64));
    return 0;
}
