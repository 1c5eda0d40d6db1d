// How the portable core reaches the user: message boxes and the file dialogs.
// The Windows front end installs its implementation; tests and the command-line tool
// install their own.
#pragma once
#include <cstddef>
#include <string>

// Every message box of the program carries this caption.
constexpr const char* APP_TITLE = "VELMARO Configuration Utility";

enum MessageKind {
    MESSAGE_ERROR,        // error icon, OK
    MESSAGE_PLAIN,        // no icon, OK
    MESSAGE_SAVE_CHANGES  // question icon, Yes / No / Cancel
};

enum MessageAnswer { ANSWER_OK, ANSWER_YES, ANSWER_NO, ANSWER_CANCEL };

struct UiOps {
    // Shows `text` owned by the main window with the caption APP_TITLE.
    MessageAnswer (*message_box)(MessageKind kind, const char* text);
    // Shows the save (for_save) or open dialog over the NUL-terminated path in `name`
    // (capacity bytes). Returns false when the user cancelled; otherwise `name` holds
    // the chosen path.
    bool (*choose_file)(bool for_save, char* name, std::size_t capacity);
};

// The installed implementation; never null (a silent default answers OK / Cancel).
extern const UiOps* ui;
void set_ui_ops(const UiOps* ops);

// An error message box with `text`.
void report_error_message(const std::string& text);
