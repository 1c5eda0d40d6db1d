// The readable text of a configuration (velmaroctl show).
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "config_snapshot.h"

// A cell's key code or a macro step as shown to the user: the notation, or the number in hex
// for the odd codes that the notation cannot express.
std::string cell_display_text(int code);
std::string step_display_text(int step);
// The steps of a list joined with ", ", or "(none)".
std::string steps_display_text(const std::vector<int>& steps);

// Matrix size, pins, both key grids, the macros, the options and the macro memory remaining.
void show_configuration(const ConfigSnapshot& snapshot, std::ostream& out);
