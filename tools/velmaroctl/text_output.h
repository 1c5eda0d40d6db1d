// The readable text of a configuration (velmaroctl show).
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "config/config_snapshot.h"

// Matrix size, pins, both key grids, the macros, the options and the macro memory remaining.
void show_configuration(const ConfigSnapshot& snapshot, std::ostream& out);
