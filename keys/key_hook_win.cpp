// The low-level keyboard hook that takes every key while the key tester is in front or the
// macro recorder records: no accelerator, menu, dialog navigation or Start menu sees them. It
// names each key by its scan code and extended flag and times it with the performance counter
// when it arrives (tick counts move in steps of about 16 ms).
#include "keys/key_dialogs.h"
#include "keys/key_identity.h"

namespace {

HHOOK keyboard_hook;
KeyEventHandler key_handler;

long long counter_now_us() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const long long ticks = now.QuadPart;
    const long long per_second = frequency.QuadPart;
    return ticks / per_second * 1000000 + ticks % per_second * 1000000 / per_second;
}

// A sender that gives only the virtual key leaves the scan code 0: take the key's own one.
int scan_code_of(const KBDLLHOOKSTRUCT& info) {
    if (info.scanCode != 0) return static_cast<int>(info.scanCode & 0xFF);
    return static_cast<int>(MapVirtualKeyA(info.vkCode, MAPVK_VK_TO_VSC) & 0xFF);
}

LRESULT CALLBACK low_level_keyboard_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code != HC_ACTION || key_handler == nullptr) return CallNextHookEx(keyboard_hook, code, wparam, lparam);
    const long long now = counter_now_us();
    const KBDLLHOOKSTRUCT& info = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    const bool down = wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN;
    const bool extended = (info.flags & LLKHF_EXTENDED) != 0;
    key_handler(key_number_of_scan(scan_code_of(info), extended), down, now);
    return 1;  // swallowed
}

}  // namespace

bool install_key_hook(KeyEventHandler handler) {
    key_handler = handler;
    if (keyboard_hook == nullptr)
        keyboard_hook = SetWindowsHookExA(WH_KEYBOARD_LL, low_level_keyboard_proc, GetModuleHandleA(nullptr), 0);
    return keyboard_hook != nullptr;
}

void remove_key_hook() {
    if (keyboard_hook != nullptr) UnhookWindowsHookEx(keyboard_hook);
    keyboard_hook = nullptr;
    key_handler = nullptr;
}

bool key_hook_installed() { return keyboard_hook != nullptr; }
