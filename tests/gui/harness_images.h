// Configuration images and files built by hand for the shell and device tests, byte by byte
// from the documented layout, so that they do not depend on the encoder under test.
#pragma once
#include <cstdint>
#include <vector>

#include "config/config_file.h"

// The default configuration: 5 rows, 4 columns, pins 1..9, nothing assigned.
inline std::vector<std::uint8_t> default_image() {
    std::vector<std::uint8_t> image(512, 0);
    for (int i = 0; i < 9; ++i) image[496 + i] = static_cast<std::uint8_t>(i + 1);
    image[505] = 0x4C;
    image[508] = 5;
    image[509] = 4;
    return image;
}

// A 3 x 3 matrix on pins 1-3 (columns) and 4-6 (rows), both options on, the keys A, B and C
// on the diagonal (entries 0, 4 and 8: column b, row n is entry b * 3 + n).
inline std::vector<std::uint8_t> diagonal_image() {
    std::vector<std::uint8_t> image(512, 0);
    image[1] = 0x04;
    image[9] = 0x05;
    image[17] = 0x06;
    for (int i = 0; i < 6; ++i) image[496 + i] = static_cast<std::uint8_t>(i + 1);
    image[505] = 0x4C;
    image[507] = 0x03;
    image[508] = 3;
    image[509] = 3;
    return image;
}

// The file form: every byte XOR the format's base byte XOR the low byte of (512 - i).
inline std::vector<std::uint8_t> scrambled(std::vector<std::uint8_t> image) {
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(image[i] ^ SCRAMBLE_BASE ^ ((512 - i) & 0xFF));
    return image;
}

// As a unit holds it after a complete write: the validity mark "OK" in its last two bytes.
inline std::vector<std::uint8_t> marked(std::vector<std::uint8_t> image) {
    image[510] = 0x4F;
    image[511] = 0x4B;
    return image;
}
