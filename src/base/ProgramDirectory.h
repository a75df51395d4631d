#pragma once

#include <string>

namespace velmorak {

// The folder of the running executable, where plug-ins, sounds and the announce folder
// live (in the build tree as in the install tree); "." when it cannot be found.
std::string programDirectory();

} // namespace velmorak
