#pragma once

#include <string>

#include "base/Error.h"

namespace velmorak {

// The folder of the running executable; "." when it cannot be found.
std::string programDirectory();

// The read-only files shipped with the program (sounds, announce words, books, the training
// positions, the manual): "../share/velmorak" from the executable's folder when that exists
// (an installed tree under any prefix, an unpacked package), else the executable's folder
// itself (the build tree, where everything is built beside the executables).
std::string dataDirectory();
std::string dataDirectoryFor(const std::string& executableFolder);

// The engine plug-ins and their ini files: "../lib/velmorak/engines" from the executable's
// folder when that exists, else the executable's folder, as for dataDirectory().
std::string pluginDirectory();
std::string pluginDirectoryFor(const std::string& executableFolder);

// Copies the file `fileName` shipped in `programFolder` to `targetFolder` (created when
// missing) unless a file of that name is there already, which is left alone. The copy is
// made under another name and renamed, so a half-copied file is never taken for the real
// one. Returns the target's path, or why it is not there.
Result<std::string> installShippedFile(
    const std::string& programFolder, const std::string& fileName, const std::string& targetFolder);

} // namespace velmorak
