#include "app/TrainingPositions.h"

#include <filesystem>
#include <system_error>

namespace velmorak {

Result<std::string> installTrainingFile(
    const std::string& programFolder, const std::string& documentsFolder)
{
    namespace fs = std::filesystem;
    std::string target = documentsFolder + "/" + kTrainingFileName;
    std::error_code error;
    if (fs::exists(target, error))
        return target;
    fs::path source = fs::path(programFolder) / kTrainingFileName;
    if (!fs::is_regular_file(source, error))
        return Error { ErrorKind::NotFound, "no training file at " + source.string() };
    fs::create_directories(documentsFolder, error);
    // Copied under another name first: a half-copied file is never taken for the real one.
    std::string temporary = target + ".tmp";
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Error { ErrorKind::Io,
            "cannot copy " + source.string() + " to " + target + ": " + error.message() };
    }
    return target;
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
