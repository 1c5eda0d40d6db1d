// Configuration files: the image scrambled, exactly 512 bytes.
#pragma once
#include <cstdint>
#include <string>
#include "config/config_image.h"
#include "config/config_snapshot.h"

// One byte of the file format, fixed forever: stored files depend on it.
constexpr std::uint8_t SCRAMBLE_BASE = 0xA7;

// XORs every byte with SCRAMBLE_BASE and the low byte of (512 - i). Its own inverse.
void scramble_config_bytes(std::uint8_t bytes[CONFIG_IMAGE_SIZE]);

// Save and Open, as the File menu runs them.
bool save_configuration_file();
void open_configuration_file();
// Opens the configuration file `path` as Open does once its dialog has returned (no question,
// no dialog; the caller asks first when changes would be lost): Open's messages when it does
// not read or parse, and then the model and the file name stay as they were.
bool open_configuration_path(const char* path);

// Writes `size` bytes to `path` through a temporary file in the same folder that then
// replaces the target; the old file survives any failure. Returns false on failure.
bool write_file_atomically(const std::string& path, const std::uint8_t* bytes, std::size_t size);

enum class FileReadResult { OK, CANNOT_OPEN, TOO_SHORT };
// Reads the first 512 bytes of a configuration file and unscrambles them.
FileReadResult read_config_file(const std::string& path, std::uint8_t image[CONFIG_IMAGE_SIZE]);

// Configuration values as files (velmaroctl and the tools), with their messages.
// A directory given where a file is read: reports it and returns true.
bool refuse_directory(const std::string& path);
// Reads and decodes a configuration file; on failure reports the problem and returns false.
bool load_config_file(const std::string& path, ConfigSnapshot& snapshot);
// Encodes and saves a configuration file atomically; on failure reports and returns false,
// and the file is left as it was.
bool save_config_file(const std::string& path, const ConfigSnapshot& snapshot);
// Scrambles an image and saves it atomically; reports and returns false on failure.
bool save_image_file(const std::string& path, const std::uint8_t image[CONFIG_IMAGE_SIZE]);
