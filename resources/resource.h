// Resource and control identifiers of the whole program, grouped per resource.
// The numbers are fixed: dialogs, commands and on-screen keys are found by them.
#ifndef VELMARO_RESOURCE_H
#define VELMARO_RESOURCE_H

// Main window
#define IDI_APP_ICON            1001
#define IDM_MAIN_MENU           1002
#define IDA_ACCELERATORS        1051

// Commands of menu 1002 and the accelerator table
#define CMD_NEW                 1003
#define CMD_SAVE                1004
#define CMD_WRITE               1005
#define CMD_OPEN                1006
#define CMD_READ                1007
#define CMD_EXIT                1008
#define CMD_HELP_SINGLE_KEY     1009
#define CMD_HELP_GHOST_KEYS     1010
#define CMD_ABOUT               1011
#define CMD_HELP_MACRO          1012
#define CMD_HELP_FN_TABLE       1013

// Commands beside the classic ones: the main window dispatches the block 1100..1199
#define CMD_TOOLS_FIRST         1100
#define CMD_COMPARE             1101
#define CMD_WRITE_ALL           1102
#define CMD_VERIFY_AFTER_WRITE  1103
#define CMD_IMPORT_JSON         1104
#define CMD_EXPORT_JSON         1105
#define CMD_WIRING_SHEET        1106
#define CMD_KEY_TESTER          1107

// Commands of the Edit menu and the accelerator table
#define CMD_UNDO                1120
#define CMD_REDO                1121

// Help: the user manual (menu and F1)
#define CMD_USER_MANUAL         1130
#define CMD_TOOLS_LAST          1199

// Information boxes: dialog, its text
#define IDD_ABOUT               1500
#define IDC_ABOUT_TEXT          1501
#define IDD_HELP_SINGLE_KEY     1502
#define IDC_HELP_SINGLE_KEY     1503
#define IDD_HELP_GHOST_KEYS     1504
#define IDC_HELP_GHOST_KEYS     1505
#define IDD_HELP_MACRO          1506
#define IDC_HELP_MACRO          1507
#define IDD_HELP_FN_TABLE       1508
#define IDC_HELP_FN_TABLE       1509

// Progress and notice windows
#define IDD_PROGRESS_WRITE      1600
#define IDC_PROGRESS_TEXT       1601
#define IDD_PROGRESS_READ       1610
#define IDD_MULTIPLE_UNITS      1700

// Key selection dialogs
#define IDD_MACRO_ACTION        1998
#define IDD_SELECT_KEY          1999
#define IDC_KEY_BASE            2000   // + key number
#define IDC_KEY_NOT_USED        2000
#define IDC_KEY_FN              2002
#define IDC_KEY_BREAK_ALL       2003
#define IDC_ACTION_MAKE         2130
#define IDC_ACTION_BREAK        2131
#define IDC_ACTION_DELAY        2132
#define IDC_KEY_REPEAT          2500

// Macro editor
#define IDD_MACRO               2200
#define IDC_MACRO_MADE_LABEL    2201
#define IDC_MACRO_BREAKS_LABEL  2202
#define IDC_MACRO_STEP_HEADER   2203   // 2203..2210
#define IDC_MACRO_MAKE_STEP     2211   // 2211..2218
#define IDC_MACRO_BREAK_STEP    2219   // 2219..2226
#define IDC_MACRO_SCROLL        2227
#define IDC_MACRO_OK            2228
#define IDC_MACRO_MEMORY        2229
#define IDC_MACRO_REPEAT        2230
#define IDC_MACRO_RECORD        2231
#define IDC_MACRO_WITH_DELAYS   2232
#define IDC_MACRO_RECORD_STATUS 2233

// Delay entry
#define IDD_DELAY               2400
#define IDC_DELAY_EDIT          2401
#define IDC_DELAY_UNIT          2402
#define IDC_DELAY_OK            2228
#define IDC_DELAY_CANCEL        2403

// Unit selection
#define IDD_SELECT_UNIT_2       2450
#define IDD_SELECT_UNIT_3       2451
#define IDD_SELECT_UNIT_4       2452
#define IDC_UNIT_1              2453   // 2453..2456

// Compare with VELMARO: the differences, read-only
#define IDD_COMPARE             2460
#define IDC_COMPARE_TEXT        2461

// Key tester; its row and column headings are statics without identifiers
#define IDD_KEY_TESTER          2470
#define IDC_TESTER_STATUS       2471
#define IDC_TESTER_COUNT        2472
#define IDC_TESTER_CLOSE        2473
#define IDC_TESTER_CELL         2474   // 2474..2493, the matrix row by row
#define IDC_TESTER_HELD         2494
#define IDC_TESTER_RESET        2495

// Version resource
#define IDV_VERSION             1

#endif
