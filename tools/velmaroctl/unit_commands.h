// velmaroctl's device commands: units, write (with --verify), read, and units as diff sources.
#pragma once
#include <string>

#include "config/config_snapshot.h"
#include "device/device_protocol.h"
#include "device/unit_listing.h"
#include "device/unit_write.h"

// One line for the terminal from a progress text of the transfers ("Writing configuration -
// 46%\nWriting data - 0%"): a bar for the phase under way, then both percentages.
std::string progress_line(const std::string& progress_text);

// Installs the transfers' front end: progress lines on the error stream when `terminal` is set,
// nothing otherwise; no messages to pump; waits sleep.
void install_cli_transfer_ui(bool terminal);

// Loads the device library where it is not linked (velmaroctl.exe); false, after saying
// "VELMAROSN.dll not found beside velmaroctl.exe", when it is not there.
bool unit_library_ready();

// Reads and decodes the configuration of a unit; on failure reports and returns false.
bool load_unit_configuration(int unit, ConfigSnapshot& snapshot);

// The commands; each returns the exit status.
int run_units_command();
// write --verify and diff exit 0 equal, 1 different, 2 not compared; --all writes to every
// attached unit in turn, one line each.
int run_write_command(const std::string& file, int unit, bool verify, bool all);
int run_read_command(const std::string& output, int unit);
// diff of a configuration and a unit: what a write of the configuration moves against what the
// unit holds, as the utility's Compare with VELMARO compares them; the lines read
// "<configuration> -> <unit>", or the other way round when `unit_first`.
int run_unit_diff(const ConfigSnapshot& configuration, int unit, bool unit_first);

// before_verify_read (device/unit_write.h) runs between the write and the read-back of
// write --verify (tests change the unit there).
