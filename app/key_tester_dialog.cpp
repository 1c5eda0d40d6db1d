// Dialog 2470, the key tester: the normal table of the editor's matrix with its rows and
// columns named by their pins and the presses each cell saw, a status line, the keys held down,
// a count line, Reset and Close. While it is the active window the keyboard hook takes every
// key (Tab, Enter, Esc, Alt and the Windows keys included), so the mouse alone closes it. The
// rules (which cells a burst of keys comes from, bounces, the texts) are the core's. Its
// controls are placed in pixels of 96 DPI, scaled to the dialog's DPI.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/matrix_view.h"
#include "config/config_model.h"
#include "keys/key_dialogs.h"
#include "keys/key_tester.h"
#include "resource.h"

namespace {

// Layout in pixels at 96 DPI: headings, cells, the text lines and the buttons under the grid.
constexpr int MARGIN = 8;
constexpr int ROW_HEADING_WIDTH = 72;
constexpr int COLUMN_HEADING_HEIGHT = 32;
constexpr int TESTER_CELL_WIDTH = 96;
constexpr int TESTER_CELL_HEIGHT = 60;
constexpr int MIN_TESTER_CELL_HEIGHT = 44;   // still three lines of a caption: key, "[Repeat]", count
constexpr int ROW_HEADING_HEIGHT = 32;       // its two lines, centred on the row
constexpr int STATUS_HEIGHT = 32;
constexpr int LINE_HEIGHT = 16;
constexpr int LINE_GAP = 4;
constexpr int BUTTON_WIDTH = 75;
constexpr int BUTTON_HEIGHT = 23;
constexpr int MIN_CLIENT_WIDTH = 440;

// How often the tester looks whether a burst's next key is overdue.
constexpr UINT EXPIRE_TIMER = 1;
constexpr UINT EXPIRE_PERIOD_MS = 100;

// A cell's colour by its state: not yet tested, tested, lit by the last press, bounced.
enum CellState { CELL_UNTESTED, CELL_TESTED, CELL_LIT, CELL_BOUNCED, CELL_STATE_COUNT };
constexpr COLORREF CELL_COLOURS[CELL_STATE_COUNT] = {RGB(255, 255, 255), RGB(200, 240, 200), RGB(255, 240, 120),
                                                     RGB(255, 170, 150)};

KeyTester tester;
HWND tester_dialog;
HBRUSH cell_brushes[CELL_STATE_COUNT];
HWND column_headings[MATRIX_MAX_LINES], row_headings[MATRIX_MAX_LINES];
int tester_dpi = DESIGN_DPI;
HFONT rescaled_font;   // the dialog's font made for another DPI than the one it opened at

int shown_rows() { return matrix_row_count(); }
int shown_columns() { return matrix_column_count(); }

HWND cell_control(int row, int column) {
    return GetDlgItem(tester_dialog, IDC_TESTER_CELL + row * shown_columns() + column);
}

// A control at x, y with width x height, figures of 96 DPI, at the dialog's scale.
void place(HWND control, int x, int y, int width, int height) {
    const auto px = [](int figure) { return scale_figure(figure, tester_dpi); };
    MoveWindow(control, px(x), px(y), px(width), px(height), FALSE);
}

HWND create_static(HWND dialog, const char* text, int id, DWORD style) {
    HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTER | style, 0, 0, 0, 0, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app_instance, nullptr);
    SendMessageA(control, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
    return control;
}

// The caption as the editor shows it, with a line that says what the tester saw: "tested ×2".
void show_cell(int row, int column) {
    const int index = cell_index(row, column);
    char caption[CELL_CAPTION_SIZE + 32];
    build_normal_cell_caption(config_model.key_table[index], caption);
    const std::size_t length = std::strlen(caption);
    if (tester.presses[index] > 0)
        std::snprintf(caption + length, sizeof caption - length, "\n%s \xD7%d",
                      tester.bounced[index] ? "bounced" : "tested", tester.presses[index]);
    SetWindowTextA(cell_control(row, column), caption);
}

void show_count() {
    char text[64];
    format_tested_count(tested_cell_count(tester), testable_cell_count(), text, sizeof text);
    SetDlgItemTextA(tester_dialog, IDC_TESTER_COUNT, text);
}

void show_held_keys() {
    char text[256];
    format_held_keys(tester, text, sizeof text);
    char shown[256];
    GetDlgItemTextA(tester_dialog, IDC_TESTER_HELD, shown, sizeof shown);
    if (std::strcmp(text, shown) != 0) SetDlgItemTextA(tester_dialog, IDC_TESTER_HELD, text);
}

void show_all_cells() {
    for (int row = 0; row < shown_rows(); ++row)
        for (int column = 0; column < shown_columns(); ++column) show_cell(row, column);
    InvalidateRect(tester_dialog, nullptr, TRUE);
}

void create_headings_and_cells(HWND dialog) {
    char text[32];
    for (int column = 0; column < shown_columns(); ++column) {
        std::snprintf(text, sizeof text, "Col %d\n(pin %d)", column + 1, config_model.column_pins[column] + 1);
        column_headings[column] = create_static(dialog, text, -1, 0);
    }
    for (int row = 0; row < shown_rows(); ++row) {
        std::snprintf(text, sizeof text, "Row %d\n(pin %d)", row + 1, config_model.row_pins[row] + 1);
        row_headings[row] = create_static(dialog, text, -1, 0);
        for (int column = 0; column < shown_columns(); ++column)
            create_static(dialog, "", IDC_TESTER_CELL + row * shown_columns() + column, WS_BORDER);
    }
}

// The height of the dialog's client area, in figures of 96 DPI, with cells `cell_height` high.
int tester_client_height(int cell_height) {
    return MARGIN + COLUMN_HEADING_HEIGHT + shown_rows() * cell_height + MARGIN + STATUS_HEIGHT + LINE_GAP +
           LINE_HEIGHT + LINE_GAP + BUTTON_HEIGHT + MARGIN;
}

// The cells are as high as the work area of the dialog's monitor allows with the dialog and its
// frame in it (eight rows at 200 % would push Reset and Close off a 1200-pixel screen), but
// never lower than three lines of a caption.
int fitting_cell_height(HWND dialog, int frame_height) {
    const RECT work = work_area_of(dialog);
    const int room = (work.bottom - work.top - frame_height) * DESIGN_DPI / tester_dpi;
    const int fixed = tester_client_height(0);
    int height = (room - fixed) / shown_rows() - 1;  // one figure spare for rounding each line scaled
    if (height > TESTER_CELL_HEIGHT) height = TESTER_CELL_HEIGHT;
    return height < MIN_TESTER_CELL_HEIGHT ? MIN_TESTER_CELL_HEIGHT : height;
}

// Moves the dialog, when it sticks out of the work area, as far as it takes to come in (its
// top left corner first).
void move_into_work_area(HWND dialog) {
    RECT box;
    GetWindowRect(dialog, &box);
    const POINT at =
        position_within(POINT{box.left, box.top}, box.right - box.left, box.bottom - box.top, work_area_of(dialog));
    if (at.x != box.left || at.y != box.top)
        SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The headings and cells; under them the status line, the held keys, the count line with Reset
// and Close; the dialog sized to hold them, and moved into the work area.
void place_tester_controls(HWND dialog) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    const SIZE frame =
        frame_size_for_dpi(style, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)), false, tester_dpi);
    const int cell_height = fitting_cell_height(dialog, frame.cy);
    const int grid_left = MARGIN + ROW_HEADING_WIDTH, grid_top = MARGIN + COLUMN_HEADING_HEIGHT;
    for (int column = 0; column < shown_columns(); ++column)
        place(column_headings[column], grid_left + column * TESTER_CELL_WIDTH, MARGIN, TESTER_CELL_WIDTH,
              COLUMN_HEADING_HEIGHT);
    const int heading_offset = (cell_height - ROW_HEADING_HEIGHT) / 2;
    for (int row = 0; row < shown_rows(); ++row) {
        const int top = grid_top + row * cell_height;
        place(row_headings[row], MARGIN, top + heading_offset, ROW_HEADING_WIDTH, cell_height - heading_offset);
        for (int column = 0; column < shown_columns(); ++column)
            place(cell_control(row, column), grid_left + column * TESTER_CELL_WIDTH, top, TESTER_CELL_WIDTH - 2,
                  cell_height - 2);
    }
    const int grid_width = ROW_HEADING_WIDTH + shown_columns() * TESTER_CELL_WIDTH;
    const int width = grid_width + 2 * MARGIN > MIN_CLIENT_WIDTH ? grid_width + 2 * MARGIN : MIN_CLIENT_WIDTH;
    const int status_y = grid_top + shown_rows() * cell_height + MARGIN;
    const int held_y = status_y + STATUS_HEIGHT + LINE_GAP;
    const int count_y = held_y + LINE_HEIGHT + LINE_GAP;
    const int close_x = width - MARGIN - BUTTON_WIDTH;
    const int reset_x = close_x - MARGIN - BUTTON_WIDTH;
    place(GetDlgItem(dialog, IDC_TESTER_STATUS), MARGIN, status_y, width - 2 * MARGIN, STATUS_HEIGHT);
    place(GetDlgItem(dialog, IDC_TESTER_HELD), MARGIN, held_y, width - 2 * MARGIN, LINE_HEIGHT);
    place(GetDlgItem(dialog, IDC_TESTER_COUNT), MARGIN, count_y + LINE_GAP, reset_x - 2 * MARGIN, LINE_HEIGHT);
    place(GetDlgItem(dialog, IDC_TESTER_RESET), reset_x, count_y, BUTTON_WIDTH, BUTTON_HEIGHT);
    place(GetDlgItem(dialog, IDC_TESTER_CLOSE), close_x, count_y, BUTTON_WIDTH, BUTTON_HEIGHT);
    SetWindowPos(dialog, nullptr, 0, 0, scale_figure(width, tester_dpi) + frame.cx,
                 scale_figure(tester_client_height(cell_height), tester_dpi) + frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    move_into_work_area(dialog);
    InvalidateRect(dialog, nullptr, TRUE);
}

BOOL CALLBACK give_font(HWND child, LPARAM font) {
    SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

// The dialog's font made anew for `dpi` and given to every control.
void rescale_tester_font(HWND dialog, int dpi) {
    LOGFONTA font = {};
    if (!GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font)) return;
    font.lfHeight = MulDiv(font.lfHeight, dpi, tester_dpi);
    const HFONT previous = rescaled_font;
    rescaled_font = CreateFontIndirectA(&font);
    SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(rescaled_font), FALSE);
    EnumChildWindows(dialog, give_font, reinterpret_cast<LPARAM>(rescaled_font));
    if (previous) DeleteObject(previous);
}

// Moved to a monitor of another DPI: the font and every control at the new scale, the dialog
// where Windows suggests (its size follows from the layout).
BOOL on_tester_dpi_changed(HWND dialog, int dpi, const RECT* suggested) {
    rescale_tester_font(dialog, dpi);
    tester_dpi = dpi;
    place_tester_controls(dialog);
    const UINT keep = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (suggested) SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0, keep);
    return TRUE;
}

void show_status(const char* status) { SetDlgItemTextA(tester_dialog, IDC_TESTER_STATUS, status); }

void show_marks(const char* status) {
    show_status(status);
    show_all_cells();
    show_count();
}

// A key event that the hook posted.
void on_tester_key(WPARAM wparam) {
    HookedKey key;
    if (tester_dialog == nullptr || !take_hooked_key(wparam, &key)) return;
    char status[256];
    if (key_tester_event(tester, key.key_number, key.down, key.time_us, status, sizeof status)) show_marks(status);
    show_held_keys();
}

void on_tester_timer() {
    char status[256];
    if (key_tester_expire(tester, key_hook_now_us(), status, sizeof status)) show_marks(status);
}

void on_tester_reset() {
    clear_key_tester_marks(tester);
    show_marks(KEY_TESTER_READY);
}

BOOL on_tester_init(HWND dialog) {
    tester_dialog = dialog;
    reset_key_tester(tester);
    tester_dpi = window_dpi(dialog);
    for (int i = 0; i < CELL_STATE_COUNT; ++i) cell_brushes[i] = CreateSolidBrush(CELL_COLOURS[i]);
    create_headings_and_cells(dialog);
    place_tester_controls(dialog);
    show_marks(KEY_TESTER_READY);
    show_held_keys();
    SetTimer(dialog, EXPIRE_TIMER, EXPIRE_PERIOD_MS, nullptr);
    return TRUE;  // activation installs the hook
}

// The hook is in place only while the tester is the active window, installed anew each time
// it becomes active. Keys pressed or released meanwhile went elsewhere.
void on_tester_activate(WPARAM wparam) {
    if (tester_dialog == nullptr) return;
    if (LOWORD(wparam) == WA_INACTIVE) {
        remove_key_hook();
        key_tester_lost_keyboard(tester);
        show_held_keys();
    } else if (!install_key_hook(tester_dialog)) {
        show_status("The keyboard could not be taken: keys pressed now go to other programs. Close the tester "
                    "and open it again.");
    }
}

// A cell's colour: bounced, lit by the last press, tested, or not yet; other statics as usual.
INT_PTR on_tester_colour(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    const int cells = shown_rows() * shown_columns();
    if (id < IDC_TESTER_CELL || id >= IDC_TESTER_CELL + cells) return FALSE;
    const int position = id - IDC_TESTER_CELL;
    const int index = cell_index(position / shown_columns(), position % shown_columns());
    CellState state = CELL_UNTESTED;
    if (tester.bounced[index])
        state = CELL_BOUNCED;
    else if (tester.lit[index])
        state = CELL_LIT;
    else if (tester.presses[index] > 0)
        state = CELL_TESTED;
    SetBkColor(dc, CELL_COLOURS[state]);
    return reinterpret_cast<INT_PTR>(cell_brushes[state]);
}

// The keyboard goes back at once; the rest goes with the window (on_tester_destroy).
void close_tester(HWND dialog) {
    remove_key_hook();
    tester_dialog = nullptr;
    EndDialog(dialog, 0);
}

// However the dialog ends, no key stays taken.
void on_tester_destroy() {
    remove_key_hook();
    tester_dialog = nullptr;
    for (HBRUSH& brush : cell_brushes) {
        DeleteObject(brush);
        brush = nullptr;
    }
    if (rescaled_font) DeleteObject(rescaled_font);
    rescaled_font = nullptr;
}

INT_PTR CALLBACK key_tester_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return on_tester_init(dialog);
    case WM_ACTIVATE:
        on_tester_activate(wparam);
        return FALSE;
    case WM_HOOKED_KEY:
        on_tester_key(wparam);
        return TRUE;
    case WM_TIMER:
        on_tester_timer();
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return on_tester_colour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DPICHANGED:
        return on_tester_dpi_changed(dialog, LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
    case WM_DESTROY:
        on_tester_destroy();
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_TESTER_RESET)
            on_tester_reset();
        else if (LOWORD(wparam) == IDC_TESTER_CLOSE || LOWORD(wparam) == IDCANCEL)
            close_tester(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

// A tester already open comes to the front.
void show_key_tester() {
    if (tester_dialog != nullptr) {
        SetForegroundWindow(tester_dialog);
        return;
    }
    DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_KEY_TESTER), main_window, key_tester_dialog_proc, 0);
}

void close_key_tester() {
    if (tester_dialog != nullptr) close_tester(tester_dialog);
}
