// Running velmaroctl inside a test, with its output captured, and reading files back.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "velmaroctl.h"

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

inline CliResult run_cli(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = run_velmaroctl(args, out, err);
    return {status, out.str(), err.str()};
}

inline std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
