#pragma once

#include <memory>
#include <string>

#include "base/Error.h"
#include "record/CDatabase.h"

namespace velmorak {

// The training file shipped with the program and copied to the documents folder.
inline constexpr const char* kTrainingFileName = "vmtactics.pgn";
// Where a training stopped: the database's file name and the game to go on with.
inline constexpr std::string_view kLastTrainingDatabaseSetting = "LastTrainingsDatabase";
inline constexpr std::string_view kLastTrainingPositionSetting = "LastPositionOfTraining";

// The training file in the documents folder, copied there from `programFolder` when it is
// missing. The path of the documents folder's file, or why it could not be put there (a file
// already there is left alone).
Result<std::string> installTrainingFile(
    const std::string& programFolder, const std::string& documentsFolder);

// The game `offset` places after the database's current one, counted round the end of the
// file, so that a resume point past the end of a file that has since shrunk (or the "next"
// of the last position) starts again at the first game. Null when the database is closed,
// empty or the game cannot be read.
std::unique_ptr<CPgnGame> loadGameAtOffset(CDatabase& database, int offset);

// Whether a variation's move counts as a solution too: anything but "?", "??" and "?!".
bool acceptsVariation(int nag);

} // namespace velmorak
