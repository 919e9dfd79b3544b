#pragma once
// Where an installation keeps the program's own libraries (the media engine module, the
// simulated logger): a folder beside the program's, like /usr/lib/velatrace for /usr/bin.
#include <string>

namespace velatrace {

// The path of `file` in the installation's library folder of the running program; empty when
// the program's own path is unknown.
std::string InstalledLibraryPath(const char* file);

}  // namespace velatrace
