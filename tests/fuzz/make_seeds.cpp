// Writes the seed corpus of the image fuzzer: scrambled images of a few typical models and
// a few short files.
#include <cstdio>
#include <cstring>
#include <string>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_model.h"
#include "keys/key_codes.h"

namespace {
bool write_seed(const std::string& folder, const char* name, const std::uint8_t* bytes, std::size_t size) {
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

bool write_model(const std::string& folder, const char* name) {
    std::uint8_t image[CONFIG_IMAGE_SIZE];
    if (!build_config_image(image)) return false;
    scramble_config_bytes(image);
    return write_seed(folder, name, image, sizeof image);
}

void set_steps(int slot, int first_step, int steps, int break_steps) {
    MacroSlot& macro = config_model.macro_slots[slot];
    macro.in_use = 1;
    for (int i = 0; i < steps; ++i) macro.make_steps[i] = i % 4 == 3 ? (i << 8 | KEY_DELAY) : first_step + i;
    for (int i = 0; i < break_steps; ++i) macro.break_steps[i] = KEY_FLAG_BREAK | (first_step + i);
}

// Macros filling the macro area, referred to from both tables, in a 7 x 2 matrix.
void load_macro_model() {
    load_default_configuration();
    view->select_row_count(7);
    view->select_column_count(2);
    const int columns[] = {8, 0}, rows[] = {3, 1, 7, 2, 6, 4, 5};
    std::memcpy(config_model.column_pins, columns, sizeof columns);
    std::memcpy(config_model.row_pins, rows, sizeof rows);
    for (int slot = 0; slot < 12; ++slot) set_steps(slot, 4 + slot, 16, 8);
    config_model.key_table[cell_index(6, 1)] = KEY_FLAG_MACRO | 12;
    config_model.fn_key_table[cell_index(0, 0)] = KEY_FLAG_MACRO | KEY_FLAG_REPEAT | 3;
    config_model.key_table[cell_index(2, 0)] = KEY_FN;
    view->set_single_key_checked(true);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    load_default_configuration();
    ok = write_model(folder, "default") && ok;
    view->select_row_count(8);
    view->select_column_count(1);
    for (int i = 0; i < 8; ++i) config_model.row_pins[i] = 8 - i;  // column 1 keeps pin 1
    for (int c = 0; c < KEY_TABLE_SIZE; ++c) config_model.key_table[c] = KEY_FLAG_REPEAT | (4 + c);
    ok = write_model(folder, "eight_by_one") && ok;
    load_macro_model();
    ok = write_model(folder, "macros") && ok;
    const std::uint8_t short_file[3] = {1, 2, 3};
    ok = write_seed(folder, "short", short_file, sizeof short_file) && ok;
    ok = write_seed(folder, "empty", short_file, 0) && ok;
    return ok ? 0 : 1;
}
