// How the program calls the device library: the same arguments and results as the library's
// three functions (device/hid_library.h), by calls that work whichever way the library cleans
// up its arguments. The maker does not say whether the functions remove their arguments from
// the stack (stdcall) or leave them to the caller (cdecl); in a 32-bit Windows program every
// call goes through a small wrapper that puts the stack pointer back after the call. Elsewhere
// the conventions are one and these are plain calls.
#pragma once

#include "device/hid_library.h"

int call_open_hid_device(int device_id, int output_report_size, int input_report_size,
                         HidDeviceHandle* handle, int unit);
int call_write_hid_device(HidDeviceHandle* handle, unsigned char* report, unsigned char* reply);
int call_close_hid_device(HidDeviceHandle* handle);
