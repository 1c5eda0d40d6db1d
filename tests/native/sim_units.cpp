#include "sim_units.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}
}  // namespace

SimUnits::SimUnits() {
    std::string pattern = (fs::temp_directory_path() / "velmaro-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
    folder_ = pattern;
    setenv("VELMARO_SIM_DIR", folder_.c_str(), 1);
}

SimUnits::~SimUnits() {
    unsetenv("VELMARO_SIM_DIR");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string SimUnits::unit_folder(int unit) const {
    return folder_ + "/unit" + std::to_string(unit);
}

void SimUnits::add_unit(int unit, const std::string& serial_hex, const Bytes& image) {
    fs::create_directories(unit_folder(unit));
    write_file(unit_folder(unit) + "/serial", serial_hex + "\n");
    set_image(unit, image.empty() ? Bytes(512, 0) : image);
}

Bytes SimUnits::image(int unit) const {
    std::ifstream in(unit_folder(unit) + "/image.bin", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SimUnits::set_image(int unit, const Bytes& image) {
    write_file(unit_folder(unit) + "/image.bin", std::string(image.begin(), image.end()));
}

std::vector<std::string> SimUnits::log(int unit) const {
    std::ifstream in(unit_folder(unit) + "/exchanges.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void SimUnits::clear_log(int unit) {
    std::error_code ignored;
    fs::remove(unit_folder(unit) + "/exchanges.log", ignored);
}

void SimUnits::unplug(int unit) { write_file(unit_folder(unit) + "/unplugged", ""); }

void SimUnits::plug(int unit) {
    std::error_code ignored;
    for (const char* name : {"/unplugged", "/fail_after", "/exchange_count"})
        fs::remove(unit_folder(unit) + name, ignored);
}

void SimUnits::fail_after(int unit, int exchanges) {
    std::error_code ignored;
    fs::remove(unit_folder(unit) + "/exchange_count", ignored);
    write_file(unit_folder(unit) + "/fail_after", std::to_string(exchanges) + "\n");
}

Bytes sim_basic_image(int rows, int columns) {
    Bytes image(512, 0);
    for (int i = 0; i < rows + columns && i < 9; ++i) image[496 + i] = static_cast<std::uint8_t>(i + 1);
    image[505] = 0x4C;
    image[508] = static_cast<std::uint8_t>(rows);
    image[509] = static_cast<std::uint8_t>(columns);
    return image;
}
