// The edit history: every change the user makes to the configuration is one step that Undo
// takes back whole and Redo makes again, and the history knows which of its states was last
// saved, opened or read, so that the unsaved-changes flag follows Undo and Redo.
//
// An editor captures the configuration before it changes anything and records the step
// afterwards; a change that changes nothing is no step:
//
//   history_begin_edit();                  // the configuration and the unsaved flag as now
//   ... the dialog, the model changed ...
//   history_record_step({fn_view_active, FOCUS_CELL, row, column});
//
// A loader that replaces the whole configuration (Read) may skip history_begin_edit:
// history_record_step then compares with the history's current state. A step begun with
// history_begin_edit that changes the configuration's file name (Import) carries the name:
// Undo puts the name back with the configuration, Redo sets it again. New and Open start a
// fresh history with history_reset(); Save, Open, New and a successful Read mark the current
// state as saved (history_reset does so itself).
#pragma once

// What a step changed, to show it again when the step is undone or redone.
enum HistoryFocus { FOCUS_NONE, FOCUS_CELL, FOCUS_ROW, FOCUS_COLUMN };

struct HistoryPlace {
    bool fn_view;        // the view (normal or FN) in which the change was made
    HistoryFocus focus;  // what to scroll into view
    int row;             // model row, counted from 0 (FOCUS_CELL, FOCUS_ROW)
    int column;          // model column, counted from 0 (FOCUS_CELL, FOCUS_COLUMN)
};

// Steps kept; beyond them the oldest go first. A step holds one configuration (about 17 KB).
constexpr int HISTORY_STEP_LIMIT = 100;

// Forgets every step: the current configuration becomes the first state, and it is saved.
void history_reset();
// Captures the configuration and the unsaved flag before an edit.
void history_begin_edit();
// Ends an edit: when the configuration (or, after history_begin_edit, its file name) differs
// from the one before, records a step made at `place` (the redo entries are dropped) and marks
// the configuration unsaved; otherwise puts the unsaved flag back as it was at
// history_begin_edit. Returns whether a step was recorded.
bool history_record_step(const HistoryPlace& place);
// The current state is the one saved (Save, a successful Read).
void history_mark_saved();

bool history_can_undo();
bool history_can_redo();
// Puts back the configuration before the last step (after it, for Redo), in the view where
// the step was made, sets the unsaved flag and refreshes the editor. `shown` (may be null)
// receives the step's place. False when there is nothing to undo (redo).
bool history_undo(HistoryPlace* shown);
bool history_redo(HistoryPlace* shown);

// Steps that can be undone and redone (for tests and the memory bound).
int history_undo_count();
int history_redo_count();
