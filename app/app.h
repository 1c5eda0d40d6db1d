// Program-wide state of the Windows front end: the shell, the matrix editor and the
// picture, and the handlers the main window procedure hands to them.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

// ---- Shell (main.cpp, main_window.cpp) --------------------------------------------------
extern HINSTANCE app_instance;
extern HWND main_window;
extern HFONT ui_font;

// Child controls of the main window, all with identifier 0.
extern HWND single_key_check, ghost_filter_check;
extern HWND rows_caption, columns_caption, picture_caption;
extern HWND header_labels[9];
extern HWND rows_combo, columns_combo;
extern HWND pin_combos[9];
extern HWND cell_buttons[20];
extern HWND vertical_scroll_bar, horizontal_scroll_bar;
// Set once every child control exists: sizing and scrolling reach the matrix editor only then.
extern bool main_controls_ready;

// Start-up steps 1..10 (installation check to accelerators), then the window takes dropped
// files. `command_line` is what follows the program's name: empty for the plain start, which
// returns false when no device was found (the message was shown and the window destroyed);
// "/offline" and a file name skip the presence check, and the file is opened as Open does.
bool start_application(HINSTANCE instance, int show_command, const char* command_line = "");
// The message loop; returns the quit code. Also deletes ui_font.
int run_message_loop();
// One message of the loop: offered to the accelerator table against main_window, else
// translated and dispatched. The GUI tests pump with it too.
extern HACCEL accelerator_table;
void dispatch_loop_message(MSG* message);

// The folder the program was started from, with a backslash at its end ("" when unknown).
std::string program_folder();
// What the main window's frame, title bar and menu bar add to its client area at its DPI.
SIZE main_window_frame();
// The window moved to a monitor of `dpi` (WM_DPICHANGED): a font for that DPI, every control
// and the picture at the new scale, and the window in the rectangle Windows suggests.
void rescale_main_window(int dpi, const RECT& suggested);

// Child control makers of the main window (identifier 0, ui_font, not shown).
HWND create_combo_box(int x, int y, int width, int height);
HWND create_check_box(int x, int y, int width, int height, const char* text);
HWND create_cell_button(int x, int y, int width, int height, const char* text);
HWND create_label(int x, int y, int width, int height, const char* text);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK info_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// ---- Display scale (display_scale.cpp) ---------------------------------------------------
// Pixel figures are given for 96 DPI. At another DPI each is MulDiv(figure, dpi, 96): this
// rule, scale_figure, is the only one; `scaled` applies it at the main window's DPI.
constexpr int DESIGN_DPI = 96;
extern int main_window_dpi;   // set when the window is made and when it moves to another DPI
int scale_figure(int figure, int dpi);
int scaled(int figure);
// The DPI a window is drawn at, and the DPI of the primary monitor.
int window_dpi(HWND window);
int system_dpi();
// What a window's frame, title bar and (with `menu`) menu bar add to its client area at `dpi`.
SIZE frame_size_for_dpi(DWORD style, DWORD ex_style, bool menu, int dpi);
// The work area of the monitor that holds most of `window`.
RECT work_area_of(HWND window);
// Where a window `width` x `height` whose top left corner is at `at` goes to lie in `work`:
// moved as little as it takes, its top left corner kept in when it is larger.
POINT position_within(POINT at, int width, int height, const RECT& work);

// ---- Tools menu (tools_commands.cpp) ----------------------------------------------------
// Runs a command of the block 1100..1199; numbers without a command do nothing.
void run_tools_command(int command);
// The common open (for_save false) or save dialog with its own title and filter (pairs of
// NUL-terminated strings, ending in an empty one) over the path in `name`; false when cancelled.
bool choose_file_titled(bool for_save, const char* title, const char* filter, char* name, std::size_t capacity);

// The key tester, dialog 2470 (key_tester_dialog.cpp), over the editor's configuration; one
// already open comes to the front. Closing the main window closes it first.
void show_key_tester();
void close_key_tester();

// Window procedures replaced by the shell; the previous ones are kept here.
extern WNDPROC previous_combo_box_proc;
extern WNDPROC previous_cell_button_proc;

// The Windows implementations of the core's interfaces (view_ops.cpp, ui_ops_win.cpp).
extern const struct ViewOps window_view_ops;
void install_windows_front_end();

// ---- Matrix editor view (matrix_view.cpp) ----------------------------------------------
extern int visible_columns, visible_rows;
void layout_matrix_editor();
void update_scroll_ranges();
void refresh_cell_captions();
void refresh_matrix_editor();
void scroll_columns(int delta, bool redraw);
void scroll_rows(int delta, bool redraw);
void relayout_matrix_editor();                       // every control placed anew (the scale changed)
void matrix_on_size();                               // WM_SIZE, not minimised
void matrix_on_sizing(WPARAM edge, RECT* proposed);  // WM_SIZING
void matrix_on_scroll(UINT message, WPARAM wparam);  // WM_HSCROLL, WM_VSCROLL
// `client` made smaller by whole half cells, on either side, until the main window fits `work`.
SIZE client_size_within(SIZE client, const RECT& work);

// ---- Matrix editor input (matrix_input.cpp) --------------------------------------------
void matrix_on_command(WPARAM wparam, LPARAM lparam);  // control notifications
LRESULT CALLBACK cell_button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK combo_box_proc(HWND combo, UINT message, WPARAM wparam, LPARAM lparam);

// ---- Cell clicks (cell_click.cpp) ------------------------------------------------------
// A click on the visible cell button at grid position k: the FN view toggle (right button
// held), the macro editor (Ctrl held) or the key selection.
void on_cell_clicked(int grid_position);

// ---- Pinout picture (pinout.cpp) -------------------------------------------------------
void paint_pinout_picture();
void release_pinout_pictures();
