#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "record/CDatabase.h"
#include "record/CPgnGame.h"
#include "record/TagCompletion.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

inline constexpr std::string_view kAutosaveFileName = "vmautosave.pgn";
// Games the ring keeps: the last this many saved states of the play.
inline constexpr int kAutosaveRingSize = 20;
// Index of the slot written last (Int): a hint for rings whose games carry no save number.
inline constexpr std::string_view kCurrentAutosaveSetting = "CurrentAutosaveGame";
// The tag numbering each saved game, one past the largest number in the ring when it was
// written: the largest number marks the newest game, whatever the settings say.
inline constexpr std::string_view kAutosaveNumberTag = "VmAutosaveNumber";

// The autosave file: a PGN database in the documents folder that keeps the last
// kAutosaveRingSize saved states of the running game, one per slot, each save going to the
// slot after the one written last. The file is opened afresh for every save and restore,
// so another program may read it in between.
//
// Works on the thread that owns the current game; not thread-safe. The settings object must
// outlive the ring.
class AutosaveRing {
public:
    AutosaveRing(std::string documentsFolder, RegistrySettings& settings);

    // Completes the game's tags (with the Time tag, whatever request.forAutosave says), sets
    // the file format and writes the game to the next slot: appended while the file holds
    // fewer than kAutosaveRingSize games, else replacing the slot after the newest game (by
    // its kAutosaveNumberTag, else by the setting; 0 after the last slot or without either),
    // the game numbered one past the newest; a ring that cannot have that slot
    // replaced gets nothing written, and one longer than kAutosaveRingSize (from older
    // versions) loses the games past it. A file left ending inside a tag by an interrupted
    // save has that fragment replaced instead of refusing every save from then on. The documents
    // folder is created when it is missing. kCurrentAutosaveSetting names the slot really written
    // as soon as it is written. Returns that slot; when nothing could be written, the error, and
    // the setting stays as it was. Move times travel in the comments of the file; the game itself
    // is left with its own comments.
    Result<int> save(
        CPgnGame& game, const TagCompletionRequest& request, TagCompletionSources& sources);

    // The readable game with the largest save number (without it, as the ring of an older
    // version: the slot the setting names, else the file's last game), its move times
    // restored and its number removed. A slot that cannot be read gives way to the ones
    // before it, wrapping around, so one damaged game never costs the others. Null when the
    // file is missing or empty or no game of it can be read. Reads every game of the ring.
    std::unique_ptr<CPgnGame> restore();

    // The autosave file: the documents folder + "/" + kAutosaveFileName.
    std::string path() const;

    // For tests: the system calls the database makes (null for the real ones).
    void setFileCalls(DatabaseFileCalls* calls) { m_calls = calls; }

    // save() in two halves, for a writer on another thread: prepare() completes the tags and
    // renders the text as save() would write it (touching no file); writeText() writes such
    // a text to the next slot.
    std::string prepare(
        CPgnGame& game, const TagCompletionRequest& request, TagCompletionSources& sources);
    Result<int> writeText(std::string_view pgn);

private:
    Result<int> write(CPgnGame& game);

    std::string m_folder;
    RegistrySettings* m_settings;
    DatabaseFileCalls* m_calls = nullptr;
};

} // namespace velmorak
