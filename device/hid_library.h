// The maker's HID library (VELMAROSN.dll), as the program calls it. Our own stand-in in
// device/simulator implements the same three functions and emulates attached units.
#pragma once

#if defined(_WIN32)
#define HID_CALL __stdcall
#if defined(VELMAROSN_BUILDING)
#define HID_API __declspec(dllexport)
#else
#define HID_API __declspec(dllimport)
#endif
#else
#define HID_CALL
#define HID_API __attribute__((visibility("default")))
#endif

// 20 bytes owned by the caller; the contents belong to the library.
struct HidDeviceHandle {
    unsigned char storage[20];
};

extern "C" {
// 0 when unit `unit` (1..4) is open; anything else when it is not attached.
HID_API int HID_CALL OpenHidDevice(int device_id, int output_report_size, int input_report_size,
                                   HidDeviceHandle* handle, int unit);
// Sends the 6-byte output report and stores the unit's reply (8 bytes). 0 on success;
// non-zero when the exchange failed (the unit has gone).
HID_API int HID_CALL WriteHidDevice(HidDeviceHandle* handle, unsigned char* report,
                                    unsigned char* reply);
// Ends the use of the unit; accepts a handle whose open failed.
HID_API int HID_CALL CloseHidDevice(HidDeviceHandle* handle);
}
