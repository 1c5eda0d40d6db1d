// The scratch model: the engine's state saved, the work done, the state put back, and the
// messages of the work shown once the editor's own state is back.
#include "config/scratch_model.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/config_model.h"
#include "config/ui_ops.h"

namespace {
// Messages of the work on the scratch model, shown when it has ended.
std::vector<std::pair<MessageKind, std::string>> held_messages;

MessageAnswer hold_message(MessageKind kind, const char* text) {
    held_messages.emplace_back(kind, text);
    return ANSWER_OK;
}

bool refuse_file_dialog(bool, char*, std::size_t) { return false; }

const UiOps holding_ui_ops = {hold_message, refuse_file_dialog};

// What the in-memory view holds: the scratch work uses it too.
struct MemoryViewValues {
    int rows, columns;
    bool single_key, ghost_filter;
};

MemoryViewValues memory_view_values() {
    return {memory_view_ops.row_count(), memory_view_ops.column_count(), memory_view_ops.single_key_checked(),
            memory_view_ops.ghost_filter_checked()};
}

void restore_memory_view(const MemoryViewValues& values) {
    memory_view_ops.select_row_count(values.rows);
    memory_view_ops.select_column_count(values.columns);
    memory_view_ops.set_single_key_checked(values.single_key);
    memory_view_ops.set_ghost_filter_checked(values.ghost_filter);
}
}  // namespace

void on_scratch_model(const std::function<void()>& work) {
    const auto saved = std::make_unique<ConfigModel>(config_model);  // 16 KB: off the stack
    const bool saved_fn_view = fn_view_active;
    const MemoryViewValues saved_memory_view = memory_view_values();
    const ViewOps* saved_view = view;
    const UiOps* saved_ui = ui;
    std::vector<std::pair<MessageKind, std::string>> outer_messages;
    outer_messages.swap(held_messages);
    set_view_ops(&memory_view_ops);
    set_ui_ops(&holding_ui_ops);
    work();
    set_ui_ops(saved_ui);
    set_view_ops(saved_view);
    restore_memory_view(saved_memory_view);
    config_model = *saved;
    fn_view_active = saved_fn_view;
    std::vector<std::pair<MessageKind, std::string>> messages;
    messages.swap(held_messages);
    held_messages.swap(outer_messages);
    for (const auto& message : messages) ui->message_box(message.first, message.second.c_str());
}
