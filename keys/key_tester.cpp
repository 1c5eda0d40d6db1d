// The key tester's rules (which cells send a key, how a burst of key events is followed through
// the steps of the cells it may come from, bounces, the status, count and held-key texts) and
// the macro recorder's step building.
#include "keys/key_tester.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/config_image.h"
#include "keys/key_codes.h"
#include "keys/key_identity.h"
#include "keys/key_names.h"

const char* const KEY_TESTER_READY = "Press the keys of the panel, one at a time.";

namespace {

bool valid_key(int key_number) { return key_number >= 0 && key_number <= KEY_NUMBER_MASK; }

void append_text(char* out, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

void append_text(char* out, std::size_t size, const char* format, ...) {
    const std::size_t length = std::strlen(out);
    if (length + 1 >= size) return;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(out + length, size - length, format, arguments);
    va_end(arguments);
}

// ---- The steps a press of a cell runs -----------------------------------------------------

// Step `index` of list `list` (0 made, 1 breaks) of a cell's code: a plain key is pressed when
// the cell is made and released when it breaks; a macro runs its slot's lists.
int cell_step(int code, int list, int index) {
    if (index >= MACRO_STEP_COUNT) return 0;
    if (code & KEY_FLAG_MACRO) {
        const int macro = macro_number_of(code);
        if (macro < 1 || macro > MACRO_SLOT_COUNT) return 0;
        const MacroSlot& slot = config_model.macro_slots[macro - 1];
        return list == 0 ? slot.make_steps[index] : slot.break_steps[index];
    }
    if (index > 0 || is_fn_key(code)) return 0;
    return list == 0 ? code & KEY_NUMBER_MASK : (code & KEY_NUMBER_MASK) | KEY_FLAG_BREAK;
}

enum ExpectedKind { EXPECT_NOTHING, EXPECT_PRESS, EXPECT_RELEASE, EXPECT_ANY_RELEASE };

// The next key event that a follower's steps make, where it stands in its lists and the
// delays before it.
struct Expected {
    ExpectedKind kind;
    int key;
    int list;
    int step;
    long long delay_us;
    bool after_made;    // the made list ended before it: it comes when the cell is let go
};

bool holds_any(const CellFollower& follower) {
    for (bool held : follower.held)
        if (held) return true;
    return false;
}

// Steps that make no event are passed by: delays (their time counts), a press of a key the
// cell holds, a release of one it does not, Break All with nothing held, keys without a scan
// code. A list ends at its first empty step.
Expected expected_event(const CellFollower& follower) {
    Expected next = {EXPECT_NOTHING, 0, follower.list, follower.step, 0, false};
    for (;;) {
        const int step = cell_step(follower.code, next.list, next.step);
        if (step == 0) {
            if (next.list == 1) return next;
            next = {EXPECT_NOTHING, 0, 1, 0, 0, true};
            continue;
        }
        if (is_delay_step(step)) {
            next.delay_us += delay_step_ms(step) * 1000LL;
        } else if ((step & KEY_NUMBER_MASK) == KEY_BREAK_ALL) {
            if (holds_any(follower)) {
                next.kind = EXPECT_ANY_RELEASE;
                return next;
            }
        } else {
            const int key = key_seen_as(step & KEY_NUMBER_MASK);
            const bool release = (step & KEY_FLAG_BREAK) != 0;
            if (key != KEY_NOT_USED && release == follower.held[key]) {
                next.kind = release ? EXPECT_RELEASE : EXPECT_PRESS;
                next.key = key;
                return next;
            }
        }
        ++next.step;
    }
}

// Whether the made list has no event left to come: the cell is held, or being let go.
bool past_made_list(const CellFollower& follower) {
    return follower.list == 1 || expected_event(follower).after_made;
}

// Whether `next` may still come at `time_us`: any time once the made list has gone by (the cell
// is held), else within the gap allowed after the follower's last event.
bool in_time(const CellFollower& follower, const Expected& next, long long time_us) {
    return next.after_made || time_us - follower.last_us <= BURST_GAP_US + 2 * next.delay_us;
}

// Whether the event is the follower's next one, in time.
bool accepts(const CellFollower& follower, int key, bool down, long long time_us) {
    const Expected next = expected_event(follower);
    if (!in_time(follower, next, time_us)) return false;
    switch (next.kind) {
    case EXPECT_PRESS: return down && key == next.key;
    case EXPECT_RELEASE: return !down && key == next.key;
    case EXPECT_ANY_RELEASE: return !down && follower.held[key];
    default: return false;
    }
}

// Takes the event as the follower's next one. Break All stays the next step until every key
// it releases has come up.
void advance(CellFollower& follower, int key, bool down, long long time_us) {
    const Expected next = expected_event(follower);
    follower.list = next.list;
    follower.step = next.kind == EXPECT_ANY_RELEASE ? next.step : next.step + 1;
    follower.held[key] = down;
    follower.last_us = time_us;
}

// Whether the follower's next event of its made list is overdue at `now_us`.
bool overdue(const CellFollower& follower, long long now_us) {
    const Expected next = expected_event(follower);
    return next.list == 0 && !in_time(follower, next, now_us);
}

// ---- Cells, marks and texts ---------------------------------------------------------------

// A follower for a cell that `key`'s press may come from: it stands after that press.
bool start_follower(CellFollower& follower, const CellHit& cell, int code, int key, long long time_us) {
    std::memset(&follower, 0, sizeof follower);
    follower.cell = cell;
    follower.code = code;
    follower.last_us = time_us;
    const Expected first = expected_event(follower);
    if (first.kind != EXPECT_PRESS || first.key != key) return false;
    advance(follower, key, true, time_us);
    return true;
}

int collect_followers(KeyTester& tester, const int* table, bool fn_table, int key, long long time_us) {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count() && count < MAX_CELL_HITS; ++column) {
            const int code = table[cell_index(row, column)];
            const CellHit cell = {row, column, fn_table, (code & KEY_FLAG_MACRO) != 0};
            if (start_follower(tester.followers[count], cell, code, key, time_us)) ++count;
        }
    return count;
}

int marked_index(const CellFollower& follower) {
    return follower.cell.fn_table ? -1 : cell_index(follower.cell.row, follower.cell.column);
}

// A new burst's cells (only those of the normal table: the grid shows that table) light up,
// count a press and, for a bounce, are marked.
void mark_followers(KeyTester& tester, bool bounce) {
    for (int i = 0; i < tester.follower_count; ++i) {
        CellFollower& follower = tester.followers[i];
        const int index = marked_index(follower);
        if (index < 0) continue;
        follower.bounced_before = tester.bounced[index];
        tester.lit[index] = true;
        ++tester.presses[index];
        if (bounce) tester.bounced[index] = true;
    }
}

void take_back_marks(KeyTester& tester, const CellFollower& follower) {
    const int index = marked_index(follower);
    if (index < 0) return;
    tester.lit[index] = false;
    --tester.presses[index];
    tester.bounced[index] = follower.bounced_before;
}

// Keeps the followers that `keep` marks and takes back the others' marks. Returns whether
// any went.
bool keep_followers(KeyTester& tester, const bool* keep) {
    int kept = 0;
    for (int i = 0; i < tester.follower_count; ++i) {
        if (keep[i])
            tester.followers[kept++] = tester.followers[i];
        else
            take_back_marks(tester, tester.followers[i]);
    }
    const bool dropped = kept != tester.follower_count;
    tester.follower_count = kept;
    return dropped;
}

// "Row 1 (pin 4) × Col 1 (pin 1)", with " (macro)" for a macro cell when `mark_macros`. The
// sign is the Windows-1252 multiplication sign, as the window shows its texts in that code page.
void append_cell(const CellHit& hit, bool mark_macros, char* out, std::size_t size) {
    append_text(out, size, "Row %d (pin %d) \xD7 Col %d (pin %d)%s", hit.row + 1, config_model.row_pins[hit.row] + 1,
                hit.column + 1, config_model.column_pins[hit.column] + 1, mark_macros && hit.macro ? " (macro)" : "");
}

constexpr int LISTED_HITS = 3;  // cells named in the status line; more show as ", ..."

// The macro that every follower runs, or 0.
int common_macro(const KeyTester& tester) {
    const int macro = macro_number_of(tester.followers[0].code);
    for (int i = 0; i < tester.follower_count; ++i)
        if (macro_number_of(tester.followers[i].code) != macro) return 0;
    return macro >= 1 && macro <= MACRO_SLOT_COUNT ? macro : 0;
}

// "Macro 1 (L Ctrl, C, ...): Row 3 (pin 6) × Col 3 (pin 3)" when the cells run one macro,
// else "A: 2 cells: Row 1 (pin 4) × Col 2 (pin 2), Row 1 (pin 4) × Col 3 (pin 3) (macro)".
void format_followers_status(const KeyTester& tester, char* out, std::size_t size) {
    const int macro = common_macro(tester);
    out[0] = '\0';
    if (macro != 0) {
        char summary[64];
        format_macro_summary(config_model.macro_slots[macro - 1], summary, sizeof summary);
        append_text(out, size, "Macro %d (%s): ", macro, summary);
    } else {
        append_text(out, size, "%s: ", key_name(tester.burst_key, false));
    }
    const int count = tester.follower_count;
    if (tester.followers[0].cell.fn_table) append_text(out, size, "FN table, ");
    if (count > 1) append_text(out, size, "%d cells: ", count);
    for (int i = 0; i < count && i < LISTED_HITS; ++i) {
        if (i > 0) append_text(out, size, ", ");
        append_cell(tester.followers[i].cell, macro == 0, out, size);
    }
    if (count > LISTED_HITS) append_text(out, size, ", ...");
}

void format_no_cell(int key, char* out, std::size_t size) {
    std::snprintf(out, size, "%s: no cell of this configuration sends it (the unit may hold another "
                  "configuration: Tools, Compare with VELMARO)", key_name(key, false));
}

// A press that no burst under way takes: the cells it may come from start a burst.
void start_burst(KeyTester& tester, int key, KeyEventKind kind, long long gap_us, long long time_us, char* status,
                 std::size_t size) {
    std::memset(tester.lit, 0, sizeof tester.lit);
    tester.follower_count = 0;
    if (!is_keyboard_key(key)) {
        std::snprintf(status, size, "This key has no VELMARO key number: no cell can send it");
        return;
    }
    tester.burst_key = key;
    tester.follower_count = collect_followers(tester, config_model.key_table, false, key, time_us);
    if (tester.follower_count == 0)
        tester.follower_count = collect_followers(tester, config_model.fn_key_table, true, key, time_us);
    mark_followers(tester, kind == KEY_EVENT_BOUNCE);
    if (kind == KEY_EVENT_BOUNCE)
        std::snprintf(status, size, "%s bounced: pressed again %lld ms after its release", key_name(key, false),
                      gap_us / 1000);
    else if (tester.follower_count == 0)
        format_no_cell(key, status, size);
    else
        format_followers_status(tester, status, size);
}

// The burst ends, or some of its cells' next events are overdue. The cells still within their
// made list (all of them when `ending`, else the overdue ones) were not pressed if another cell
// got past its made list or is still in time: their marks are taken back, and true returned.
// When nothing tells the cells apart, all keep their marks and the burst is over.
bool settle_followers(KeyTester& tester, bool ending, long long now_us) {
    bool keep[MAX_CELL_HITS];
    int broken = 0, past_made = 0;
    for (int i = 0; i < tester.follower_count; ++i) {
        const CellFollower& follower = tester.followers[i];
        keep[i] = ending ? past_made_list(follower) : !overdue(follower, now_us);
        broken += keep[i] ? 0 : 1;
        past_made += past_made_list(follower) ? 1 : 0;
    }
    if (broken == 0) return false;
    if (broken == tester.follower_count && past_made == 0) {
        tester.follower_count = 0;
        return false;
    }
    return keep_followers(tester, keep);
}

// Passes the event to the burst under way: the cells whose next event it is go on, the others
// drop out. Returns false when no cell takes it.
bool follow_burst(KeyTester& tester, int key, bool down, long long time_us, bool* told_apart) {
    bool keep[MAX_CELL_HITS];
    bool any = false;
    for (int i = 0; i < tester.follower_count; ++i) {
        keep[i] = accepts(tester.followers[i], key, down, time_us);
        any = any || keep[i];
    }
    if (!any) return false;
    *told_apart = keep_followers(tester, keep);
    for (int i = 0; i < tester.follower_count; ++i) advance(tester.followers[i], key, down, time_us);
    return true;
}

}  // namespace

KeyEventKind classify_key_event(KeyTimes& times, int key_number, bool down, long long time_us,
                                long long* gap_us) {
    *gap_us = 0;
    if (!valid_key(key_number)) return down ? KEY_EVENT_PRESS : KEY_EVENT_STRAY_RELEASE;
    if (!down) {
        const bool was_down = times.down[key_number];
        times.down[key_number] = false;
        if (!was_down) return KEY_EVENT_STRAY_RELEASE;
        times.released[key_number] = true;
        times.release_us[key_number] = time_us;
        return KEY_EVENT_RELEASE;
    }
    if (times.down[key_number]) return KEY_EVENT_REPEAT;
    times.down[key_number] = true;
    if (!times.released[key_number]) return KEY_EVENT_PRESS;
    *gap_us = time_us - times.release_us[key_number];
    return *gap_us < BOUNCE_LIMIT_US ? KEY_EVENT_BOUNCE : KEY_EVENT_PRESS;
}

int key_sent_by_code(int code) {
    CellFollower follower = {};
    follower.code = code;
    const Expected first = expected_event(follower);
    return first.kind == EXPECT_PRESS ? first.key : KEY_NOT_USED;
}

int testable_cell_count() {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count(); ++column)
            if (key_sent_by_code(config_model.key_table[cell_index(row, column)]) != KEY_NOT_USED) ++count;
    return count;
}

void reset_key_tester(KeyTester& tester) { std::memset(&tester, 0, sizeof tester); }

void clear_key_tester_marks(KeyTester& tester) {
    const KeyTimes times = tester.times;
    reset_key_tester(tester);
    tester.times = times;
}

void key_tester_lost_keyboard(KeyTester& tester) {
    std::memset(tester.times.down, 0, sizeof tester.times.down);
    tester.follower_count = 0;
}

bool key_tester_expire(KeyTester& tester, long long now_us, char* status, std::size_t size) {
    if (!settle_followers(tester, false, now_us) || tester.follower_count == 0) return false;
    format_followers_status(tester, status, size);
    return true;
}

bool key_tester_event(KeyTester& tester, int key_number, bool down, long long time_us, char* status,
                      std::size_t size) {
    long long gap_us = 0;
    const KeyEventKind kind = classify_key_event(tester.times, key_number, down, time_us, &gap_us);
    if (kind == KEY_EVENT_REPEAT || kind == KEY_EVENT_STRAY_RELEASE) return false;
    bool told_apart = false;
    if (follow_burst(tester, key_number, down, time_us, &told_apart)) {
        if (told_apart) format_followers_status(tester, status, size);
        return told_apart;
    }
    bool shown = false;
    if (tester.follower_count > 0) {  // the burst is over; the cells it told apart are named
        if (settle_followers(tester, true, time_us)) {
            format_followers_status(tester, status, size);
            shown = true;
        }
        tester.follower_count = 0;
    }
    if (kind == KEY_EVENT_RELEASE) return shown;
    start_burst(tester, key_number, kind, gap_us, time_us, status, size);
    return true;
}

int tested_cell_count(const KeyTester& tester) {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count(); ++column) {
            const int index = cell_index(row, column);
            if (tester.presses[index] > 0 && key_sent_by_code(config_model.key_table[index]) != KEY_NOT_USED) ++count;
        }
    return count;
}

void format_tested_count(int tested, int total, char* out, std::size_t size) {
    std::snprintf(out, size, "%d of %d keys tested", tested, total);
}

void format_held_keys(const KeyTester& tester, char* out, std::size_t size) {
    std::snprintf(out, size, "Held down:");
    const char* separator = " ";
    for (int key = 1; key < KEY_NUMBER_COUNT; ++key) {
        if (!tester.times.down[key]) continue;
        append_text(out, size, "%s%s", separator, key_name(key, false));
        separator = ", ";
    }
    if (separator[0] == ' ') append_text(out, size, " none");
}

// ---- The macro recorder -------------------------------------------------------------------

int delay_step_for_pause(long long pause_us) {
    const long long ms = pause_us / 1000;
    if (ms < DELAY_UNIT_MS) return 0;
    return delay_step_for_ms(ms);
}

void start_recording(MacroRecorder& recorder, MacroSlot& slot, bool with_delays) {
    std::memset(&recorder, 0, sizeof recorder);
    recorder.slot = &slot;
    recorder.with_delays = with_delays;
    recorder.state = RECORDER_RECORDING;
    for (int& step : slot.make_steps) step = 0;
}

namespace {

int held_place(const MacroRecorder& recorder, int key) {
    for (int i = 0; i < recorder.held_count; ++i)
        if (recorder.held[i] == key) return i;
    return -1;
}

void set_held(MacroRecorder& recorder, int key, bool down) {
    const int place = held_place(recorder, key);
    if (down) {
        recorder.held[recorder.held_count++] = key;
        return;
    }
    for (int i = place; i + 1 < recorder.held_count; ++i) recorder.held[i] = recorder.held[i + 1];
    --recorder.held_count;
}

// Whether `steps` more steps, and after them the releases of `held_after` keys, fit in the list
// and in the macro memory. The releases are tried at the end of the list and taken out again.
bool steps_fit(MacroRecorder& recorder, const int* steps, int count, int held_after, RecordResult* why) {
    int* list = recorder.slot->make_steps;
    if (recorder.count + count + held_after > MACRO_STEP_COUNT) {
        *why = RECORD_FULL;
        return false;
    }
    for (int i = 0; i < count; ++i) list[recorder.count + i] = steps[i];
    for (int i = 0; i < held_after; ++i) list[recorder.count + count + i] = KEY_BREAK_ALL | KEY_FLAG_BREAK;
    const bool fits = macro_memory_used() <= MACRO_MEMORY_SIZE;
    for (int i = 0; i < count + held_after; ++i) list[recorder.count + i] = 0;
    *why = RECORD_NO_MEMORY;
    return fits;
}

// The keys still held are released at the end of the list, the last pressed first.
void release_held_keys(MacroRecorder& recorder) {
    recorder.released_at_end = recorder.held_count;
    while (recorder.held_count > 0) {
        const int key = recorder.held[--recorder.held_count];
        recorder.slot->make_steps[recorder.count++] = key | KEY_FLAG_BREAK;
    }
}

RecordResult stop_by_itself(MacroRecorder& recorder, RecordResult why, bool down, long long time_us, bool recorded) {
    release_held_keys(recorder);
    recorder.state = RECORDER_SWALLOWING;
    recorder.last_press_us = time_us;
    recorder.swallowed_press = down && !recorded;
    return why;
}

RecordResult swallow(MacroRecorder& recorder, bool down, long long time_us) {
    if (down) {
        recorder.last_press_us = time_us;
        recorder.swallowed_press = true;
    }
    return RECORD_SWALLOWED;
}

}  // namespace

RecordResult record_key_event(MacroRecorder& recorder, int key_number, bool down, long long time_us) {
    if (recorder.state == RECORDER_SWALLOWING) return swallow(recorder, down, time_us);
    if (recorder.state != RECORDER_RECORDING || !is_keyboard_key(key_number)) return RECORD_GOING;
    const bool held = held_place(recorder, key_number) >= 0;
    if (down == held) return RECORD_GOING;  // the keyboard's repeat, or a key pressed before the recording
    int steps[2];
    int count = 0;
    const int delay = recorder.with_delays && recorder.any_event ? delay_step_for_pause(time_us - recorder.last_us) : 0;
    if (delay != 0) steps[count++] = delay;
    steps[count++] = down ? key_number : key_number | KEY_FLAG_BREAK;
    RecordResult why = RECORD_GOING;
    if (!steps_fit(recorder, steps, count, recorder.held_count + (down ? 1 : -1), &why))
        return stop_by_itself(recorder, why, down, time_us, false);
    for (int i = 0; i < count; ++i) recorder.slot->make_steps[recorder.count++] = steps[i];
    set_held(recorder, key_number, down);
    recorder.any_event = true;
    recorder.last_us = time_us;
    if (recorder.count == MACRO_STEP_COUNT) return stop_by_itself(recorder, RECORD_FULL, down, time_us, true);
    return RECORD_GOING;
}

void stop_recording(MacroRecorder& recorder) {
    if (recorder.state == RECORDER_RECORDING) release_held_keys(recorder);
    recorder.state = RECORDER_IDLE;
}

bool recorder_quiet(MacroRecorder& recorder, long long now_us) {
    if (recorder.state == RECORDER_SWALLOWING && now_us - recorder.last_press_us < QUIET_AFTER_STOP_US) return false;
    if (recorder.state == RECORDER_SWALLOWING) recorder.state = RECORDER_IDLE;
    return true;
}

void format_record_status(const MacroRecorder& recorder, RecordStop why, char* out, std::size_t size) {
    static const char* const STOPPED[][2] = {
        {"Stopped: %d steps recorded.", "Stopped: %d step recorded."},
        {"Stopped: the list is full, %d steps recorded.", "Stopped: the list is full, %d step recorded."},
        {"Stopped: the macro memory is full, %d steps recorded.", "Stopped: the macro memory is full, %d step recorded."},
        {"Stopped: another window was chosen, %d steps recorded.", "Stopped: another window was chosen, %d step recorded."},
    };
    std::snprintf(out, size, STOPPED[why][recorder.count == 1 ? 1 : 0], recorder.count);
    const int released = recorder.released_at_end;
    if (released > 0) {
        append_text(out, size, released == 1 ? " The release of" : " The releases of");
        for (int i = recorder.count - released; i < recorder.count; ++i)
            append_text(out, size, "%s %s", i > recorder.count - released ? "," : "",
                        key_name(recorder.slot->make_steps[i] & KEY_NUMBER_MASK, true));
        append_text(out, size, released == 1 ? " was added." : " were added.");
    }
    if (recorder.swallowed_press) append_text(out, size, " Keys typed after the stop were not recorded.");
}
