// Dialog script steps shared by the tests of the on-screen keyboards, the macro editor and the
// cell clicks, on top of the harness's click/set_text.
#pragma once
#include <cstdio>
#include <functional>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "config/config_model.h"
#include "keys/key_dialogs.h"

// Runs several actions on one dialog, each once, in order (the harness takes three at most).
inline DialogAction sequence(std::vector<DialogAction> actions) {
    auto next = std::make_shared<size_t>(0);
    return [actions, next](HWND dialog) {
        while (*next < actions.size()) {
            if (!actions[*next](dialog)) return false;
            ++*next;
        }
        return true;
    };
}

// A real click on a control: the control itself notifies the dialog.
inline DialogAction press(int id) {
    return [id](HWND dialog) {
        HWND control = GetDlgItem(dialog, id);
        if (!control) return false;
        PostMessageA(control, BM_CLICK, 0, 0);
        return true;
    };
}

inline DialogAction inject_key(BYTE key) {
    return [key](HWND) {
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        return true;
    };
}

// One key event as real input: the virtual key, the scan code, the extended flag, key-up or
// key-down, and the pause before it.
struct KeyStroke {
    WORD virtual_key;
    WORD scan_code;
    bool extended;
    bool up;
    int pause_ms;
};

inline std::vector<KeyStroke> tap(WORD virtual_key, WORD scan_code, bool extended = false) {
    return {{virtual_key, scan_code, extended, false, 0}, {virtual_key, scan_code, extended, true, 0}};
}

// When the sending thread called SendInput for a stroke and when the call returned (under Wine
// it returns once the keyboard hook procedure has), in microseconds of the performance counter.
using SentTime = std::pair<long long, long long>;

// Sends the strokes with SendInput from a thread of their own (the dialog's thread goes on
// handling messages, and so the keyboard hook), keeping their pauses. Done once all are sent;
// `times`, when given, receives when each was sent.
inline DialogAction send_keys(std::vector<KeyStroke> strokes, std::vector<SentTime>* times = nullptr) {
    struct Sender {
        std::thread thread;
        std::atomic<bool> done{false};
        ~Sender() {
            if (thread.joinable()) thread.join();
        }
    };
    auto sender = std::make_shared<Sender>();
    return [strokes, sender, times](HWND) {
        if (!sender->thread.joinable())
            sender->thread = std::thread([strokes, times, raw = sender.get()] {
                for (const KeyStroke& stroke : strokes) {
                    if (stroke.pause_ms > 0) Sleep(static_cast<DWORD>(stroke.pause_ms));
                    INPUT input = {};
                    input.type = INPUT_KEYBOARD;
                    input.ki.wVk = stroke.virtual_key;
                    input.ki.wScan = stroke.scan_code;
                    input.ki.dwFlags = (stroke.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (stroke.up ? KEYEVENTF_KEYUP : 0);
                    const long long before = key_hook_now_us();
                    SendInput(1, &input, sizeof input);
                    if (times) times->push_back({before, key_hook_now_us()});
                }
                raw->done = true;
            });
        return sender->done.load();
    };
}

inline DialogAction inspect(std::function<void(HWND)> look) {
    return [look](HWND dialog) {
        look(dialog);
        return true;
    };
}

// Done at the second tick: the messages posted before the first (the keyboard hook's among
// them) have been handled by then, as a tick comes only when no posted message waits.
inline DialogAction next_tick() {
    auto ticks = std::make_shared<int>(0);
    return [ticks](HWND) { return ++*ticks == 2; };
}

// Retries `condition` at every tick until it holds or two seconds have passed.
inline DialogAction wait_until(std::function<bool(HWND)> condition) {
    auto start = std::make_shared<ULONGLONG>(0);
    return [=](HWND dialog) {
        if (*start == 0) *start = GetTickCount64();
        return condition(dialog) || GetTickCount64() - *start > 2000;
    };
}

// Waits for the focus to reach `expected` and records the control that had it.
inline DialogAction wait_for_focus(int expected, int* seen) {
    return wait_until([=](HWND dialog) {
        HWND focus = GetFocus();
        *seen = focus && IsChild(dialog, focus) ? GetDlgCtrlID(focus) : -1;
        return *seen == expected;
    });
}

inline DialogAction wait_for_check(int id, UINT state) {
    return wait_until([=](HWND dialog) { return IsDlgButtonChecked(dialog, id) == state; });
}

inline DialogAction wait_for_text(int id, const std::string& text) {
    return wait_until([=](HWND dialog) { return item_text(dialog, id) == text; });
}

inline std::string memory_text(int remaining) {
    return "Macro memory remaining: " + std::to_string(remaining);
}

// The harness fixture with a step that waits for nested dialogs.
class ScriptedTest : public GuiTest {
protected:
    // True once the harness has seen `count` dialogs. In the script of an outer dialog it
    // holds once the nested dialog came and went: the outer step runs only while it is on top.
    DialogAction after_dialogs(size_t count) {
        return [this, count](HWND) { return dialogs().size() >= count; };
    }
};

// Dialogs opened directly, owned by a plain window that is active as the main window is when
// the user clicks a cell: the keys that the dialogs inject reach the active window's thread.
class OwnedDialogTest : public ScriptedTest {
protected:
    HWND owner = nullptr;

    void SetUp() override {
        ScriptedTest::SetUp();
        owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
        SetForegroundWindow(owner);
        HWND window = owner;
        ASSERT_TRUE(pump_until([window] { return GetForegroundWindow() == window; }));
    }
    void TearDown() override {
        DestroyWindow(owner);
        owner = nullptr;
        ScriptedTest::TearDown();
    }

    INT_PTR open(int dialog_id, DLGPROC proc, LPARAM parameter) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog_id), owner, proc, parameter);
    }
    INT_PTR open_keyboard(int dialog_id, int value) { return open(dialog_id, select_key_dialog_proc, value); }
    INT_PTR open_action_dialog(int value, int preselect_break, bool delay_fits = true) {
        action_preselect_break = preselect_break;
        current_macro_slot = 5 | (delay_fits ? 0 : 0x80);
        return open_keyboard(IDD_MACRO_ACTION, value);
    }
};
