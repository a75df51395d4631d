#include "AutosaveRing.h"

#include <charconv>
#include <filesystem>
#include <system_error>
#include <utility>

#include "record/CPgnParser.h"

namespace velmorak {

namespace {

Error databaseError(const CDatabase& database, const std::string& path)
{
    int code = 0;
    std::string message;
    database.getError(code, message);
    ErrorKind kind = ErrorKind::Io;
    switch (code) {
    case CDatabase::FileNotFound:
        kind = ErrorKind::NotFound;
        break;
    case CDatabase::NotRegularFile:
        kind = ErrorKind::WrongFileType;
        break;
    case CDatabase::ChangedOnDisk:
    case CDatabase::FileInUse:
        kind = ErrorKind::Conflict;
        break;
    case CDatabase::ReadOnly:
        kind = ErrorKind::PermissionDenied;
        break;
    case CDatabase::IncompleteLastGame:
        kind = ErrorKind::InvalidInput;
        break;
    default:
        break;
    }
    if (message.empty())
        message = "Could not write " + path;
    return Error { kind, std::move(message) };
}

// A save interrupted by a crash or a full disk can leave the file ending inside a tag, which
// the database refuses to append to. That fragment is no game of the user's but the ruin of
// our own write: the new game takes its place, or the ring would never save again.
bool cutOffInsideATag(const CDatabase& database)
{
    int code = 0;
    std::string message;
    database.getError(code, message);
    return code == CDatabase::IncompleteLastGame;
}

// The ring as found: the slot of the newest game by its save number (-1 when no game
// carries one: the ring of an older version), that number, and the game itself.
struct Newest {
    int slot = -1;
    std::int64_t number = 0;
    std::unique_ptr<CPgnGame> game;
};

// The save number of a game of the ring; 0 when it has none.
std::int64_t saveNumberOf(const CPgnGame& game)
{
    const std::string& text = game.getTag(kAutosaveNumberTag);
    std::int64_t number = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && number > 0 ? number : 0;
}

// Every game is read: the ring is small, and its order in the file says nothing once a
// crash came between writing a slot and naming it in the settings. A game that cannot be
// read is no candidate.
Newest findNewest(CDatabase& database)
{
    Newest newest;
    for (int slot = 0; slot < int(database.getEntries().size()); ++slot) {
        std::unique_ptr<CPgnGame> game = database.gotoGame(slot);
        if (!game)
            continue;
        if (std::int64_t number = saveNumberOf(*game); number > newest.number) {
            newest.slot = slot;
            newest.number = number;
            newest.game = std::move(game);
        }
    }
    return newest;
}

// Rings written by older versions grew past their size when a replacement failed. The
// games past the ring are never replaced, so they only grow stale: they go, best effort
// (the save itself is done).
void dropGamesPastTheRing(CDatabase& database)
{
    while (int(database.getEntries().size()) > kAutosaveRingSize)
        if (!database.deleteGame(int(database.getEntries().size()) - 1))
            return;
}

} // namespace

AutosaveRing::AutosaveRing(std::string documentsFolder, RegistrySettings& settings)
    : m_folder(std::move(documentsFolder))
    , m_settings(&settings)
{
}

std::string AutosaveRing::path() const
{
    return m_folder + "/" + std::string(kAutosaveFileName);
}

Result<int> AutosaveRing::save(
    CPgnGame& game, const TagCompletionRequest& request, TagCompletionSources& sources)
{
    return writeText(prepare(game, request, sources));
}

Result<int> AutosaveRing::write(CPgnGame& game)
{
    // A first start, or a user who removed the folder: the ring must not stop saving.
    std::error_code created;
    std::filesystem::create_directories(m_folder, created);
    if (created)
        return systemError("cannot create", m_folder, created.value());

    const std::string file = path();
    CPgnParser parser;
    CDatabase database(parser);
    database.setFileCalls(m_calls);
    // A missing or unreadable file counts as an empty ring: the append below creates the file
    // or says why it cannot.
    database.open(file);
    const int count = int(database.getEntries().size());

    // The settings name the slot written last only for rings without save numbers: a crash
    // between writing the ring and the settings leaves them one slot behind.
    const Newest newest = findNewest(database);
    int last = newest.slot;
    if (last < 0 && !m_settings->readInt(kCurrentAutosaveSetting, last))
        last = -1;
    game.setTag(kAutosaveNumberTag, std::to_string(newest.number + 1));

    int slot = -1;
    if (count >= kAutosaveRingSize) {
        slot = last >= 0 && last < kAutosaveRingSize - 1 ? last + 1 : 0;
        // A full ring has a slot replaced or nothing written: a game appended instead would
        // make it one game longer with every failure.
        if (!database.replaceGame(slot, game))
            return databaseError(database, file);
        dropGamesPastTheRing(database);
    } else if (database.append(file, game)) {
        slot = count;
    } else if (cutOffInsideATag(database) && count > 0) {
        // The refused append left the file as it was, so the index still holds the fragment
        // as its last game.
        slot = count - 1;
        if (!database.replaceGame(slot, game))
            return databaseError(database, file);
    } else {
        return databaseError(database, file);
    }
    // Written at once, not at exit: after a crash the next start restores this game and not
    // the slot written before it.
    m_settings->writeInt(kCurrentAutosaveSetting, slot);
    return slot;
}

std::string AutosaveRing::prepare(
    CPgnGame& game, const TagCompletionRequest& request, TagCompletionSources& sources)
{
    TagCompletionRequest autosave = request;
    autosave.forAutosave = true;
    completeTags(game, autosave, sources);
    game.setFormat(kFilePgnFormat);
    // The times go into the comments only for the write: the game on the board keeps the
    // user's comments as they were.
    game.encodeMoveTimes();
    std::string text = game.toString();
    game.decodeMoveTimes();
    return text;
}

Result<int> AutosaveRing::writeText(std::string_view pgn)
{
    PgnInput input;
    input.openText(pgn);
    CPgnParser parser;
    std::int64_t end = 0;
    std::unique_ptr<CPgnGame> game;
    if (!parser.readGame(input, 0, end, game) || !game)
        return Error { ErrorKind::InvalidInput, "The game to autosave could not be read back" };
    game->setFormat(kFilePgnFormat);
    return write(*game);
}

std::unique_ptr<CPgnGame> AutosaveRing::restore()
{
    CPgnParser parser;
    CDatabase database(parser);
    database.setFileCalls(m_calls);
    if (!database.open(path()))
        return nullptr;
    const int count = int(database.getEntries().size());
    if (count == 0)
        return nullptr;
    if (Newest newest = findNewest(database); newest.game) {
        // The number is the ring's bookkeeping, not the user's: it stays out of the game.
        const bool changed = newest.game->changed();
        newest.game->removeTag(kAutosaveNumberTag);
        newest.game->setChanged(changed);
        newest.game->decodeMoveTimes();
        return std::move(newest.game);
    }
    int slot = count - 1;
    if (int last = -1;
        m_settings->readInt(kCurrentAutosaveSetting, last) && last >= 0 && last < count)
        slot = last;
    for (int tried = 0; tried < count; ++tried) {
        const int n = (slot - tried + count) % count;
        if (std::unique_ptr<CPgnGame> game = database.gotoGame(n)) {
            game->decodeMoveTimes();
            return game;
        }
    }
    return nullptr;
}

} // namespace velmorak
