// The device library linked at load time: the utility's and every native program's entry
// points into it (velmaroctl.exe loads the library instead, device/hid_loader_win.cpp).
#include "device/hid_call.h"

namespace {
const HidEntryPoints linked_library = {&OpenHidDevice, &WriteHidDevice, &CloseHidDevice};
}  // namespace

const HidEntryPoints* hid_entry_points = &linked_library;

bool load_hid_library(std::string&) { return true; }
