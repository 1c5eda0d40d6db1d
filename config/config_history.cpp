// The edit history: a row of configurations, the first as it was when the history began and
// one after each step, with the place of each step, the index of the current state and the
// index of the state last saved (-1 when that state was dropped or replaced).
#include "config/config_history.h"

#include <cstring>
#include <deque>
#include <string>

#include "config/config_model.h"
#include "config/config_snapshot.h"

namespace {

struct HistoryState {
    ConfigSnapshot config;
    HistoryPlace place;  // of the step that led here (unused in the first state)
    bool fn_view_after;  // the view once the step was made
    bool renamed;        // the step changed the configuration's file name ...
    std::string file_name_before, file_name_after;  // ... from this one to that
};

std::deque<HistoryState> states;  // never empty once the history has begun
int current_state = 0;
int saved_state = 0;

ConfigSnapshot edit_before;  // history_begin_edit's capture
unsigned char edit_changed_before = 0;
std::string edit_file_name_before;
bool edit_begun = false;

bool same_lines(const int* a, const int* b) { return std::memcmp(a, b, sizeof(int) * MATRIX_MAX_LINES) == 0; }

// Field by field: the padding of a snapshot is no part of it.
bool same_configuration(const ConfigSnapshot& a, const ConfigSnapshot& b) {
    if (a.rows != b.rows || a.columns != b.columns) return false;
    if (!same_lines(a.column_pins, b.column_pins) || !same_lines(a.row_pins, b.row_pins)) return false;
    if (a.single_key_at_a_time != b.single_key_at_a_time || a.filter_ghost_keys != b.filter_ghost_keys)
        return false;
    return std::memcmp(a.keys, b.keys, sizeof a.keys) == 0 &&
           std::memcmp(a.fn_keys, b.fn_keys, sizeof a.fn_keys) == 0 &&
           std::memcmp(a.macros, b.macros, sizeof a.macros) == 0;
}

void begin_if_empty() {
    if (!states.empty()) return;
    states.emplace_back();
    capture_configuration(states.back().config);
    states.back().fn_view_after = fn_view_active;
    current_state = saved_state = 0;
}

void set_unsaved_flag() { config_model.config_changed = current_state == saved_state ? 0 : 1; }

// The oldest steps go first; the saved state may go with them.
void drop_oldest_steps() {
    while (static_cast<int>(states.size()) > HISTORY_STEP_LIMIT + 1) {
        states.pop_front();
        --current_state;
        saved_state = saved_state > 0 ? saved_state - 1 : -1;
    }
}

// An edit began on a configuration the history had not seen (changed without a step): the
// current state becomes that configuration, so that Undo comes back to it.
void take_unseen_change() {
    if (same_configuration(edit_before, states[current_state].config)) return;
    states[current_state].config = edit_before;
    if (saved_state == current_state) saved_state = -1;
}

void push_state(const ConfigSnapshot& after, const HistoryPlace& place, bool renamed) {
    states.erase(states.begin() + current_state + 1, states.end());
    if (saved_state > current_state) saved_state = -1;
    states.push_back(HistoryState{after, place, fn_view_active, renamed, edit_file_name_before,
                                  config_model.config_file_name});
    ++current_state;
    drop_oldest_steps();
}

// Puts back state `index`, and the file name `file_name` when the step undone or redone
// changed it.
void restore_state(int index, bool fn_view, bool renamed, const std::string& file_name) {
    current_state = index;
    edit_begun = false;
    apply_configuration(states[index].config);
    if (renamed) set_config_file_name(file_name);
    fn_view_active = fn_view;
    set_unsaved_flag();
    view->refresh_matrix_editor();
}

}  // namespace

void history_reset() {
    states.clear();
    edit_begun = false;
    begin_if_empty();
    set_unsaved_flag();
}

void history_begin_edit() {
    begin_if_empty();
    capture_configuration(edit_before);
    edit_changed_before = config_model.config_changed;
    edit_file_name_before = config_model.config_file_name;
    edit_begun = true;
}

bool history_record_step(const HistoryPlace& place) {
    begin_if_empty();
    static ConfigSnapshot after;  // kept off the stack, as every state is
    capture_configuration(after);
    const bool begun = edit_begun;
    edit_begun = false;
    const bool renamed = begun && edit_file_name_before != config_model.config_file_name;
    if (!renamed && same_configuration(after, begun ? edit_before : states[current_state].config)) {
        if (begun) config_model.config_changed = edit_changed_before;
        return false;
    }
    if (begun) take_unseen_change();
    push_state(after, place, renamed);
    set_unsaved_flag();
    return true;
}

// The name saved under is the one that Undo and Redo give back with this configuration: an
// Import's step proposed the document's name, and the user may have chosen another.
void history_mark_saved() {
    begin_if_empty();
    saved_state = current_state;
    const std::string name = config_model.config_file_name;
    if (states[current_state].renamed) states[current_state].file_name_after = name;
    if (history_can_redo() && states[current_state + 1].renamed) states[current_state + 1].file_name_before = name;
    set_unsaved_flag();
}

bool history_can_undo() { return current_state > 0; }
bool history_can_redo() { return current_state + 1 < static_cast<int>(states.size()); }

bool history_undo(HistoryPlace* shown) {
    if (!history_can_undo()) return false;
    const HistoryState& undone = states[current_state];
    const HistoryPlace place = undone.place;
    restore_state(current_state - 1, place.fn_view, undone.renamed, undone.file_name_before);
    if (shown) *shown = place;
    return true;
}

bool history_redo(HistoryPlace* shown) {
    if (!history_can_redo()) return false;
    const HistoryState& next = states[current_state + 1];
    restore_state(current_state + 1, next.fn_view_after, next.renamed, next.file_name_after);
    if (shown) *shown = states[current_state].place;
    return true;
}

int history_undo_count() { return current_state; }
int history_redo_count() { return states.empty() ? 0 : static_cast<int>(states.size()) - 1 - current_state; }
