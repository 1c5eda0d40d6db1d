// The maker's HID library (VELMAROSN.dll), as the program calls it. Our own stand-in in
// device/simulator implements the same three functions and emulates attached units.
//
// The maker's calling convention is not documented: the program reaches these functions only
// through device/hid_call.h, whose calls work whether the library removes its arguments from
// the stack itself (stdcall) or leaves that to the caller (cdecl). They are declared stdcall
// here, and the Windows programs import them by their plain names through an import library
// made from device/VELMAROSN.def. The stand-in is built stdcall, or cdecl with VELMAROSN_CDECL,
// and exports the plain names listed in device/simulator/VELMAROSN.def.
#pragma once

#if defined(_WIN32)
#if defined(VELMAROSN_CDECL)
#define HID_CALL __cdecl
#else
#define HID_CALL __stdcall
#endif
#if defined(VELMAROSN_BUILDING)
#define HID_API
#else
#define HID_API __declspec(dllimport)
#endif
#else
#define HID_CALL
#define HID_API __attribute__((visibility("default")))
#endif

// In the 32-bit Windows program a direct call would take the library's convention for granted:
// the compiler refuses one (taking a function's address, as device/hid_call.cpp does, is fine).
#if defined(_WIN32) && defined(__i386__) && !defined(VELMAROSN_BUILDING)
#define HID_NO_DIRECT_CALL __attribute__((error("call the device library through device/hid_call.h")))
#else
#define HID_NO_DIRECT_CALL
#endif

// 20 bytes owned by the caller; the contents belong to the library.
struct HidDeviceHandle {
    unsigned char storage[20];
};

extern "C" {
// 0 when unit `unit` (1..4) is open; anything else when it is not attached.
HID_API int HID_CALL OpenHidDevice(int device_id, int output_report_size, int input_report_size,
                                   HidDeviceHandle* handle, int unit) HID_NO_DIRECT_CALL;
// Sends the 6-byte output report and stores the unit's reply (8 bytes). 0 on success;
// non-zero when the exchange failed (the unit has gone).
HID_API int HID_CALL WriteHidDevice(HidDeviceHandle* handle, unsigned char* report,
                                    unsigned char* reply) HID_NO_DIRECT_CALL;
// Ends the use of the unit; accepts a handle whose open failed.
HID_API int HID_CALL CloseHidDevice(HidDeviceHandle* handle) HID_NO_DIRECT_CALL;
}
