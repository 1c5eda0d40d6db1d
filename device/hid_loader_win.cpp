// velmaroctl.exe's device library: VELMAROSN.dll is loaded by its full path beside the
// program when a unit command first needs it, so that the file commands run without it.
// Linked into velmaroctl.exe in place of device/hid_linked.cpp (cmake/windows.cmake), whose
// two definitions it replaces; the program then imports nothing from the library.
#include <windows.h>

#include "device/hid_call.h"

namespace {
const char* const LIBRARY_NAME = "VELMAROSN.dll";
const char* const NOT_FOUND = "VELMAROSN.dll not found beside velmaroctl.exe";

HidEntryPoints loaded_library;

// The library's full path: the program's own folder and the library's name.
std::string library_path() {
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    std::string path(program, length);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1) + LIBRARY_NAME;
}

template <typename Function>
bool find_entry(HMODULE library, const char* name, Function& entry, std::string& problem) {
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (entry) return true;
    problem = std::string(LIBRARY_NAME) + " beside velmaroctl.exe does not export " + name;
    return false;
}
}  // namespace

const HidEntryPoints* hid_entry_points = nullptr;

bool load_hid_library(std::string& problem) {
    if (hid_entry_points) return true;
    const std::string path = library_path();
    HMODULE library = path.empty() ? nullptr : LoadLibraryA(path.c_str());
    if (!library) {
        problem = NOT_FOUND;
        return false;
    }
    if (!find_entry(library, "OpenHidDevice", loaded_library.open, problem) ||
        !find_entry(library, "WriteHidDevice", loaded_library.write, problem) ||
        !find_entry(library, "CloseHidDevice", loaded_library.close, problem)) {
        FreeLibrary(library);
        return false;
    }
    hid_entry_points = &loaded_library;
    return true;
}
