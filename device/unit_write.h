// Writing a configuration to a unit and reading it back to verify the write, and comparing a
// configuration with what a unit holds: the one engine of the window's Write, Write to All,
// Compare and of velmaroctl write, write --verify and write --all.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/config_snapshot.h"

// A configuration ready to be written: the configuration, its image, and what a unit gives
// back after the write (the FN table and macro records that the write does not send are not
// part of it).
struct WritePlan {
    ConfigSnapshot snapshot;
    ConfigSnapshot as_written;
    std::uint8_t image[CONFIG_IMAGE_SIZE];
};

// The plan of a configuration value; false after the engine has reported why it cannot be
// encoded (a pin clash).
bool plan_write(const ConfigSnapshot& snapshot, WritePlan& plan);
// The plan of an image already built (the editor's, by build_config_image); false when the
// engine does not take it back.
bool plan_write_of_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], WritePlan& plan);

// Reads the unit and lists, in the words of compare_configurations, how what it holds differs
// from what the write of `plan` moves ("<what>: <planned> -> <on the unit>", the other way
// round when `unit_first`): the one comparison of a configuration with a unit. Returns the
// read's result: TRANSFER_OK, a failed transfer, or TRANSFER_INVALID when the unit holds no
// configuration the engine takes.
int unit_differences(const WritePlan& plan, int unit, std::vector<std::string>& differences, bool unit_first);

// How a write (and its verify) to one unit went.
struct UnitWriteOutcome {
    int write_result;   // of the write: TRANSFER_OK or why it failed
    bool verified;      // read back after the write (only when the write went through)
    int read_result;    // of the read-back, TRANSFER_OK when not verified
    std::vector<std::string> differences;  // what the read-back found
};

// Writes the plan's image to the unit and, when `verify` is set, reads it back and compares.
// Each transfer counts as one under way (transfer_in_progress) and is followed by
// after_unit_transfer; before_verify_read runs between the write and the read-back.
UnitWriteOutcome write_unit(const WritePlan& plan, int unit, bool verify);

// The write and its verify went through with nothing different.
bool write_succeeded(const UnitWriteOutcome& outcome);

// velmaroctl's words for a unit: "written", "written and verified", "verify failed: differs
// in 2 places", or the transfer's own message.
std::string write_outcome_words(const UnitWriteOutcome& outcome, int unit);
// "1 place", "3 places".
std::string count_of_places(std::size_t count);

// The window's final message of a Write: the transfer's message, with the verify's result.
std::string write_outcome_message(const UnitWriteOutcome& outcome, int unit);
// The window's line for a unit in the report of Write to All:
// "VELMARO (2), serial 1234: written, verified".
std::string write_outcome_line(const UnitWriteOutcome& outcome, int unit);

// Called after each transfer of write_unit (velmaroctl ends its progress line there), and
// between the write and the read-back of a verify (tests change the unit there).
extern void (*after_unit_transfer)();
extern void (*before_verify_read)(int unit);
