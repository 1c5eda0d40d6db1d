// JSON documents from files and streams: the bytes, within a bound, handed to import.
#include "config/json_file.h"

#include <cstdint>
#include <fstream>
#include <istream>

#include "config/config_file.h"
#include "config/json_codec.h"
#include "config/text_encoding.h"
#include "config/ui_ops.h"

namespace {
// Far above any configuration's document (an export of the largest is under 40 KB, twice that
// in UTF-16), and far below what would strain the memory of a PC: a stream without end, or a
// large file chosen by mistake, is refused after this many bytes instead of filling it.
constexpr std::size_t DOCUMENT_SIZE_LIMIT = 1024 * 1024;

bool json_document_text(const std::string& name, const std::string& bytes, std::string& text) {
    std::string problem;
    if (json_text_from_bytes(bytes, text, problem)) return true;
    report_error_message(name + ": " + problem);
    return false;
}
}  // namespace

bool read_document_stream(const std::string& name, std::istream& in, std::string& text) {
    std::string bytes(DOCUMENT_SIZE_LIMIT + 1, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        report_error_message("Error opening the file: " + name);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() <= DOCUMENT_SIZE_LIMIT) return json_document_text(name, bytes, text);
    report_error_message(name + ": The document is larger than 1 MB; no configuration's document is near that size");
    return false;
}

bool read_document_file(const std::string& path, std::string& text) {
    if (refuse_directory(path)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        report_error_message("Error opening the file: " + path);
        return false;
    }
    return read_document_stream(path, file, text);
}

bool load_json_file(const std::string& path, ConfigSnapshot& snapshot) {
    std::string text;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    return read_document_file(path, text) && import_image(text, path, image) && snapshot_from_image(image, snapshot);
}
