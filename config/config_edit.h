// The editors' rules for changing a cell: what else a new code changes in the configuration.
#pragma once

// Stores `code` for `cell` in the FN table (`fn_table`) or the normal table. A cell of the
// normal table that stops being the FN key loses its FN-table entry, and a macro that no
// entry of either table runs any more is freed. Returns whether the configuration changed.
bool store_cell_code(bool fn_table, int cell, int code);

// Frees the slot of the macro that `old_code` ran when no entry of the normal or the FN table,
// inside or outside the counts in use, refers to it any more: its steps are cleared and its
// memory comes back.
void free_macro_if_unreachable(int old_code);
