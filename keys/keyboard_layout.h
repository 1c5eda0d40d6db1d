/* The on-screen PC keyboard shared by dialogs 1999 ("Select a key") and 1998 ("Select a
   macro key action"). Both dialog templates are generated from this one table, so the two
   keyboards cannot drift apart.

   KEYBOARD_LAYOUT(KEY, FN_KEY) expands to one entry per key button, row by row and left to
   right; that order is the template order and so the tab order. Each entry is
       KEY(caption, key number, x, row offset, width, height)
   in dialog units. The control identifier of a button is 2000 + key number; the row offset
   is added to the top of the keyboard, which each dialog sets (0 in 1999, 22 in 1998). The FN
   key goes through FN_KEY instead of KEY, so that a dialog without it can drop it.

   Plain preprocessor definitions only: the resource compiler reads this file too. */
#ifndef VELMARO_KEYBOARD_LAYOUT_H
#define VELMARO_KEYBOARD_LAYOUT_H

#define KEYBOARD_ROW_FUNCTION  0
#define KEYBOARD_ROW_NUMBER    30
#define KEYBOARD_ROW_TOP       54
#define KEYBOARD_ROW_HOME      78
#define KEYBOARD_ROW_BOTTOM    102
#define KEYBOARD_ROW_SPACE     126

/* Tops of the keyboard in the two dialogs. */
#define KEYBOARD_TOP_SELECT_KEY    0
#define KEYBOARD_TOP_MACRO_ACTION  22

#define KEYBOARD_FUNCTION_ROW(KEY) \
    KEY("Esc",      41,   0, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F1",       58,  48, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F2",       59,  72, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F3",       60,  96, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F4",       61, 120, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F5",       62, 156, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F6",       63, 180, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F7",       64, 204, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F8",       65, 228, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F9",       66, 264, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F10",      67, 288, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F11",      68, 312, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("F12",      69, 336, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("PrtSc",    70, 372, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("ScrLk",    71, 396, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("Pause",    72, 420, KEYBOARD_ROW_FUNCTION, 24, 24) \
    KEY("Not Used",  0, 456, KEYBOARD_ROW_FUNCTION, 96, 24)

#define KEYBOARD_NUMBER_ROW(KEY) \
    KEY("` ~",      53,   0, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("1 !",      30,  24, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("2 @",      31,  48, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("3 #",      32,  72, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("4 $",      33,  96, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("5 %",      34, 120, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("6 ^",      35, 144, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("7 &&",     36, 168, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("8 *",      37, 192, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("9 (",      38, 216, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("0 )",      39, 240, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("- _",      45, 264, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("= +",      46, 288, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("Backspace",42, 312, KEYBOARD_ROW_NUMBER, 48, 24) \
    KEY("Ins",      73, 372, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("Home",     74, 396, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("PgUp",     75, 420, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("Num",      83, 456, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("/",        84, 480, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("*",        85, 504, KEYBOARD_ROW_NUMBER, 24, 24) \
    KEY("-",        86, 528, KEYBOARD_ROW_NUMBER, 24, 24)

#define KEYBOARD_TOP_ROW(KEY) \
    KEY("Tab",      43,   0, KEYBOARD_ROW_TOP, 36, 24) \
    KEY("Q",        20,  36, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("W",        26,  60, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("E",         8,  84, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("R",        21, 108, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("T",        23, 132, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("Y",        28, 156, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("U",        24, 180, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("I",        12, 204, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("O",        18, 228, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("P",        19, 252, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("[ {",      47, 276, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("] }",      48, 300, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("\\ |",     49, 324, KEYBOARD_ROW_TOP, 36, 24) \
    KEY("Del",      76, 372, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("End",      77, 396, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("PgDn",     78, 420, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("7",        95, 456, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("8",        96, 480, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("9",        97, 504, KEYBOARD_ROW_TOP, 24, 24) \
    KEY("+",        87, 528, KEYBOARD_ROW_TOP, 24, 48)

#define KEYBOARD_HOME_ROW(KEY, FN_KEY) \
    KEY("Caps Lock",57,   0, KEYBOARD_ROW_HOME, 44, 24) \
    KEY("A",         4,  44, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("S",        22,  68, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("D",         7,  92, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("F",         9, 116, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("G",        10, 140, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("H",        11, 164, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("J",        13, 188, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("K",        14, 212, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("L",        15, 236, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("; :",      51, 260, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("' ''",     52, 284, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("Enter",    40, 308, KEYBOARD_ROW_HOME, 52, 24) \
    FN_KEY("FN",     2, 396, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("4",        92, 456, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("5",        93, 480, KEYBOARD_ROW_HOME, 24, 24) \
    KEY("6",        94, 504, KEYBOARD_ROW_HOME, 24, 24)

#define KEYBOARD_BOTTOM_ROW(KEY) \
    KEY("Shift",   117,   0, KEYBOARD_ROW_BOTTOM, 52, 24) \
    KEY("Z",        29,  52, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("X",        27,  76, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("C",         6, 100, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("V",        25, 124, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("B",         5, 148, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("N",        17, 172, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("M",        16, 196, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY(", <",      54, 220, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY(". >",      55, 244, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("/ ?",      56, 268, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("Shift",   121, 292, KEYBOARD_ROW_BOTTOM, 68, 24) \
    KEY("Up",       82, 396, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("1",        89, 456, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("2",        90, 480, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("3",        91, 504, KEYBOARD_ROW_BOTTOM, 24, 24) \
    KEY("Ent",      88, 528, KEYBOARD_ROW_BOTTOM, 24, 48)

#define KEYBOARD_SPACE_ROW(KEY) \
    KEY("Ctrl",    116,   0, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Win",     119,  32, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Alt",     118,  64, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Space",    44,  96, KEYBOARD_ROW_SPACE, 136, 24) \
    KEY("Alt",     122, 232, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Win",     123, 264, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Apl",     101, 296, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Ctrl",    120, 328, KEYBOARD_ROW_SPACE, 32, 24) \
    KEY("Left",     80, 372, KEYBOARD_ROW_SPACE, 24, 24) \
    KEY("Down",     81, 396, KEYBOARD_ROW_SPACE, 24, 24) \
    KEY("Right",    79, 420, KEYBOARD_ROW_SPACE, 24, 24) \
    KEY("0",        98, 456, KEYBOARD_ROW_SPACE, 48, 24) \
    KEY(".",        99, 504, KEYBOARD_ROW_SPACE, 24, 24)

#define KEYBOARD_LAYOUT(KEY, FN_KEY) \
    KEYBOARD_FUNCTION_ROW(KEY) \
    KEYBOARD_NUMBER_ROW(KEY) \
    KEYBOARD_TOP_ROW(KEY) \
    KEYBOARD_HOME_ROW(KEY, FN_KEY) \
    KEYBOARD_BOTTOM_ROW(KEY) \
    KEYBOARD_SPACE_ROW(KEY)

#endif
