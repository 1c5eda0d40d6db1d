// The configuration being edited, its defaults (New) and the unsaved-changes question.
#pragma once
#include <cstddef>
#include <string>

constexpr int MATRIX_MAX_LINES = 8;     // rows or columns
constexpr int MATRIX_MAX_PINS = 9;      // header pins; rows + columns <= 9
constexpr int KEY_TABLE_SIZE = 64;      // cell_index range
constexpr int MACRO_STEP_COUNT = 16;    // per list
constexpr int MACRO_SLOT_COUNT = 127;     // macro numbers 1..HIGHEST_MACRO_NUMBER
constexpr std::size_t CONFIG_FILE_NAME_SIZE = 512;

struct MacroSlot {
    int make_steps[MACRO_STEP_COUNT];
    int break_steps[MACRO_STEP_COUNT];
    int in_use;
};

// Row and column counts and the two options are not fields: they live in the main window's
// controls and are reached through the view operations below.
struct ConfigModel {
    int column_pins[MATRIX_MAX_LINES];  // pin index (pin number - 1) of columns 1..8
    int row_pins[MATRIX_MAX_LINES];
    int key_table[KEY_TABLE_SIZE];      // indexed by cell_index
    int fn_key_table[KEY_TABLE_SIZE];
    MacroSlot macro_slots[MACRO_SLOT_COUNT];  // slot s holds macro number s + 1
    unsigned char config_changed;
    char config_file_name[CONFIG_FILE_NAME_SIZE];
};

extern ConfigModel config_model;
extern bool fn_view_active;             // the matrix editor shows the FN table

inline int cell_index(int row, int column) { return column + 8 * row; }

// The steps of a list: a list ends at its first empty step, and only the steps before it are
// written to the image.
inline int step_count(const int steps[MACRO_STEP_COUNT]) {
    int n = 0;
    while (n < MACRO_STEP_COUNT && steps[n] != 0) ++n;
    return n;
}

// View operations: the only way the core reads or sets what lives in the window.
struct ViewOps {
    int (*row_count)();                 // 1..8
    void (*select_row_count)(int rows);
    int (*column_count)();
    void (*select_column_count)(int columns);
    bool (*single_key_checked)();
    void (*set_single_key_checked)(bool on);
    bool (*ghost_filter_checked)();
    void (*set_ghost_filter_checked)(bool on);
    void (*refresh_matrix_editor)();
};

extern const ViewOps* view;             // never null: defaults to the in-memory view
void set_view_ops(const ViewOps* ops);

// A view that keeps the four values in memory and refreshes nothing (tests, velmaroctl).
extern const ViewOps memory_view_ops;

// Whether a cell of the normal or the FN table runs macro `number`: among the rows and columns
// `rows` x `columns` (the counts in use), or among all 64 cells of each table when they are 8.
bool model_refers_to_macro(int number, int rows, int columns);

// Sets the configuration's file name, cut to what it holds.
void set_config_file_name(const std::string& name);

// New: asks about unsaved changes, then loads the default configuration and starts a fresh
// edit history.
void new_configuration();
// Loads the defaults without asking (the body of New).
void load_default_configuration();
// The unsaved-changes question. Returns true to proceed, false to abort.
bool ask_save_changes();
