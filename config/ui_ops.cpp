// The installed message and file dialog operations, and a silent default.
#include "config/ui_ops.h"

namespace {
MessageAnswer silent_message_box(MessageKind kind, const char*) {
    return kind == MESSAGE_SAVE_CHANGES ? ANSWER_CANCEL : ANSWER_OK;
}
bool silent_choose_file(bool, char*, std::size_t) { return false; }
const UiOps silent_ui_ops = {silent_message_box, silent_choose_file};
}  // namespace

const UiOps* ui = &silent_ui_ops;

void set_ui_ops(const UiOps* ops) { ui = ops ? ops : &silent_ui_ops; }

void report_error_message(const std::string& text) { ui->message_box(MESSAGE_ERROR, text.c_str()); }
