// Dialog 2200, the macro editor. It edits the slot `current_macro_slot` in place, eight steps
// of each list at a time, picks every step with the action dialog 1998 and keeps all macros
// within the macro memory. Cancel (Esc, the close box) puts `macro_backup` back, and the
// unsaved-changes flag as it was when the dialog opened. "Record" takes the keys the user
// presses, through the keyboard hook, into the "When Input Made" list while the dialog is the
// active window.
#include <cstdio>
#include <cstring>
#include "config/config_image.h"
#include "keys/key_codes.h"
#include "keys/key_dialogs.h"
#include "keys/key_names.h"
#include "keys/key_tester.h"
#include "resource.h"

MacroSlot macro_backup;
int macro_repeat_initial;

namespace {

constexpr int VISIBLE_STEPS = 8;
constexpr int SCROLL_MAX = MACRO_STEP_COUNT - VISIBLE_STEPS;  // positions 0..8
constexpr int PAGE_STEP = 7;

unsigned char changed_when_opened;  // config_changed as the dialog opened

MacroSlot& editing_slot() {
    int slot = current_macro_slot & KEY_NUMBER_MASK;
    if (slot >= MACRO_SLOT_COUNT) slot = MACRO_SLOT_COUNT - 1;
    return config_model.macro_slots[slot];
}

HWND scroll_bar(HWND dialog) { return GetDlgItem(dialog, IDC_MACRO_SCROLL); }

int scroll_position(HWND dialog) {
    int position = GetScrollPos(scroll_bar(dialog), SB_CTL);
    if (position < 0) return 0;
    return position > SCROLL_MAX ? SCROLL_MAX : position;
}

bool is_make_button(int id) { return id < IDC_MACRO_BREAK_STEP; }

int* step_list_of_button(int id) {
    MacroSlot& slot = editing_slot();
    return is_make_button(id) ? slot.make_steps : slot.break_steps;
}

// The index of the step that button `id` (2211..2226) shows at the current scroll position.
int step_index_of_button(HWND dialog, int id) {
    return scroll_position(dialog) + (id - IDC_MACRO_MAKE_STEP) % VISIBLE_STEPS;
}

int list_length(const int* steps) { return step_count(steps); }

// Where a step chosen on the button for `index` goes: an empty place beyond the end of the
// list adds the step at the end, so that no step stands after an empty one.
int target_index(const int* steps, int index) {
    if (steps[index] != 0) return index;
    const int end = list_length(steps);
    return end < index ? end : index;
}

// The memory as it will be when the user presses OK now: a macro without steps then frees
// its slot (unless a cell still runs it, when it stays an empty record).
int memory_used_on_ok() {
    MacroSlot& slot = editing_slot();
    const int in_use = slot.in_use;
    slot.in_use = macro_slot_has_key(slot) ? 1 : 0;
    const int used = macro_memory_used();
    slot.in_use = in_use;
    return used;
}

// Whether putting `value` at steps[index] keeps the macros within the memory. A change
// that takes no more memory than now is always allowed (a configuration already over the
// budget can still have its steps changed or cleared).
bool change_fits(int* steps, int index, int value) {
    const int before = memory_used_on_ok();
    const int old = steps[index];
    steps[index] = value;
    const int after = memory_used_on_ok();
    steps[index] = old;
    return after <= MACRO_MEMORY_SIZE || after <= before;
}

constexpr int CHEAPEST_STEP = KEY_BREAK_ALL;        // one byte, like every key step
constexpr int SHORTEST_DELAY = (1 << 8) | KEY_DELAY;  // two bytes, like every delay

bool step_button_enabled(int* steps, int index) {
    return steps[index] != 0 || change_fits(steps, target_index(steps, index), CHEAPEST_STEP);
}

bool delay_fits(int* steps, int index) {
    return change_fits(steps, target_index(steps, index), SHORTEST_DELAY);
}

// Stores the action dialog's result for the button at `index`: "Not Used" removes the step
// and moves the later ones up. Returns the index of the place that changed.
int store_step(int* steps, int index, int value) {
    if (value != 0) {
        const int target = target_index(steps, index);
        steps[target] = value;
        return target;
    }
    for (int i = index; i + 1 < MACRO_STEP_COUNT; ++i) steps[i] = steps[i + 1];
    steps[MACRO_STEP_COUNT - 1] = 0;
    return index;
}

// Scrolls just far enough for step `index` to be shown.
void scroll_to_step(HWND dialog, int index) {
    int position = scroll_position(dialog);
    if (index < position) position = index;
    if (index >= position + VISIBLE_STEPS) position = index - VISIBLE_STEPS + 1;
    if (position != scroll_position(dialog)) SetScrollPos(scroll_bar(dialog), SB_CTL, position, TRUE);
}

// What the headers, step buttons and memory text show, so that a refresh sets only what changes:
// under Wine each text set repaints at once (and even reading a text back costs a round trip),
// and a refresh while keys are recorded would hold up the next key.
constexpr int SHOWN_FIRST = IDC_MACRO_STEP_HEADER;
constexpr int SHOWN_COUNT = IDC_MACRO_MEMORY - IDC_MACRO_STEP_HEADER + 1;
struct ShownItem {
    bool known;
    bool enabled;
    char text[MACRO_STEP_CAPTION_SIZE];
};
ShownItem shown_items[SHOWN_COUNT];

void set_item_text(HWND dialog, int id, const char* text) {
    ShownItem& shown = shown_items[id - SHOWN_FIRST];
    if (shown.known && std::strcmp(shown.text, text) == 0) return;
    SetDlgItemTextA(dialog, id, text);
    std::snprintf(shown.text, sizeof shown.text, "%s", text);
}

void set_item_enabled(HWND dialog, int id, bool enabled) {
    ShownItem& shown = shown_items[id - SHOWN_FIRST];
    if (shown.known && shown.enabled == enabled) return;
    EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
    shown.enabled = enabled;
}

void refresh_step_headers(HWND dialog, int position) {
    for (int i = 0; i < VISIBLE_STEPS; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "Step %d", position + i + 1);
        set_item_text(dialog, IDC_MACRO_STEP_HEADER + i, text);
    }
}

void show_step(HWND dialog, int id, int step, bool enabled) {
    char caption[MACRO_STEP_CAPTION_SIZE];
    format_step_caption(step, caption);
    set_item_enabled(dialog, id, enabled);
    set_item_text(dialog, id, caption);
}

void refresh_memory_text(HWND dialog, int used) {
    char text[64];
    std::snprintf(text, sizeof text, "Macro memory remaining: %d", MACRO_MEMORY_SIZE - used);
    set_item_text(dialog, IDC_MACRO_MEMORY, text);
}

BOOL on_macro_init(HWND dialog) {
    std::memset(shown_items, 0, sizeof shown_items);
    changed_when_opened = config_model.config_changed;
    editing_slot().in_use = 1;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = SCROLL_MAX;
    info.nPage = 1;
    info.nPos = 0;
    SetScrollInfo(scroll_bar(dialog), SB_CTL, &info, TRUE);
    CheckDlgButton(dialog, IDC_MACRO_REPEAT, macro_repeat_initial ? BST_CHECKED : BST_UNCHECKED);
    refresh_macro_steps(dialog);
    return TRUE;  // the dialog manager focuses the first step button
}

void on_macro_scroll(HWND dialog, WPARAM wparam, HWND bar) {
    if (bar == nullptr || bar != scroll_bar(dialog)) return;
    int position = GetScrollPos(bar, SB_CTL);
    BOOL redraw = TRUE;
    switch (LOWORD(wparam)) {
    case SB_LINELEFT: position -= 1; break;
    case SB_LINERIGHT: position += 1; break;
    case SB_PAGELEFT: position -= PAGE_STEP; break;
    case SB_PAGERIGHT: position += PAGE_STEP; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: position = HIWORD(wparam); redraw = FALSE; break;
    case SB_LEFT: position = 0; break;
    case SB_RIGHT: position = SCROLL_MAX; break;
    default: break;
    }
    SetScrollPos(bar, SB_CTL, position, redraw);  // the bar keeps it within 0..8
    refresh_macro_steps(dialog);
}

void on_step_clicked(HWND dialog, int id) {
    int* steps = step_list_of_button(id);
    const int index = step_index_of_button(dialog, id);
    const int step = steps[index];
    action_preselect_break = is_make_button(id) ? 0 : 1;
    if (step != 0) action_preselect_break = (step & KEY_FLAG_BREAK) ? 1 : 0;
    if (!delay_fits(steps, index)) current_macro_slot |= MACRO_SLOT_NO_DELAY;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MACRO_ACTION), dialog,
                                     select_key_dialog_proc, step);
    current_macro_slot &= ~MACRO_SLOT_NO_DELAY;
    if (result >= 0 && !(result == 0 && step == 0)) {
        scroll_to_step(dialog, store_step(steps, index, static_cast<int>(result)));
        config_model.config_changed = 1;
    }
    refresh_macro_steps(dialog);
}

// ---- The recorder: while it records, every key goes to it and nowhere else ----------------

constexpr UINT REDRAW_TIMER = 1;        // the recorded steps are shown once the keys pause
constexpr UINT REDRAW_DELAY_MS = 30;    // (a redraw while keys come would time the next one late)
constexpr UINT QUIET_TIMER = 2;         // after a stop by itself: whether the keys have ended
constexpr UINT QUIET_CHECK_MS = 50;

MacroRecorder recorder;
HWND hook_dialog;       // the dialog while the hook is its own (recording, or swallowing after a stop)
RecordStop last_stop;

bool recording() { return hook_dialog != nullptr && recorder.state == RECORDER_RECORDING; }
bool swallowing() { return hook_dialog != nullptr && recorder.state == RECORDER_SWALLOWING; }

void release_keyboard(HWND dialog) {
    KillTimer(dialog, QUIET_TIMER);
    remove_key_hook();
    hook_dialog = nullptr;
}

// Past step 8 the view moves at once to steps 9 to 16, where the rest of the list goes: not by
// one step a key, which would redraw every button each time.
void show_recorded_steps(HWND dialog) {
    KillTimer(dialog, REDRAW_TIMER);
    if (recorder.count > VISIBLE_STEPS && scroll_position(dialog) + VISIBLE_STEPS < recorder.count)
        SetScrollPos(scroll_bar(dialog), SB_CTL, SCROLL_MAX, TRUE);
    refresh_macro_steps(dialog);
}

void show_record_status(HWND dialog) {
    char status[256];
    format_record_status(recorder, last_stop, status, sizeof status);
    SetDlgItemTextA(dialog, IDC_MACRO_RECORD_STATUS, status);
}

// The recording ended: the list is shown, and the keyboard given back unless the keys typed
// after a stop by itself are being swallowed.
void end_recording(HWND dialog, RecordStop why) {
    if (recorder.state == RECORDER_SWALLOWING)
        SetTimer(dialog, QUIET_TIMER, QUIET_CHECK_MS, nullptr);
    else
        release_keyboard(dialog);
    last_stop = why;
    SetDlgItemTextA(dialog, IDC_MACRO_RECORD, "Record");
    show_recorded_steps(dialog);
    show_record_status(dialog);
}

// Stop, another control, another window: the keys still held are released at the end.
void stop_recording_as(HWND dialog, RecordStop why) {
    stop_recording(recorder);
    end_recording(dialog, why);
}

void end_swallowing(HWND dialog) {
    if (!swallowing()) return;
    stop_recording(recorder);
    release_keyboard(dialog);
}

// A key event that the hook posted.
void on_recorded_key(HWND dialog, WPARAM wparam) {
    HookedKey key;
    if (hook_dialog != dialog || !take_hooked_key(wparam, &key)) return;
    const int before = recorder.count;
    const bool swallowed_before = recorder.swallowed_press;
    const RecordResult result = record_key_event(recorder, key.key_number, key.down, key.time_us);
    if (recorder.count != before) {
        config_model.config_changed = 1;
        SetTimer(dialog, REDRAW_TIMER, REDRAW_DELAY_MS, nullptr);
    }
    if (result == RECORD_FULL || result == RECORD_NO_MEMORY)
        end_recording(dialog, result == RECORD_FULL ? STOP_FULL : STOP_NO_MEMORY);
    else if (recorder.swallowed_press != swallowed_before)
        show_record_status(dialog);
}

void on_macro_timer(HWND dialog, UINT_PTR timer) {
    if (timer == REDRAW_TIMER)
        show_recorded_steps(dialog);
    else if (timer == QUIET_TIMER && recorder_quiet(recorder, key_hook_now_us()))
        release_keyboard(dialog);
}

// The hook holds the keyboard only while the dialog is the active window.
void on_macro_activate(HWND dialog, WPARAM wparam) {
    if (LOWORD(wparam) != WA_INACTIVE) return;
    if (recording())
        stop_recording_as(dialog, STOP_OTHER_WINDOW);
    else
        end_swallowing(dialog);
}

void start_recording_steps(HWND dialog) {
    if (!install_key_hook(dialog)) {
        SetDlgItemTextA(dialog, IDC_MACRO_RECORD_STATUS, "The keyboard could not be taken: nothing is recorded.");
        return;
    }
    hook_dialog = dialog;
    const bool with_delays = IsDlgButtonChecked(dialog, IDC_MACRO_WITH_DELAYS) == BST_CHECKED;
    start_recording(recorder, editing_slot(), with_delays);
    config_model.config_changed = 1;
    scroll_to_step(dialog, 0);
    refresh_macro_steps(dialog);
    SetDlgItemTextA(dialog, IDC_MACRO_RECORD, "Stop");
    SetDlgItemTextA(dialog, IDC_MACRO_RECORD_STATUS, "Recording: press the keys, then click Stop.");
}

void on_record_clicked(HWND dialog) {
    if (recording())
        stop_recording_as(dialog, STOP_BY_USER);
    else
        start_recording_steps(dialog);
}

void on_repeat_clicked(HWND dialog) {
    bool checked = IsDlgButtonChecked(dialog, IDC_MACRO_REPEAT) == BST_CHECKED;
    CheckDlgButton(dialog, IDC_MACRO_REPEAT, checked ? BST_UNCHECKED : BST_CHECKED);
}

void on_ok(HWND dialog) {
    MacroSlot& slot = editing_slot();
    if (!macro_slot_has_key(slot)) {
        slot.in_use = 0;
        EndDialog(dialog, 0);
        return;
    }
    slot.in_use = 1;
    int result = (current_macro_slot + 1) | MACRO_RESULT_FLAG;
    if (IsDlgButtonChecked(dialog, IDC_MACRO_REPEAT) == BST_CHECKED) result |= KEY_FLAG_REPEAT;
    EndDialog(dialog, result);
}

void on_cancel(HWND dialog) {
    editing_slot() = macro_backup;
    config_model.config_changed = changed_when_opened;
    EndDialog(dialog, -1);
}

void on_macro_command(HWND dialog, int id) {
    if (id != IDC_MACRO_WITH_DELAYS && id != IDC_MACRO_RECORD_STATUS) {
        if (recording() && id != IDC_MACRO_RECORD)
            stop_recording_as(dialog, STOP_BY_USER);  // any other control ends the recording first
        end_swallowing(dialog);
    }
    if (id >= IDC_MACRO_MAKE_STEP && id < IDC_MACRO_MAKE_STEP + 2 * VISIBLE_STEPS)
        on_step_clicked(dialog, id);
    else if (id == IDC_MACRO_RECORD)
        on_record_clicked(dialog);
    else if (id == IDC_MACRO_WITH_DELAYS || id == IDC_MACRO_RECORD_STATUS)
        return;  // the check box keeps its own state, read when recording starts
    else if (id == IDC_MACRO_REPEAT)
        on_repeat_clicked(dialog);
    else if (id == IDC_MACRO_OK || id == IDOK)  // Enter accepts, as OK does; only Esc cancels
        on_ok(dialog);
    else
        on_cancel(dialog);
}

}  // namespace

bool macro_slot_has_key(const MacroSlot& slot) {
    for (int i = 0; i < MACRO_STEP_COUNT; ++i)
        if ((slot.make_steps[i] & KEY_NUMBER_MASK) || (slot.break_steps[i] & KEY_NUMBER_MASK)) return true;
    return false;
}

void format_step_caption(int step, char* out) {
    int key = step & KEY_NUMBER_MASK;
    const char* prefix = "";
    if (key == KEY_DELAY || key == KEY_BREAK_ALL)
        prefix = "";
    else if (step & KEY_FLAG_BREAK)
        prefix = "Break\n";
    else if (step != 0)
        prefix = "Make\n";
    std::snprintf(out, MACRO_STEP_CAPTION_SIZE, "%s", prefix);
    format_key_name(key, 1, out + std::strlen(out));
    if (key != KEY_DELAY) return;
    std::size_t length = std::strlen(out);
    std::snprintf(out + length, MACRO_STEP_CAPTION_SIZE - length, "\n%dms", delay_step_ms(step));
}

void refresh_macro_steps(HWND dialog) {
    int position = scroll_position(dialog);
    refresh_step_headers(dialog, position);
    MacroSlot& slot = editing_slot();
    for (int i = 0; i < VISIBLE_STEPS; ++i) {
        const int index = position + i;
        show_step(dialog, IDC_MACRO_MAKE_STEP + i, slot.make_steps[index], step_button_enabled(slot.make_steps, index));
        show_step(dialog, IDC_MACRO_BREAK_STEP + i, slot.break_steps[index],
                  step_button_enabled(slot.break_steps, index));
    }
    refresh_memory_text(dialog, memory_used_on_ok());
    for (ShownItem& shown : shown_items) shown.known = true;
}

INT_PTR CALLBACK macro_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return on_macro_init(dialog);
    case WM_HSCROLL:
        on_macro_scroll(dialog, wparam, reinterpret_cast<HWND>(lparam));
        return TRUE;
    case WM_COMMAND:
        on_macro_command(dialog, LOWORD(wparam));
        return TRUE;
    case WM_HOOKED_KEY:
        on_recorded_key(dialog, wparam);
        return TRUE;
    case WM_TIMER:
        on_macro_timer(dialog, wparam);
        return TRUE;
    case WM_ACTIVATE:
        on_macro_activate(dialog, wparam);
        return FALSE;
    case WM_DESTROY:
        if (hook_dialog == dialog) release_keyboard(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}
