// The key tester and the macro recorder, without the window: which cells of the configuration
// send a key, the bounce rule, the status and count texts, and the steps a recording makes.
// Times are in microseconds from any fixed start (the front end reads the performance counter).
#pragma once
#include <cstddef>

#include "config/config_model.h"

// A press that comes less than this long after the key's release is a bounce.
constexpr long long BOUNCE_LIMIT_US = 20000;

// What a key event is to the tester.
enum KeyEventKind {
    KEY_EVENT_PRESS,          // the first key-down after a release (or the first ever)
    KEY_EVENT_BOUNCE,         // a press less than BOUNCE_LIMIT_US after the release
    KEY_EVENT_REPEAT,         // a key-down while the key is held: the keyboard's repeat
    KEY_EVENT_RELEASE,
    KEY_EVENT_STRAY_RELEASE,  // a key-up with no key-down before it
};

// The last state and release time of every key number.
struct KeyTimes {
    bool down[128];
    bool released[128];         // released at least once: release_us holds the time
    long long release_us[128];
};

// Classifies one event and records it. `gap_us` receives, for a press after a release, the
// time since that release (else 0).
KeyEventKind classify_key_event(KeyTimes& times, int key_number, bool down, long long time_us,
                                long long* gap_us);

// A cell that sends a key: its row and column, whether it is in the FN table, whether it runs a
// macro whose first make step presses the key.
struct CellHit {
    int row;
    int column;
    bool fn_table;
    bool macro;
};
constexpr int MAX_CELL_HITS = 20;   // rows + columns <= 9 leave at most 20 cells

// The key number that pressing a cell with this code sends first: the key of a plain or repeat
// key, the key of a macro whose first make step is a key press; 0 for anything else (Not Used,
// FN, Break All, a macro starting with a release or a delay).
int key_sent_by_code(int code);
// The cells of the current matrix (row and column counts of the view) that send `key_number`:
// those of the normal table; when none does, those of the FN table. Row by row.
int cells_sending(int key_number, CellHit hits[MAX_CELL_HITS]);
// The cells of the normal table that a press can reveal: the total of the count line.
int testable_cell_count();

// The tester's state: event times, and per cell of the normal table (cell_index) whether it
// was pressed, whether it bounced, and whether the last press lit it.
struct KeyTester {
    KeyTimes times;
    bool tested[KEY_TABLE_SIZE];
    bool bounced[KEY_TABLE_SIZE];
    bool lit[KEY_TABLE_SIZE];
};
void reset_key_tester(KeyTester& tester);
// One key event. For a press (bounces included) it lights the cells that send the key, marks
// them tested (and bouncing), writes the status line into `status` and returns true; repeats
// and releases change nothing shown and return false.
bool key_tester_event(KeyTester& tester, int key_number, bool down, long long time_us, char* status,
                      std::size_t size);
int tested_cell_count(const KeyTester& tester);
// "3 of 8 keys tested"
void format_tested_count(int tested, int total, char* out, std::size_t size);
// The status line before the first press.
extern const char* const KEY_TESTER_READY;

// ---- The macro recorder -------------------------------------------------------------------

// Why a recording stopped (or that it goes on).
enum RecordResult {
    RECORD_GOING,
    RECORD_FULL,        // the list holds MACRO_STEP_COUNT steps
    RECORD_NO_MEMORY,   // the next step would not fit in the macro memory; it was not recorded
};

struct MacroRecorder {
    MacroSlot* slot;        // a slot of config_model, in use: the macro memory counts it
    bool with_delays;
    int count;              // steps recorded
    bool down[128];         // pressed during the recording
    bool any_event;         // last_us holds the time of the last recorded event
    long long last_us;
};

// The delay step for a pause between two events: 0 below DELAY_UNIT_MS, else its count of
// 10 ms units rounded down, at most 2560 ms (delay_step_for_ms).
int delay_step_for_pause(long long pause_us);
// Empties the slot's "When Input Made" list and starts recording into it.
void start_recording(MacroRecorder& recorder, MacroSlot& slot, bool with_delays);
// One key event: a press becomes a make step, a release of a key pressed during the recording
// a break step; with delays, a pause of 10 ms or more before it becomes a delay step first.
// A delay and its step go in together or not at all (a list never ends in a delay).
RecordResult record_key_event(MacroRecorder& recorder, int key_number, bool down, long long time_us);
