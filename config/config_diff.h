// Comparing two configurations setting by setting, cell by cell and macro by macro, in
// readable names. Shared by velmaroctl diff and write --verify.
#pragma once
#include <string>
#include <vector>

#include "config/config_snapshot.h"

// One line per difference, "<what>: <in a> -> <in b>"; empty when the two configurations
// would build the same image. Cells outside a matrix show as "-".
std::vector<std::string> compare_configurations(const ConfigSnapshot& a, const ConfigSnapshot& b);
