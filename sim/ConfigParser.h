#pragma once
// Reads the simulated logger's configuration text: `key = value` lines, `ch<N> ...` channel and
// alarm lines, '#' comments. A line that cannot be understood is skipped as a whole and yields a
// warning; the rest of the file still applies. The format is described in sim/README.md.
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimConfig.h"

namespace velatrace::sim {

// Applies every valid line of `text` to `config`; returns one warning per skipped line.
std::vector<std::string> ApplyConfigText(std::string_view text, SimConfig& config);

// The same for a file; a file that cannot be read gives a warning and changes nothing.
std::vector<std::string> ApplyConfigFile(const std::string& path, SimConfig& config);

}  // namespace velatrace::sim
