// The key tester's rules (which cells send a key, bounces, the status and count texts) and the
// macro recorder's step building.
#include "keys/key_tester.h"

#include <cstdio>
#include <cstring>

#include "config/config_image.h"
#include "keys/key_codes.h"
#include "keys/key_identity.h"
#include "keys/key_names.h"

const char* const KEY_TESTER_READY = "Press the keys of the panel, one at a time.";

namespace {

bool valid_key(int key_number) { return key_number >= 0 && key_number <= KEY_NUMBER_MASK; }

int collect_hits(const int* table, bool fn_table, int key_number, CellHit hits[MAX_CELL_HITS]) {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count() && count < MAX_CELL_HITS; ++column) {
            const int code = table[cell_index(row, column)];
            if (key_sent_by_code(code) != key_number) continue;
            hits[count++] = {row, column, fn_table, (code & KEY_FLAG_MACRO) != 0};
        }
    return count;
}

// "Row 1 (pin 4) × Col 1 (pin 1)", with " (macro)" for a macro cell. The sign is the
// Windows-1252 multiplication sign, as the window shows its texts in that code page.
void append_cell(const CellHit& hit, char* out, std::size_t size) {
    const std::size_t length = std::strlen(out);
    std::snprintf(out + length, size - length, "Row %d (pin %d) \xD7 Col %d (pin %d)%s", hit.row + 1,
                  config_model.row_pins[hit.row] + 1, hit.column + 1, config_model.column_pins[hit.column] + 1,
                  hit.macro ? " (macro)" : "");
}

void append_text(const char* text, char* out, std::size_t size) {
    const std::size_t length = std::strlen(out);
    std::snprintf(out + length, size - length, "%s", text);
}

constexpr int LISTED_HITS = 3;  // cells named in the status line; more show as ", ..."

void format_hit_status(int key_number, const CellHit* hits, int count, char* out, std::size_t size) {
    std::snprintf(out, size, "%s: ", key_name(key_number, false));
    if (count == 0) {
        append_text("no cell of this configuration sends it (the unit may hold another configuration: "
                    "Tools, Compare with VELMARO)", out, size);
        return;
    }
    if (hits[0].fn_table) append_text("FN table, ", out, size);
    if (count > 1) {
        const std::size_t length = std::strlen(out);
        std::snprintf(out + length, size - length, "%d cells: ", count);
    }
    for (int i = 0; i < count && i < LISTED_HITS; ++i) {
        if (i > 0) append_text(", ", out, size);
        append_cell(hits[i], out, size);
    }
    if (count > LISTED_HITS) append_text(", ...", out, size);
}

// Lights the hit cells of the normal table (only those: the grid shows that table).
void light_cells(KeyTester& tester, const CellHit* hits, int count, bool bounce) {
    std::memset(tester.lit, 0, sizeof tester.lit);
    for (int i = 0; i < count; ++i) {
        if (hits[i].fn_table) continue;
        const int index = cell_index(hits[i].row, hits[i].column);
        tester.lit[index] = tester.tested[index] = true;
        if (bounce) tester.bounced[index] = true;
    }
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
    if (code & KEY_FLAG_MACRO) {
        const int macro = macro_number_of(code);
        if (macro < 1 || macro > MACRO_SLOT_COUNT) return KEY_NOT_USED;
        const int first = config_model.macro_slots[macro - 1].make_steps[0];
        if (first & KEY_FLAG_BREAK) return KEY_NOT_USED;
        return is_keyboard_key(first & KEY_NUMBER_MASK) ? first & KEY_NUMBER_MASK : KEY_NOT_USED;
    }
    if (is_fn_key(code)) return KEY_NOT_USED;
    return is_keyboard_key(code & KEY_NUMBER_MASK) ? code & KEY_NUMBER_MASK : KEY_NOT_USED;
}

int cells_sending(int key_number, CellHit hits[MAX_CELL_HITS]) {
    if (!is_keyboard_key(key_number)) return 0;
    const int count = collect_hits(config_model.key_table, false, key_number, hits);
    if (count > 0) return count;
    return collect_hits(config_model.fn_key_table, true, key_number, hits);
}

int testable_cell_count() {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count(); ++column)
            if (key_sent_by_code(config_model.key_table[cell_index(row, column)]) != KEY_NOT_USED) ++count;
    return count;
}

void reset_key_tester(KeyTester& tester) { std::memset(&tester, 0, sizeof tester); }

bool key_tester_event(KeyTester& tester, int key_number, bool down, long long time_us, char* status,
                      std::size_t size) {
    long long gap_us = 0;
    const KeyEventKind kind = classify_key_event(tester.times, key_number, down, time_us, &gap_us);
    if (kind != KEY_EVENT_PRESS && kind != KEY_EVENT_BOUNCE) return false;
    if (!is_keyboard_key(key_number)) {
        std::memset(tester.lit, 0, sizeof tester.lit);
        std::snprintf(status, size, "This key has no VELMARO key number: no cell can send it");
        return true;
    }
    CellHit hits[MAX_CELL_HITS];
    const int count = cells_sending(key_number, hits);
    light_cells(tester, hits, count, kind == KEY_EVENT_BOUNCE);
    if (kind == KEY_EVENT_BOUNCE)
        std::snprintf(status, size, "%s bounced: pressed again %lld ms after its release", key_name(key_number, false),
                      gap_us / 1000);
    else
        format_hit_status(key_number, hits, count, status, size);
    return true;
}

int tested_cell_count(const KeyTester& tester) {
    int count = 0;
    for (int row = 0; row < view->row_count(); ++row)
        for (int column = 0; column < view->column_count(); ++column) {
            const int index = cell_index(row, column);
            if (tester.tested[index] && key_sent_by_code(config_model.key_table[index]) != KEY_NOT_USED) ++count;
        }
    return count;
}

void format_tested_count(int tested, int total, char* out, std::size_t size) {
    std::snprintf(out, size, "%d of %d keys tested", tested, total);
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
    for (int& step : slot.make_steps) step = 0;
}

namespace {

// Puts the steps (a delay, 0 for none, then a key step) at the end of the list if both fit
// in the list and in the macro memory; otherwise leaves the list as it was.
RecordResult append_steps(MacroRecorder& recorder, int delay, int step) {
    int* steps = recorder.slot->make_steps;
    const int needed = delay != 0 ? 2 : 1;
    if (recorder.count + needed > MACRO_STEP_COUNT) return RECORD_FULL;
    const int start = recorder.count;
    if (delay != 0) steps[recorder.count++] = delay;
    steps[recorder.count++] = step;
    if (macro_memory_used() > MACRO_MEMORY_SIZE) {
        for (int i = start; i < recorder.count; ++i) steps[i] = 0;
        recorder.count = start;
        return RECORD_NO_MEMORY;
    }
    return recorder.count == MACRO_STEP_COUNT ? RECORD_FULL : RECORD_GOING;
}

}  // namespace

RecordResult record_key_event(MacroRecorder& recorder, int key_number, bool down, long long time_us) {
    if (!is_keyboard_key(key_number)) return RECORD_GOING;
    if (down && recorder.down[key_number]) return RECORD_GOING;   // the keyboard's repeat
    if (!down && !recorder.down[key_number]) return RECORD_GOING; // pressed before the recording
    int delay = 0;
    if (recorder.with_delays && recorder.any_event) delay = delay_step_for_pause(time_us - recorder.last_us);
    const int before = recorder.count;
    const RecordResult result = append_steps(recorder, delay, down ? key_number : key_number | KEY_FLAG_BREAK);
    if (recorder.count == before) return result;  // nothing recorded
    recorder.down[key_number] = down;
    recorder.any_event = true;
    recorder.last_us = time_us;
    return result;
}
