// Test helpers: a recording UiOps with scripted answers, and a clean model over the
// in-memory view.
//
//   reset_engine_state();                 // model as at process start, defaults of New,
//                                         // fake UI installed, nothing recorded or scripted
//   script_answer(ANSWER_YES);            // next message box answers Yes (queue)
//   script_file("/tmp/x.qzc");            // next file dialog chooses this path (queue)
//   script_file_cancel();                 // next file dialog is cancelled
//   ... run the engine ...
//   fake_messages[0].kind / .text         // every message box shown, in order
//   fake_dialogs[0].for_save / .offered   // every file dialog shown, with the name it offered
//   fake_refresh_count                    // calls of refresh_matrix_editor
#pragma once
#include <string>
#include <vector>

#include "config/config_model.h"
#include "config/ui_ops.h"

struct FakeMessage {
    MessageKind kind;
    std::string text;
};

struct FakeDialog {
    bool for_save;
    std::string offered;  // the name in the buffer when the dialog opened
};

extern std::vector<FakeMessage> fake_messages;
extern std::vector<FakeDialog> fake_dialogs;
extern int fake_refresh_count;

// Unscripted message boxes answer OK (Cancel for the save-changes question); unscripted
// file dialogs are cancelled.
void script_answer(MessageAnswer answer);
void script_file(const std::string& path);
void script_file_cancel();

// Installs the recording UiOps and a view over the memory view that counts refreshes;
// forgets records and scripts.
void install_fake_ui();

// Zeroes the model and the FN view flag, sets the memory view to 5 rows, 4 columns and
// both options off, then installs the fake UI.
void reset_engine_state();

// reset_engine_state() followed by load_default_configuration(); records cleared after.
void reset_to_default_configuration();

// Message texts only, in order (handy for EXPECT_EQ against a list).
std::vector<std::string> fake_message_texts();
