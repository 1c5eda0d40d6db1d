// Which units are attached and their serial numbers, for the window's Read and Write and for
// velmaroctl, and the words that report how a transfer ended.
#pragma once
#include <string>
#include <vector>

#include "device/device_protocol.h"

// Opens a unit; false when it does not open (the handle is then cleared).
bool open_unit(HidDeviceHandle* handle, int unit);
// Reads the serial number of an open unit into unit_serial and closes it.
void read_serial_and_close(HidDeviceHandle* handle, int unit);
// Opens a unit, reads its serial number into unit_serial, closes it; false when it does not open.
bool read_unit_serial(int unit);

// The utility's own search, once unit 2 has opened on `handle`: the serial numbers of unit 2,
// then 1, 3 and 4, stopping at the first of 3 and 4 that does not open. A unit 1 that does not
// open keeps the serial number 0 (Read and Write still offer it). Sets unit_count and notes
// in `opened` which units opened.
void search_units_after_unit_2(HidDeviceHandle* handle, bool opened[MAX_UNITS + 1]);
// The whole search, unit 2 first: unit_count stays 1 when unit 2 does not open (unit 1 is not
// opened then). Returns unit_count.
int search_units(bool opened[MAX_UNITS + 1]);

// Every unit that opens, looking at all four unit numbers, in number order, with its serial
// number read (units and writing to every unit).
std::vector<int> list_attached_units();

// "Unit #2  SN- 123456": how a unit is named in the selection dialogs and in listings.
std::string unit_label(int unit);

// The message that reports a transfer: the success text, or what went wrong.
std::string transfer_result_text(int result, int unit, bool writing);
