// The view operations over plain variables: the window's four values kept in memory.
#include "config/config_model.h"

namespace {
struct MemoryView {
    int rows = 5;
    int columns = 4;
    bool single_key = false;
    bool ghost_filter = false;
} memory_view;

int memory_row_count() { return memory_view.rows; }
void memory_select_row_count(int rows) { memory_view.rows = rows; }
int memory_column_count() { return memory_view.columns; }
void memory_select_column_count(int columns) { memory_view.columns = columns; }
bool memory_single_key() { return memory_view.single_key; }
void memory_set_single_key(bool on) { memory_view.single_key = on; }
bool memory_ghost_filter() { return memory_view.ghost_filter; }
void memory_set_ghost_filter(bool on) { memory_view.ghost_filter = on; }
void memory_refresh() {}
}  // namespace

const ViewOps memory_view_ops = {
    memory_row_count,   memory_select_row_count, memory_column_count,
    memory_select_column_count, memory_single_key, memory_set_single_key,
    memory_ghost_filter, memory_set_ghost_filter, memory_refresh,
};

const ViewOps* view = &memory_view_ops;

void set_view_ops(const ViewOps* ops) { view = ops ? ops : &memory_view_ops; }
