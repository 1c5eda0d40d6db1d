// velmaroctl's device commands: units, write (with --verify), read, and units as diff sources.
#pragma once
#include <string>

#include "config_snapshot.h"
#include "device/device_protocol.h"

// One line for the terminal from a progress text of the transfers ("Writing configuration -
// 46%\nWriting data - 0%"): a bar for the phase under way, then both percentages.
std::string progress_line(const std::string& progress_text);

// Installs the transfers' front end: progress lines on the error stream when `terminal` is set,
// nothing otherwise; no messages to pump; waits sleep.
void install_cli_transfer_ui(bool terminal);

// Finds the attached units the way the utility does (unit 2, then 1, then 3 and 4), sets
// unit_count and unit_serial, and notes which units opened. Unit 1's serial number is read
// only when several units are attached. Returns unit_count.
int enumerate_cli_units(bool present[MAX_UNITS + 1]);

// Loads the device library where it is not linked (velmaroctl.exe); false, after saying
// "VELMAROSN.dll not found beside velmaroctl.exe", when it is not there.
bool unit_library_ready();

// Reads the serial number of a unit into unit_serial; false when the unit does not open.
bool read_unit_serial(int unit);

// The message for a transfer result other than TRANSFER_OK.
std::string transfer_error_text(int result, int unit, bool writing);

// Reads and decodes the configuration of a unit; on failure reports and returns false.
bool load_unit_configuration(int unit, ConfigSnapshot& snapshot);

// The commands; each returns the exit status.
int run_units_command();
// write --verify and diff exit 0 equal, 1 different, 2 not compared; --all writes to every
// attached unit in turn, one line each.
int run_write_command(const std::string& file, int unit, bool verify, bool all);
int run_read_command(const std::string& output, int unit);

// Called by write --verify between the write and the read-back (tests change the unit here).
extern void (*before_verify_read)(int unit);
