#include "fake_ui.h"

#include <cstring>
#include <deque>
#include <optional>

std::vector<FakeMessage> fake_messages;
std::vector<FakeDialog> fake_dialogs;
int fake_refresh_count = 0;

namespace {
std::deque<MessageAnswer> scripted_answers;
std::deque<std::optional<std::string>> scripted_files;  // nullopt: cancel

MessageAnswer fake_message_box(MessageKind kind, const char* text) {
    fake_messages.push_back({kind, text ? text : ""});
    if (scripted_answers.empty()) return kind == MESSAGE_SAVE_CHANGES ? ANSWER_CANCEL : ANSWER_OK;
    const MessageAnswer answer = scripted_answers.front();
    scripted_answers.pop_front();
    return answer;
}

bool fake_choose_file(bool for_save, char* name, std::size_t capacity) {
    fake_dialogs.push_back({for_save, name});
    if (scripted_files.empty()) return false;
    const std::optional<std::string> choice = scripted_files.front();
    scripted_files.pop_front();
    if (!choice || choice->size() + 1 > capacity) return false;
    std::memcpy(name, choice->c_str(), choice->size() + 1);
    return true;
}

const UiOps fake_ui_ops = {fake_message_box, fake_choose_file};

void counting_refresh() { ++fake_refresh_count; }

ViewOps counting_view_ops;
}  // namespace

void script_answer(MessageAnswer answer) { scripted_answers.push_back(answer); }
void script_file(const std::string& path) { scripted_files.push_back(path); }
void script_file_cancel() { scripted_files.push_back(std::nullopt); }

void install_fake_ui() {
    fake_messages.clear();
    fake_dialogs.clear();
    fake_refresh_count = 0;
    scripted_answers.clear();
    scripted_files.clear();
    set_ui_ops(&fake_ui_ops);
    counting_view_ops = memory_view_ops;
    counting_view_ops.refresh_matrix_editor = counting_refresh;
    set_view_ops(&counting_view_ops);
}

void reset_engine_state() {
    std::memset(&config_model, 0, sizeof config_model);
    fn_view_active = false;
    memory_view_ops.select_row_count(5);
    memory_view_ops.select_column_count(4);
    memory_view_ops.set_single_key_checked(false);
    memory_view_ops.set_ghost_filter_checked(false);
    install_fake_ui();
}

void reset_to_default_configuration() {
    reset_engine_state();
    load_default_configuration();
    install_fake_ui();
}

std::vector<std::string> fake_message_texts() {
    std::vector<std::string> texts;
    for (const FakeMessage& message : fake_messages) texts.push_back(message.text);
    return texts;
}
