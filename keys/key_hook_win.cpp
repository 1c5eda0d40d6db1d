// The low-level keyboard hook that takes every key while the key tester or the macro recorder
// is the active window: no accelerator, menu, dialog navigation or Start menu sees them. The
// hook procedure only stamps each event with the performance counter as it enters, keeps it
// in a ring and posts its place there to the window that installed the hook; naming the key and
// everything else happens when that window takes the message. Windows runs low-level hook
// procedures one at a time and removes one that takes too long, and a key stamped after a
// redraw would be timed late.
#include "keys/key_dialogs.h"
#include "keys/key_identity.h"

namespace {

// The events not yet taken; the message carries an event's sequence number.
struct RingEvent {
    unsigned sequence;
    DWORD virtual_key;
    DWORD scan_code;
    DWORD flags;
    bool down;
    long long time_us;
};
constexpr unsigned RING_SIZE = 256;
RingEvent ring[RING_SIZE];
unsigned next_sequence = 1;

HHOOK keyboard_hook;
HWND hook_window;

long long counter_now_us() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const long long ticks = now.QuadPart;
    const long long per_second = frequency.QuadPart;
    return ticks / per_second * 1000000 + ticks % per_second * 1000000 / per_second;
}

LRESULT CALLBACK low_level_keyboard_proc(int code, WPARAM wparam, LPARAM lparam) {
    const long long now = counter_now_us();
    if (code != HC_ACTION || hook_window == nullptr) return CallNextHookEx(keyboard_hook, code, wparam, lparam);
    const KBDLLHOOKSTRUCT& info = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    const unsigned sequence = next_sequence++;
    ring[sequence % RING_SIZE] = {sequence, info.vkCode, info.scanCode, info.flags,
                                  wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN, now};
    PostMessageA(hook_window, WM_HOOKED_KEY, sequence, 0);
    return 1;  // swallowed
}

// A sender that gives only the virtual key leaves the scan code 0: take the key's own one.
int scan_code_of(const RingEvent& event) {
    if (event.scan_code != 0) return static_cast<int>(event.scan_code & 0xFF);
    return static_cast<int>(MapVirtualKeyA(event.virtual_key, MAPVK_VK_TO_VSC) & 0xFF);
}

}  // namespace

bool install_key_hook(HWND window) {
    remove_key_hook();  // a hook that Windows removed is replaced too
    keyboard_hook = SetWindowsHookExA(WH_KEYBOARD_LL, low_level_keyboard_proc, GetModuleHandleA(nullptr), 0);
    if (keyboard_hook != nullptr) hook_window = window;
    return keyboard_hook != nullptr;
}

void remove_key_hook() {
    if (keyboard_hook != nullptr) UnhookWindowsHookEx(keyboard_hook);
    keyboard_hook = nullptr;
    hook_window = nullptr;
}

bool key_hook_installed() { return keyboard_hook != nullptr; }

long long key_hook_now_us() { return counter_now_us(); }

bool take_hooked_key(WPARAM wparam, HookedKey* key) {
    const RingEvent& event = ring[static_cast<unsigned>(wparam) % RING_SIZE];
    if (event.sequence != static_cast<unsigned>(wparam)) return false;  // overwritten: the ring ran over
    key->key_number = key_number_of_scan(scan_code_of(event), (event.flags & LLKHF_EXTENDED) != 0);
    key->down = event.down;
    key->time_us = event.time_us;
    return true;
}
