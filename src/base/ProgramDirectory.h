#pragma once

#include <string>

#include "base/Error.h"

namespace velmorak {

// The folder of the running executable, where plug-ins, sounds and the announce folder
// live (in the build tree as in the install tree); "." when it cannot be found.
std::string programDirectory();

// Copies the file `fileName` shipped in `programFolder` to `targetFolder` (created when
// missing) unless a file of that name is there already, which is left alone. The copy is
// made under another name and renamed, so a half-copied file is never taken for the real
// one. Returns the target's path, or why it is not there.
Result<std::string> installShippedFile(
    const std::string& programFolder, const std::string& fileName, const std::string& targetFolder);

} // namespace velmorak
