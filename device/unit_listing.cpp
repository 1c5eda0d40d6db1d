// Finding the attached units and reading their serial numbers, and the transfer messages.
#include "device/unit_listing.h"

#include <cstdio>

#include "device/hid_call.h"

bool open_unit(HidDeviceHandle* handle, int unit) {
    *handle = HidDeviceHandle();
    return call_open_hid_device(DEVICE_ID, HID_REPORT_SIZE, HID_REPORT_SIZE, handle, unit) == 0;
}

void read_serial_and_close(HidDeviceHandle* handle, int unit) {
    unit_serial[unit] = device_read_serial(handle);
    call_close_hid_device(handle);
}

bool read_unit_serial(int unit) {
    HidDeviceHandle handle;
    if (!open_unit(&handle, unit)) return false;
    read_serial_and_close(&handle, unit);
    return true;
}

void search_units_after_unit_2(HidDeviceHandle* handle, bool opened[MAX_UNITS + 1]) {
    unit_count = 2;
    opened[2] = true;
    read_serial_and_close(handle, 2);
    opened[1] = read_unit_serial(1);
    if (!opened[1]) unit_serial[1] = 0;
    for (int unit = 3; unit <= MAX_UNITS; ++unit) {
        if (!read_unit_serial(unit)) return;
        opened[unit] = true;
        unit_count = unit;
    }
}

int search_units(bool opened[MAX_UNITS + 1]) {
    unit_count = 1;
    HidDeviceHandle handle;
    if (open_unit(&handle, 2)) search_units_after_unit_2(&handle, opened);
    return unit_count;
}

std::vector<int> list_attached_units() {
    std::vector<int> units;
    for (int unit = 1; unit <= MAX_UNITS; ++unit)
        if (read_unit_serial(unit)) units.push_back(unit);
    return units;
}

std::string unit_label(int unit) {
    char text[48];
    std::snprintf(text, sizeof text, "Unit #%d  SN- %d", unit,
                  unit >= 1 && unit <= MAX_UNITS ? unit_serial[unit] : 0);
    return text;
}

std::string transfer_result_text(int result, int unit, bool writing) {
    const char* format = "Unknown error (%d)";
    int value = result;
    switch (result) {
    case TRANSFER_OK:
        return writing ? "The configuration was successfully saved to the VELMARO"
                       : "The configuration was successfully read from the VELMARO";
    case TRANSFER_NOT_FOUND:
        format = "The VELMARO (%d) was not found";
        value = unit;
        break;
    case TRANSFER_FAILED:
        format = writing ? "Error while writing to the VELMARO (%d)" : "Error while reading from the VELMARO (%d)";
        value = unit;
        break;
    case TRANSFER_INVALID:
        if (!writing) return "Invalid configuration";
        break;
    }
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
