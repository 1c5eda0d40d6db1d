// The matrix editor's view on the real main window: layout, scroll ranges, scrolling with the
// focus rule, size snapping, and the captions of headers, pins and cells.
#include <vector>
#include "test_matrix_support.h"

namespace {

struct CellPlace {
    int left, top;
};

CellPlace cell_place(int k) {
    return {68 + 128 * (k % visible_columns), 140 + 96 * (k / visible_columns)};
}

void expect_grid_shown(int columns, int rows) {
    EXPECT_EQ(columns, visible_columns);
    EXPECT_EQ(rows, visible_rows);
    for (int k = 0; k < 20; ++k) {
        SCOPED_TRACE("cell " + std::to_string(k));
        bool in_grid = k < columns * rows;
        EXPECT_EQ(in_grid, shown(cell_buttons[k]));
        if (!in_grid) continue;
        RECT box = client_rect_of(cell_buttons[k]);
        EXPECT_EQ(cell_place(k).left, box.left);
        EXPECT_EQ(cell_place(k).top, box.top);
        EXPECT_EQ(128, box.right - box.left);
        EXPECT_EQ(96, box.bottom - box.top);
    }
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE("header " + std::to_string(i));
        EXPECT_EQ(i < columns + rows, shown(header_labels[i]));
        EXPECT_EQ(i < columns + rows, shown(pin_combos[i]));
    }
}

// Resets the counts to the default 5 x 4 through the combo boxes.
void back_to_default_counts() {
    choose_rows(5);
    choose_columns(4);
}

}  // namespace

// ---- Layout and counts ---------------------------------------------------------------------

TEST_F(MatrixEditorTest, DefaultWindowShowsTheWholeFiveByFourMatrix) {
    EXPECT_EQ(597, client_size().cx);
    EXPECT_EQ(645, client_size().cy);
    expect_grid_shown(4, 5);
    EXPECT_FALSE(shown(horizontal_scroll_bar));
    EXPECT_FALSE(shown(vertical_scroll_bar));
    EXPECT_EQ(4, selection(rows_combo));
    EXPECT_EQ(3, selection(columns_combo));
    for (int k = 0; k < 20; ++k) EXPECT_EQ("Not Used", caption_of(k)) << "cell " << k;
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ("Col " + std::to_string(c + 1), window_text(header_labels[c]));
        EXPECT_EQ(c, selection(pin_combos[c])) << "column " << c + 1 << " is on pin " << c + 1;
        RECT label = client_rect_of(header_labels[c]), combo = client_rect_of(pin_combos[c]);
        EXPECT_EQ(104 + 128 * c, label.left);
        EXPECT_EQ(96, label.top);
        EXPECT_EQ(104 + 128 * c, combo.left);
        EXPECT_EQ(112, combo.top);
    }
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ("Row " + std::to_string(r + 1), window_text(header_labels[4 + r]));
        EXPECT_EQ(4 + r, selection(pin_combos[4 + r])) << "row " << r + 1 << " is on pin " << r + 5;
        RECT label = client_rect_of(header_labels[4 + r]), combo = client_rect_of(pin_combos[4 + r]);
        EXPECT_EQ(8, label.left);
        EXPECT_EQ(168 + 96 * r, label.top);
        EXPECT_EQ(8, combo.left);
        EXPECT_EQ(184 + 96 * r, combo.top);
    }
    EXPECT_EQ(0, client_rect_of(rows_caption).left);
    EXPECT_EQ(20, client_rect_of(rows_combo).left);
    EXPECT_EQ(24, client_rect_of(rows_combo).top);
    EXPECT_EQ(147, client_rect_of(columns_caption).left);
    EXPECT_EQ(160, client_rect_of(columns_combo).left);
}

TEST_F(MatrixEditorTest, CountChangesKeepRowsPlusColumnsAtMostNine) {
    struct Case {
        bool rows;          // which combo box the user changes
        int count;
        int rows_after, columns_after, visible_c, visible_r, horizontal_max, vertical_max;
    };
    const Case cases[] = {
        {true, 6, 6, 3, 3, 5, 0, 1},  {false, 8, 1, 8, 4, 1, 4, 0}, {true, 8, 8, 1, 1, 5, 0, 3},
        {false, 5, 4, 5, 4, 4, 1, 0}, {true, 3, 3, 4, 4, 3, 0, 0},  {false, 7, 2, 7, 4, 2, 3, 0},
        {true, 5, 5, 4, 4, 5, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rows ? "rows " : "columns ") + std::to_string(c.count));
        back_to_default_counts();
        config_model.config_changed = 0;
        if (c.rows)
            choose_rows(c.count);
        else
            choose_columns(c.count);
        EXPECT_EQ(c.rows_after != 5 || c.columns_after != 4 ? 1 : 0, config_model.config_changed) << "5 x 4 again: none";
        EXPECT_EQ(c.rows_after - 1, selection(rows_combo));
        EXPECT_EQ(c.columns_after - 1, selection(columns_combo));
        expect_grid_shown(c.visible_c, c.visible_r);
        EXPECT_EQ(c.horizontal_max > 0, shown(horizontal_scroll_bar));
        EXPECT_EQ(c.vertical_max > 0, shown(vertical_scroll_bar));
        if (c.horizontal_max > 0) {
            EXPECT_EQ(c.horizontal_max, scroll_maximum(horizontal_scroll_bar));
        }
        if (c.vertical_max > 0) {
            EXPECT_EQ(c.vertical_max, scroll_maximum(vertical_scroll_bar));
        }
    }
}

TEST_F(MatrixEditorTest, ScrollBarsSitBesideTheVisibleGrid) {
    choose_rows(6);
    RECT vertical = client_rect_of(vertical_scroll_bar);
    EXPECT_EQ(68 + 128 * 3, vertical.left);
    EXPECT_EQ(140, vertical.top);
    EXPECT_EQ(17, vertical.right - vertical.left);
    EXPECT_EQ(96 * 5, vertical.bottom - vertical.top);
    choose_columns(8);
    RECT horizontal = client_rect_of(horizontal_scroll_bar);
    EXPECT_EQ(68, horizontal.left);
    EXPECT_EQ(140 + 96, horizontal.top);
    EXPECT_EQ(128 * 4, horizontal.right - horizontal.left);
    EXPECT_EQ(17, horizontal.bottom - horizontal.top);
}

TEST_F(MatrixEditorTest, ShrinkingAndGrowingTheMatrixKeepsItsCodes) {
    choose_rows(3);
    choose_columns(3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) config_model.key_table[cell_index(row, column)] = 4 + 3 * row + column;
    refresh_cell_captions();
    choose_rows(2);
    choose_columns(2);
    expect_grid_shown(2, 2);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(key_caption(4 + 3 * (k / 2) + k % 2), caption_of(k)) << "cell " << k;
    choose_rows(3);
    choose_columns(3);
    expect_grid_shown(3, 3);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(4 + k, config_model.key_table[cell_index(k / 3, k % 3)]);
        EXPECT_EQ(key_caption(4 + k), caption_of(k)) << "cell " << k;
    }
}

TEST_F(MatrixEditorTest, MinimiseKeepsTheLayoutAndRestoreLaysItOutAgain) {
    choose_rows(6);
    ShowWindow(main_window, SW_MINIMIZE);
    pump_idle();
    ASSERT_TRUE(IsIconic(main_window));
    EXPECT_EQ(3, visible_columns);
    EXPECT_EQ(5, visible_rows);
    EXPECT_EQ(1, scroll_maximum(vertical_scroll_bar));
    ShowWindow(main_window, SW_RESTORE);
    pump_idle();
    ASSERT_FALSE(IsIconic(main_window));
    EXPECT_EQ(597, client_size().cx);
    expect_grid_shown(3, 5);
    EXPECT_TRUE(shown(vertical_scroll_bar));
    EXPECT_EQ("Row 5", window_text(header_labels[3 + 4]));
}

TEST_F(MatrixEditorTest, ResizingChangesHowManyLinesFit) {
    struct Case {
        int width, height, columns, rows;
    };
    // Columns fit = (width - 85) div 128, rows fit = (height - 118) div 96, at most the counts.
    const Case cases[] = {
        {597, 645, 4, 5}, {596, 645, 3, 5}, {469, 501, 3, 3}, {341, 309, 2, 1},
        {213, 214, 1, 1}, {900, 700, 4, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        set_client_size(c.width, c.height);
        ASSERT_EQ(c.width, client_size().cx);
        ASSERT_EQ(c.height, client_size().cy);
        expect_grid_shown(c.columns, c.rows);
        EXPECT_EQ(4 - c.columns, scroll_maximum(horizontal_scroll_bar) * shown(horizontal_scroll_bar));
        EXPECT_EQ(5 - c.rows, scroll_maximum(vertical_scroll_bar) * shown(vertical_scroll_bar));
    }
}

TEST_F(MatrixEditorTest, AClientAreaTooSmallForOneCellShowsNoGridAndKeysDoNothing) {
    SetFocus(cell_buttons[0]);
    set_client_size(60, 60);
    EXPECT_EQ(0, visible_columns * visible_rows);
    for (int k = 0; k < 20; ++k) EXPECT_FALSE(shown(cell_buttons[k])) << "cell " << k;
    SetFocus(rows_combo);
    SendMessageA(rows_combo, WM_KEYDOWN, VK_TAB, 0);
    SendMessageA(cell_buttons[0], WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(cell_buttons[0], WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(rows_combo, GetFocus());
    for (int request : {SB_LINEDOWN, SB_PAGEDOWN, SB_PAGEUP, SB_BOTTOM}) {
        request_scroll(WM_HSCROLL, request);
        request_scroll(WM_VSCROLL, request);
    }
    choose_columns(8);
    EXPECT_EQ(rows_combo, GetFocus());
    set_client_size(597, 645);
    expect_grid_shown(4, 1);
}

// ---- Size snapping --------------------------------------------------------------------------

TEST_F(MatrixEditorTest, DraggingABorderSnapsTheClientAreaToHalfCells) {
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
    int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    struct Case {
        WPARAM edge;
        int width_offset, height_offset;  // beyond client 85 + 64 * 5 and 117 + 48 * 6
        int k_width, k_height;
        bool left_moves, top_moves;
    };
    const Case cases[] = {
        {WMSZ_RIGHT, 31, 0, 5, 6, false, false},       {WMSZ_RIGHT, 32, 24, 6, 6, false, false},
        {WMSZ_LEFT, -20, 25, 5, 7, true, false},       {WMSZ_TOP, 100, -30, 7, 5, false, true},
        {WMSZ_TOPLEFT, 0, 47, 5, 7, true, true},       {WMSZ_TOPRIGHT, -33, 1, 4, 6, false, true},
        {WMSZ_BOTTOMLEFT, 5, -24, 5, 5, true, false},  {WMSZ_BOTTOMRIGHT, 64, 48, 6, 7, false, false},
        {WMSZ_BOTTOM, -400, -400, 4, 4, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("edge " + std::to_string(c.edge));
        RECT proposed = {100, 50, 100 + fw + 85 + 64 * 5 + c.width_offset, 50 + fh + 117 + 48 * 6 + c.height_offset};
        RECT original = proposed;
        EXPECT_EQ(TRUE, SendMessageA(main_window, WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&proposed)));
        int width = fw + 85 + 64 * c.k_width, height = fh + 117 + 48 * c.k_height;
        EXPECT_EQ(width, proposed.right - proposed.left);
        EXPECT_EQ(height, proposed.bottom - proposed.top);
        EXPECT_EQ(c.left_moves ? original.right : original.left, c.left_moves ? proposed.right : proposed.left);
        EXPECT_EQ(c.top_moves ? original.bottom : original.top, c.top_moves ? proposed.bottom : proposed.top);
        // The snapped outer size gives a client area of whole half cells.
        SetWindowPos(main_window, nullptr, proposed.left, proposed.top, width, height, SWP_NOZORDER);
        pump_idle();
        EXPECT_EQ(85 + 64 * c.k_width, client_size().cx);
        EXPECT_EQ(117 + 48 * c.k_height, client_size().cy);
    }
}

// ---- Scrolling --------------------------------------------------------------------------------

TEST_F(MatrixEditorTest, ScrollBarRequestsMoveTheColumnsOfAOneByEightMatrix) {
    choose_columns(8);
    ASSERT_EQ(1, selection(rows_combo) + 1);
    ASSERT_EQ(4, visible_columns);
    ASSERT_EQ(4, scroll_maximum(horizontal_scroll_bar));
    struct Case {
        int request, thumb, start, expected;
    };
    const Case cases[] = {
        {SB_LINERIGHT, 0, 0, 1}, {SB_LINELEFT, 0, 1, 0},   {SB_LINELEFT, 0, 0, 0},  {SB_LINERIGHT, 0, 4, 4},
        {SB_PAGERIGHT, 0, 0, 3}, {SB_PAGERIGHT, 0, 3, 4},  {SB_PAGELEFT, 0, 4, 1},  {SB_RIGHT, 0, 0, 4},
        {SB_LEFT, 0, 3, 0},      {SB_THUMBPOSITION, 2, 0, 2}, {SB_THUMBTRACK, 3, 1, 3},
        {SB_ENDSCROLL, 0, 2, 2}, {SB_THUMBTRACK, 9, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.request) + " from " + std::to_string(c.start));
        set_horizontal(c.start);
        request_scroll(WM_HSCROLL, c.request, c.thumb);
        EXPECT_EQ(c.expected, scroll_position(horizontal_scroll_bar));
        EXPECT_EQ("Col " + std::to_string(c.expected + 1), window_text(header_labels[0]));
        EXPECT_EQ("Col " + std::to_string(c.expected + 4), window_text(header_labels[3]));
    }
}

TEST_F(MatrixEditorTest, ScrollBarRequestsMoveTheRowsOfAnEightByOneMatrix) {
    choose_rows(8);
    ASSERT_EQ(5, visible_rows);
    ASSERT_EQ(3, scroll_maximum(vertical_scroll_bar));
    struct Case {
        int request, thumb, start, expected;
    };
    const Case cases[] = {
        {SB_LINEDOWN, 0, 0, 1}, {SB_LINEUP, 0, 2, 1},  {SB_PAGEDOWN, 0, 0, 3},    {SB_PAGEUP, 0, 3, 0},
        {SB_BOTTOM, 0, 1, 3},   {SB_TOP, 0, 2, 0},     {SB_THUMBPOSITION, 2, 0, 2}, {SB_ENDSCROLL, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.request) + " from " + std::to_string(c.start));
        set_vertical(c.start);
        request_scroll(WM_VSCROLL, c.request, c.thumb);
        EXPECT_EQ(c.expected, scroll_position(vertical_scroll_bar));
        EXPECT_EQ("Row " + std::to_string(c.expected + 1), window_text(header_labels[1]));
    }
}

TEST_F(MatrixEditorTest, PageStepsWithOneVisibleLineMoveNothing) {
    choose_columns(8);
    set_client_size(213, 645);
    ASSERT_EQ(1, visible_columns);
    ASSERT_EQ(7, scroll_maximum(horizontal_scroll_bar));
    set_horizontal(2);
    request_scroll(WM_HSCROLL, SB_PAGERIGHT);
    EXPECT_EQ(2, scroll_position(horizontal_scroll_bar));
    request_scroll(WM_HSCROLL, SB_PAGELEFT);
    EXPECT_EQ(2, scroll_position(horizontal_scroll_bar));
    request_scroll(WM_HSCROLL, SB_LINERIGHT);
    EXPECT_EQ(3, scroll_position(horizontal_scroll_bar));

    choose_rows(8);
    set_client_size(597, 214);
    ASSERT_EQ(1, visible_rows);
    set_vertical(4);
    request_scroll(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(4, scroll_position(vertical_scroll_bar));
    request_scroll(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(4, scroll_position(vertical_scroll_bar));
    EXPECT_EQ("Row 5", window_text(header_labels[visible_columns]));
}

namespace {

// A scroll request from a start position with the focus on a control, and where the position
// and the focus end up.
struct FocusScrollCase {
    int start;
    HWND focus;
    int request;
    int expected;
    HWND expected_focus;
};

void check_focus_scrolling(UINT message, const std::vector<FocusScrollCase>& cases) {
    HWND bar = message == WM_HSCROLL ? horizontal_scroll_bar : vertical_scroll_bar;
    for (const FocusScrollCase& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.request) + " from " + std::to_string(c.start));
        if (message == WM_HSCROLL) set_horizontal(c.start);
        else set_vertical(c.start);
        SetFocus(c.focus);
        ASSERT_EQ(c.focus, GetFocus());
        request_scroll(message, c.request);
        EXPECT_EQ(c.expected, scroll_position(bar));
        EXPECT_EQ(c.expected_focus, GetFocus());
    }
}

}  // namespace

TEST_F(MatrixEditorTest, ScrollingColumnsKeepsTheFocusOnTheSameModelCell) {
    choose_columns(8);
    check_focus_scrolling(WM_HSCROLL, {
        {0, cell_buttons[2], SB_LINERIGHT, 1, cell_buttons[1]},
        {0, cell_buttons[0], SB_LINERIGHT, 1, cell_buttons[0]},
        {1, cell_buttons[3], SB_LINELEFT, 0, cell_buttons[3]},
        {0, cell_buttons[3], SB_PAGERIGHT, 3, cell_buttons[0]},
        {4, cell_buttons[1], SB_LEFT, 0, cell_buttons[3]},
        {4, cell_buttons[2], SB_LINERIGHT, 4, cell_buttons[2]},
        {0, pin_combos[2], SB_LINERIGHT, 1, pin_combos[1]},
        {0, pin_combos[0], SB_PAGERIGHT, 3, pin_combos[0]},
        {3, pin_combos[1], SB_LINELEFT, 2, pin_combos[2]},
        {1, pin_combos[3], SB_LINELEFT, 0, pin_combos[3]},
        {0, rows_combo, SB_LINERIGHT, 1, rows_combo},
        {0, pin_combos[4], SB_LINERIGHT, 1, pin_combos[4]},
    });
}

TEST_F(MatrixEditorTest, ScrollingRowsKeepsTheFocusOnTheSameModelCell) {
    choose_rows(8);
    ASSERT_EQ(1, visible_columns);
    check_focus_scrolling(WM_VSCROLL, {
        {0, cell_buttons[2], SB_LINEDOWN, 1, cell_buttons[1]},
        {0, cell_buttons[0], SB_LINEDOWN, 1, cell_buttons[0]},
        {1, cell_buttons[4], SB_LINEUP, 0, cell_buttons[4]},
        {0, cell_buttons[4], SB_PAGEDOWN, 3, cell_buttons[1]},
        {0, pin_combos[1 + 3], SB_PAGEDOWN, 3, pin_combos[1 + 0]},
        {2, pin_combos[1 + 1], SB_LINEUP, 1, pin_combos[1 + 2]},
        {0, pin_combos[0], SB_LINEDOWN, 1, pin_combos[0]},
    });
}

TEST_F(MatrixEditorTest, ScrollPositionsSurviveNewClampedByTheNewRanges) {
    choose_columns(8);
    set_horizontal(3);
    answer_boxes({IDNO});
    send_command(1003);
    EXPECT_EQ(3, selection(columns_combo));
    EXPECT_EQ(0, scroll_position(horizontal_scroll_bar));
    EXPECT_EQ("Col 1", window_text(header_labels[0]));
}

// ---- Captions ---------------------------------------------------------------------------------

TEST_F(MatrixEditorTest, CaptionsFollowTheScrolledColumnsAndRows) {
    choose_columns(8);
    for (int column = 0; column < 8; ++column) config_model.key_table[cell_index(0, column)] = 4 + column;
    refresh_cell_captions();
    request_scroll(WM_HSCROLL, SB_LINERIGHT);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ("Col " + std::to_string(k + 2), window_text(header_labels[k]));
        EXPECT_EQ(config_model.column_pins[k + 1], selection(pin_combos[k]));
        EXPECT_EQ(key_caption(4 + k + 1), caption_of(k));
    }
    choose_rows(8);
    for (int row = 0; row < 8; ++row) config_model.key_table[cell_index(row, 0)] = 30 + row;
    refresh_cell_captions();
    request_scroll(WM_VSCROLL, SB_BOTTOM);
    ASSERT_EQ(3, scroll_position(vertical_scroll_bar));
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ("Row " + std::to_string(r + 4), window_text(header_labels[1 + r]));
        EXPECT_EQ(config_model.row_pins[r + 3], selection(pin_combos[1 + r]));
        EXPECT_EQ(key_caption(30 + r + 3), caption_of(r));
    }
}

TEST_F(MatrixEditorTest, MacroCellsShowTheirFirstStepsByShortName) {
    struct Case {
        std::vector<int> make, breaks;
        int flags;
        std::string expected;
    };
    const std::string a = short_key_name(4), b = short_key_name(5), c = short_key_name(6);
    const Case cases[] = {
        {{4, 5}, {0x80 | 6}, 0, "Macro\n(" + a + ", " + b + ", ...)"},
        {{4}, {}, 0, "Macro\n(" + a + ")"},
        {{4, 5}, {}, KEY_FLAG_REPEAT, "[Repeat]\nMacro\n(" + a + ", " + b + ")"},
        {{}, {0x80 | 6}, 0, "Macro\n(" + c + ")"},
        {{(10 << 8) | KEY_DELAY, 4}, {}, 0, "Macro\n(" + short_key_name(KEY_DELAY) + ", " + a + ")"},
        {{0, 4, 0, 5}, {}, 0, "Macro\n(" + a + ", " + b + ")"},
        {{4}, {0x80 | 4, 5, 6}, 0, "Macro\n(" + a + ", " + a + ", ...)"},
        {{}, {}, 0, "Macro\n()"},
    };
    int k = 0;
    for (const Case& item : cases) {
        MacroSlot& slot = config_model.macro_slots[10 + k];
        for (size_t i = 0; i < item.make.size(); ++i) slot.make_steps[i] = item.make[i];
        for (size_t i = 0; i < item.breaks.size(); ++i) slot.break_steps[i] = item.breaks[i];
        slot.in_use = 1;
        config_model.key_table[cell_index(k / 4, k % 4)] = KEY_FLAG_MACRO | item.flags | (10 + k + 1);
        ++k;
    }
    refresh_cell_captions();
    for (int i = 0; i < k; ++i) EXPECT_EQ(cases[i].expected, caption_of(i)) << "cell " << i;
}

TEST_F(MatrixEditorTest, OddCellCodesNameNoMacroAndCarryNothingOver) {
    config_model.macro_slots[0].make_steps[0] = 4;
    config_model.macro_slots[0].in_use = 1;
    config_model.key_table[cell_index(0, 0)] = KEY_FLAG_MACRO | 1;
    config_model.key_table[cell_index(0, 1)] = 0x180;       // macro flag, bit 7, macro number 0
    config_model.key_table[cell_index(0, 2)] = 0x200 | 5;   // bit 9
    config_model.key_table[cell_index(0, 3)] = KEY_FLAG_MACRO | 0x80 | 1;  // bit 7 with macro 1
    refresh_cell_captions();
    EXPECT_EQ("Macro\n(" + short_key_name(4) + ")", caption_of(0));
    EXPECT_EQ(std::string::npos, caption_of(1).find("Macro"));
    EXPECT_EQ(std::string::npos, caption_of(2).find("Macro"));
    EXPECT_EQ("Macro\n(" + short_key_name(4) + ")", caption_of(3));
}

TEST_F(MatrixEditorTest, TheFnViewMarksEveryCellButTheFnKey) {
    config_model.key_table[cell_index(1, 1)] = KEY_FN;
    config_model.fn_key_table[cell_index(1, 1)] = KEY_FN;
    config_model.fn_key_table[cell_index(0, 0)] = 4;
    config_model.key_table[cell_index(0, 0)] = 5;
    refresh_cell_captions();
    EXPECT_EQ("FN [OFF]", caption_of(5));
    EXPECT_EQ(key_caption(5), caption_of(0));
    fn_view_active = true;
    refresh_cell_captions();
    EXPECT_EQ("FN [ON]", caption_of(5));
    EXPECT_EQ(key_caption(4) + "\n\n<FN ON>", caption_of(0));
    for (int k = 1; k < 20; ++k) {
        if (k != 5) {
            EXPECT_EQ(key_caption(0) + "\n\n<FN ON>", caption_of(k)) << "cell " << k;
        }
    }
    config_model.fn_key_table[cell_index(1, 1)] = KEY_FLAG_REPEAT | KEY_FN;  // as a file may hold it
    refresh_cell_captions();
    EXPECT_EQ(key_caption(KEY_FLAG_REPEAT | KEY_FN), caption_of(5));
    fn_view_active = false;
    refresh_cell_captions();
    EXPECT_EQ("FN [OFF]", caption_of(5));
    EXPECT_EQ(key_caption(0), caption_of(1));
}
