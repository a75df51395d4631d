#include "app/TrainingPositions.h"

#include "base/ProgramDirectory.h"

namespace velmorak {

Result<std::string> installTrainingFile(
    const std::string& programFolder, const std::string& documentsFolder)
{
    return installShippedFile(programFolder, std::string(kTrainingFileName), documentsFolder);
}

std::unique_ptr<CPgnGame> loadGameAtOffset(CDatabase& database, int offset)
{
    const int count = int(database.getEntries().size());
    if (!database.isOpen() || count == 0)
        return nullptr;
    int index = (database.current() % count + offset % count + count) % count;
    return database.gotoGame(index);
}

bool acceptsVariation(int nag)
{
    return nag != 2 && nag != 4 && nag != 6;
}

} // namespace velmorak
