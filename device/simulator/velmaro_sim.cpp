// Placeholder until the emulated units land: no unit is attached.
#include "device/hid_library.h"
extern "C" {
HID_API int HID_CALL OpenHidDevice(int, int, int, HidDeviceHandle*, int) { return 1; }
HID_API int HID_CALL WriteHidDevice(HidDeviceHandle*, unsigned char*, unsigned char*) { return 1; }
HID_API int HID_CALL CloseHidDevice(HidDeviceHandle*) { return 0; }
}
