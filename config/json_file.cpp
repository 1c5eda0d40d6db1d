// JSON documents from files: the bytes of the file handed to import.
#include "config/json_file.h"

#include <fstream>
#include <sstream>

#include "config/config_file.h"
#include "config/json_codec.h"
#include "config/text_encoding.h"
#include "config/ui_ops.h"

bool json_document_text(const std::string& name, const std::string& bytes, std::string& text) {
    std::string problem;
    if (json_text_from_bytes(bytes, text, problem)) return true;
    report_error_message(name + ": " + problem);
    return false;
}

bool read_document_file(const std::string& path, std::string& text) {
    if (refuse_directory(path)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        report_error_message("Error opening the file: " + path);
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    return json_document_text(path, content.str(), text);
}

bool load_json_file(const std::string& path, ConfigSnapshot& snapshot) {
    std::string text;
    return read_document_file(path, text) && import_configuration(text, path, snapshot);
}
