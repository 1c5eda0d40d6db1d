// The key tester and the macro recorder, without the window: which cells of the configuration
// send a key, how the key events of one press of a cell follow each other (a macro's burst),
// the bounce rule, the status, count and held-key texts, and the steps a recording makes.
// Times are in microseconds from any fixed start (the front end reads the performance counter).
#pragma once
#include <cstddef>

#include "config/config_model.h"

// A press that comes less than this long after the key's release is a bounce.
constexpr long long BOUNCE_LIMIT_US = 20000;
// Two key events of one list of a macro come at most this long apart, plus twice the delays
// of the steps between them (the unit's timing and the PC's may stretch them); a list whose
// next event comes later was not the one that ran.
constexpr long long BURST_GAP_US = 500000;

// What a key event is to the tester.
enum KeyEventKind {
    KEY_EVENT_PRESS,          // the first key-down after a release (or the first ever)
    KEY_EVENT_BOUNCE,         // a press less than BOUNCE_LIMIT_US after the release
    KEY_EVENT_REPEAT,         // a key-down while the key is held: the keyboard's repeat
    KEY_EVENT_RELEASE,
    KEY_EVENT_STRAY_RELEASE,  // a key-up with no key-down before it
};

constexpr int KEY_NUMBER_COUNT = 128;

// The last state and release time of every key number.
struct KeyTimes {
    bool down[KEY_NUMBER_COUNT];
    bool released[KEY_NUMBER_COUNT];         // released at least once: release_us holds the time
    long long release_us[KEY_NUMBER_COUNT];
};

// Classifies one event and records it. `gap_us` receives, for a press after a release, the
// time since that release (else 0).
KeyEventKind classify_key_event(KeyTimes& times, int key_number, bool down, long long time_us,
                                long long* gap_us);

// A cell that sends a key: its row and column, whether it is in the FN table, whether it runs a
// macro.
struct CellHit {
    int row;
    int column;
    bool fn_table;
    bool macro;
};
constexpr int MAX_CELL_HITS = 20;   // rows + columns <= 9 leave at most 20 cells

// The key whose press is the first key event that pressing a cell with this code makes: the key
// of a plain or repeat key; for a macro, the first key its steps press (delays, and releases of
// keys it does not hold, make no event), from its made list or, when that makes none, from its
// breaks list; 0 for anything else (Not Used, FN, an empty macro). Key 50 gives 49, as the
// PC sees it.
int key_sent_by_code(int code);
// The cells of the normal table that a press can reveal: the total of the count line.
int testable_cell_count();

// One cell whose key events the tester follows: where in its lists the events have come to,
// and the keys its steps hold down.
struct CellFollower {
    CellHit cell;
    int code;
    int list;                       // 0 the made list, 1 the breaks list
    int step;                       // the next step of that list
    bool held[KEY_NUMBER_COUNT];
    long long last_us;              // the time of its last event
    bool bounced_before;            // the cell's bounce mark before this press
};

// The tester's state: event times; per cell of the normal table (cell_index) the presses seen,
// whether one bounced, and whether the last press lit it; the cells that the present burst of
// key events may come from.
struct KeyTester {
    KeyTimes times;
    int presses[KEY_TABLE_SIZE];
    bool bounced[KEY_TABLE_SIZE];
    bool lit[KEY_TABLE_SIZE];
    CellFollower followers[MAX_CELL_HITS];
    int follower_count;
    int burst_key;                  // the key of the burst's first event
};
void reset_key_tester(KeyTester& tester);
// Reset: the marks and counts go, the keys held stay known.
void clear_key_tester_marks(KeyTester& tester);
// The keyboard was away (another window was active): key states and the burst are unknown.
void key_tester_lost_keyboard(KeyTester& tester);
// One key event. A press that starts a burst lights the cells it may come from, counts a
// press on each and marks them tested (and bouncing); the later events of the burst follow the
// steps of those cells, and once they tell the cells apart, the others' marks are taken back.
// Returns true, with the status line in `status`, when what is shown changed.
bool key_tester_event(KeyTester& tester, int key_number, bool down, long long time_us, char* status,
                      std::size_t size);
// The time passed without an event: the cells whose next key event is overdue drop out as
// above. Returns true, with the status line, when what is shown changed.
bool key_tester_expire(KeyTester& tester, long long now_us, char* status, std::size_t size);
int tested_cell_count(const KeyTester& tester);
// "3 of 8 keys tested"
void format_tested_count(int tested, int total, char* out, std::size_t size);
// "Held down: Left Ctrl, C", or "Held down: none".
void format_held_keys(const KeyTester& tester, char* out, std::size_t size);
// The status line before the first press.
extern const char* const KEY_TESTER_READY;

// ---- The macro recorder -------------------------------------------------------------------

// What became of a key event, or why the recording stopped.
enum RecordResult {
    RECORD_GOING,
    RECORD_FULL,        // the event's steps, with the releases of the keys held, do not fit in the list
    RECORD_NO_MEMORY,   // ... in the macro memory; the event was not recorded
    RECORD_SWALLOWED,   // a key typed after such a stop: taken from the dialog, not recorded
};

// After a stop the user did not ask for, keys are taken until none was pressed for this long.
constexpr long long QUIET_AFTER_STOP_US = 500000;

enum RecorderState { RECORDER_IDLE, RECORDER_RECORDING, RECORDER_SWALLOWING };

struct MacroRecorder {
    MacroSlot* slot;        // a slot of config_model, in use: the macro memory counts it
    bool with_delays;
    RecorderState state;
    int count;              // steps in the list
    int held[KEY_NUMBER_COUNT];  // keys pressed during the recording and not released, in order
    int held_count;
    bool any_event;         // last_us holds the time of the last recorded event
    long long last_us;
    int released_at_end;    // releases put at the end of the list when it stopped
    long long last_press_us;     // while swallowing: the last key-down
    bool swallowed_press;        // a key was typed after the stop
};

// The delay step for a pause between two events: 0 below DELAY_UNIT_MS, else its count of
// 10 ms units rounded down, at most 2560 ms (delay_step_for_ms).
int delay_step_for_pause(long long pause_us);
// Empties the slot's "When Input Made" list and starts recording into it.
void start_recording(MacroRecorder& recorder, MacroSlot& slot, bool with_delays);
// One key event: a press becomes a make step, a release of a key pressed during the recording
// a break step; with delays, a pause of 10 ms or more before it becomes a delay step first.
// Room is kept for the releases of the keys held: an event whose steps would leave no room
// for them ends the recording before it (RECORD_FULL, RECORD_NO_MEMORY), as does the list's
// sixteenth step. The end puts the releases of the keys still held at the end of the list,
// and the keys typed after it are swallowed (RECORD_SWALLOWED) until none was pressed for
// QUIET_AFTER_STOP_US (recorder_quiet).
RecordResult record_key_event(MacroRecorder& recorder, int key_number, bool down, long long time_us);
// Stop, or another window chosen: the releases of the keys held go at the end of the list.
void stop_recording(MacroRecorder& recorder);
// While swallowing: whether no key was pressed for QUIET_AFTER_STOP_US up to `now_us`; then
// the recorder is idle and gives the keys back.
bool recorder_quiet(MacroRecorder& recorder, long long now_us);

// Why a recording stopped, for its status text.
enum RecordStop { STOP_BY_USER, STOP_FULL, STOP_NO_MEMORY, STOP_OTHER_WINDOW };
// "Stopped: the list is full, 16 steps recorded." with, when they were added, "The release of
// L Sft was added." and, once a key was swallowed, "Keys typed after the stop were not
// recorded."
void format_record_status(const MacroRecorder& recorder, RecordStop why, char* out, std::size_t size);
