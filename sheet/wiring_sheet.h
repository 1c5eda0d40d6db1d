// The printable wiring sheet (velmaroctl sheet): one SVG page with the header pins, both key
// tables, the options, the macros and the macro memory of a configuration.
#pragma once
#include <string>

#include "config/config_snapshot.h"

// The page is laid out on 210 x 279 units and printed smaller: it fits both A4 and Letter
// inside margins of 10 mm (Letter's printable height at a browser's default margins is
// about 260 mm), so that a browser prints it on one sheet of paper.
constexpr double SHEET_WIDTH_MM = 210.0;   // the layout's width, in units
constexpr double SHEET_HEIGHT_MM = 279.0;  // the layout's height, in units, unless it grows
constexpr double PAGE_MAX_WIDTH_MM = 190.0;   // A4's width less 2 x 10 mm
constexpr double PAGE_MAX_HEIGHT_MM = 255.0;  // Letter's height less 2 x 12 mm, less than A4's

struct SheetLabels {
    std::string source;  // the file name, or the unit and its serial number
    std::string date;    // the day it is printed: 2026-12-07
};

// The sheet as SVG text. Every text stands in a box, a <g> holding the box's <rect> and then
// its <text> lines, and fits it at the font's fixed character width (svg_writer.h). The layout
// is 210 x 279 units; only macros that fill most of the macro memory with long step names in
// forty or so macros can need more, and then the layout grows rather than cut anything off.
// The page scales the layout to fit within PAGE_MAX_WIDTH_MM x PAGE_MAX_HEIGHT_MM.
std::string wiring_sheet_svg(const ConfigSnapshot& snapshot, const SheetLabels& labels);

// The sheet's source line for a configuration file ("Configuration file Config.QZC"), and for
// the editor's configuration before it was saved.
std::string sheet_file_label(const std::string& path);
constexpr const char* SHEET_NOT_SAVED_LABEL = "Configuration not saved yet";
// Today's date as the sheet prints it: 2026-12-07.
std::string sheet_date_today();

// A macro step in words: "Left Ctrl", "release C", "wait 250 ms", "Break All".
std::string sheet_step_text(int step);
