// The JSON form of a configuration (format "velmaro-config", version 1).
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "config/config_image.h"

#include "config/config_snapshot.h"

// What is wrong with a JSON document, as one line for the user.
struct JsonInputError : std::runtime_error {
    explicit JsonInputError(const std::string& text) : std::runtime_error(text) {}
};

// The document for a configuration: key codes and steps in the readable notation, or as
// numbers when `numeric` is set (also for the odd codes that the notation cannot express).
std::string configuration_to_json(const ConfigSnapshot& snapshot, bool numeric);

// Reads a document into `snapshot` (which starts as the default configuration). Accepts
// names and numbers everywhere. Throws JsonInputError naming the first problem found.
void configuration_from_json(const std::string& text, ConfigSnapshot& snapshot);

// Import's whole check of a document: configuration_from_json, then the macro memory budget
// (by the engine's count). `snapshot` starts as the default configuration. On a problem
// reports it as "<source>: <problem>" and returns false.
bool import_configuration(const std::string& text, const std::string& source, ConfigSnapshot& snapshot);

// What import saves from a document: import_configuration's checks, then the image as the
// engine builds it, except that a pin that several scan lines share is kept (so that a backup
// of a unit that holds one comes back) and named in one line, "<source>: Pin 3 is used for
// multiple scan lines; ...". On a problem reports it and returns false.
bool import_image(const std::string& text, const std::string& source, std::uint8_t image[CONFIG_IMAGE_SIZE]);
