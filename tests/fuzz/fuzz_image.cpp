// libFuzzer target: arbitrary file contents (any length) through unscrambling and parse,
// then build over every model that parse accepted.
//
// Checked on every input: a rejected image changes nothing; an accepted one gives a model
// in range; build of it fails only on a repeated pin (with the pin message and a zeroed
// buffer), otherwise its image parses again, rebuilds to the same bytes and keeps the
// settings bytes from 496 on intact; key names stay within their buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "config/ui_ops.h"
#include "fuzz_support.h"
#include "keys/key_names.h"
#include "test_config_helpers.h"

namespace {
void check(bool condition, const char* what) { fuzz_check("fuzz_image", condition, what); }


bool pin_list_repeats(const std::uint8_t* image) {
    const int lines = image[IMAGE_ROWS] + image[IMAGE_COLUMNS];
    for (int i = 0; i < lines; ++i)
        for (int j = i + 1; j < lines; ++j)
            if (image[IMAGE_PIN_LIST + i] == image[IMAGE_PIN_LIST + j]) return true;
    return false;
}

void check_model_in_range() {
    const int rows = view->row_count(), columns = view->column_count();
    check(rows >= 1 && rows <= 8 && columns >= 1 && columns <= 8 && rows + columns <= 9, "counts");
    for (int i = 0; i < columns; ++i)
        check(config_model.column_pins[i] >= 0 && config_model.column_pins[i] <= 8, "column pin");
    for (int i = 0; i < rows; ++i)
        check(config_model.row_pins[i] >= 0 && config_model.row_pins[i] <= 8, "row pin");
    check(!fn_view_active, "FN view cleared");
}

// The bytes from 496 on say exactly what the parsed image said.
void check_settings_bytes(const std::uint8_t* source, const std::uint8_t* built) {
    const int lines = source[IMAGE_ROWS] + source[IMAGE_COLUMNS];
    for (int i = 0; i < 9; ++i)
        check(built[IMAGE_PIN_LIST + i] == (i < lines ? source[IMAGE_PIN_LIST + i] : 0), "pin list");
    check(built[IMAGE_FORMAT_MARK_AT] == IMAGE_FORMAT_MARK && built[506] == 0, "format mark");
    check(built[IMAGE_OPTIONS] == (source[IMAGE_OPTIONS] & 3), "options");
    check(built[IMAGE_ROWS] == source[IMAGE_ROWS] && built[IMAGE_COLUMNS] == source[IMAGE_COLUMNS], "counts");
    check(built[IMAGE_VALID_MARK] == 0 && built[IMAGE_VALID_MARK + 1] == 0, "validity mark");
}

void check_build(const std::uint8_t* source) {
    std::uint8_t built[CONFIG_IMAGE_SIZE];
    std::memset(built, 0xEE, sizeof built);
    message_count = 0;
    const bool ok = build_config_image(built);
    if (!ok) {
        check(pin_list_repeats(source), "build failed on a parsed model without a repeated pin");
        check(message_count == 1 && last_message.find("is used for multiple scan lines") != std::string::npos,
              "pin message");
        for (std::uint8_t b : built) check(b == 0, "failed build zeroes the image");
        return;
    }
    check(message_count == 0, "successful build is silent");
    check_settings_bytes(source, built);
    check(parse_config_image(built), "a built image parses");
    std::uint8_t again[CONFIG_IMAGE_SIZE];
    check(build_config_image(again), "a reparsed model builds");
    check(std::memcmp(built, again, sizeof built) == 0, "build is stable after one parse");
}

void check_key_names(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size && i < 8; i += 2) {
        const int code = data[i] << 8 | data[i + 1];
        std::unique_ptr<char[]> buffer(new char[KEY_NAME_MAX + 1]);
        buffer[0] = '\0';
        format_key_name(code, data[i] & 1, buffer.get());
        check(std::strlen(buffer.get()) <= static_cast<std::size_t>(KEY_NAME_MAX), "name length");
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    set_ui_ops(&fuzz_ui);
    set_view_ops(&memory_view_ops);

    std::uint8_t image[CONFIG_IMAGE_SIZE] = {};
    std::memcpy(image, data, size < sizeof image ? size : sizeof image);
    std::uint8_t copy[CONFIG_IMAGE_SIZE];
    std::memcpy(copy, image, sizeof image);
    scramble_config_bytes(copy);
    scramble_config_bytes(copy);
    check(std::memcmp(copy, image, sizeof image) == 0, "scrambling twice gives the bytes back");
    scramble_config_bytes(image);

    const EngineSnapshot before = EngineSnapshot::take();
    message_count = 0;
    const bool parsed = parse_config_image(image);
    check(message_count == 0, "parse shows nothing");
    if (!parsed) {
        check(before.unchanged(), "a rejected image changed the model");
    } else {
        check_model_in_range();
        check_build(image);
    }
    check_key_names(data, size);
    return 0;
}
