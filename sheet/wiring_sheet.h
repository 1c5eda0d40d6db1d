// The printable wiring sheet (velmaroctl sheet): one SVG page with the header pins, both key
// tables, the options, the macros and the macro memory of a configuration.
#pragma once
#include <string>

#include "config/config_snapshot.h"

constexpr double SHEET_WIDTH_MM = 210.0;   // A4's width, within Letter's 215.9
constexpr double SHEET_HEIGHT_MM = 279.0;  // Letter's height, within A4's 297

struct SheetLabels {
    std::string source;  // the file name, or the unit and its serial number
    std::string date;    // the day it is printed: 2026-12-07
};

// The sheet as SVG text. Every text stands in a box, a <g> holding the box's <rect> and then
// its <text> lines, and fits it at the font's fixed character width (svg_writer.h). The page
// is 210 x 279 mm; only macros that fill most of the macro memory with long step names in
// forty or so macros can need more, and then the page grows rather than cut anything off.
std::string wiring_sheet_svg(const ConfigSnapshot& snapshot, const SheetLabels& labels);

// A macro step in words: "Left Ctrl", "release C", "wait 250 ms", "Break All".
std::string sheet_step_text(int step);
