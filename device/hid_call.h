// How the program calls the device library: the same arguments and results as the library's
// three functions (device/hid_library.h), by calls that work whichever way the library cleans
// up its arguments. The maker does not say whether the functions remove their arguments from
// the stack (stdcall) or leave them to the caller (cdecl); in a 32-bit Windows program every
// call goes through a small wrapper that puts the stack pointer back after the call. Elsewhere
// the conventions are one and these are plain calls.
//
// The calls go to the three functions of hid_entry_points. A program linked with the library
// at load time (the utility, and every native program) has them from device/hid_linked.cpp.
// velmaroctl.exe is not linked with it, so that its file commands start on a PC without the
// library: device/hid_loader_win.cpp loads VELMAROSN.dll from beside the program when a unit
// command first needs it. Until then a unit does not open.
#pragma once

#include <string>

#include "device/hid_library.h"

struct HidEntryPoints {
    int(HID_CALL* open)(int, int, int, HidDeviceHandle*, int);
    int(HID_CALL* write)(HidDeviceHandle*, unsigned char*, unsigned char*);
    int(HID_CALL* close)(HidDeviceHandle*);
};
// The library's functions, or null while none is loaded.
extern const HidEntryPoints* hid_entry_points;

// Makes the library's functions callable; true when they are. Linked at load time they are
// already; velmaroctl.exe loads the library here, once. When it cannot, `problem` says why
// ("VELMAROSN.dll not found beside velmaroctl.exe").
bool load_hid_library(std::string& problem);

int call_open_hid_device(int device_id, int output_report_size, int input_report_size,
                         HidDeviceHandle* handle, int unit);
int call_write_hid_device(HidDeviceHandle* handle, unsigned char* report, unsigned char* reply);
int call_close_hid_device(HidDeviceHandle* handle);
