#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "app/ControllerPrompts.h"
#include "record/CDatabase.h"
#include "record/CDatabaseOpener.h"
#include "record/CPgnParser.h"
#include "record/DatabaseList.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

class GameController;

inline constexpr std::string_view kMostRecentDatabaseSetting = "MostRecentDatabaseFilename";
inline constexpr std::string_view kDatabaseSortModeSetting = "nDatabaseSortMode";

// The one open database of the program and the list the database sheet shows of it: the
// Games list, the Info and Moves pages, "Save game", "Next game" and "Previous game" and
// the training all read and write the same CDatabase here.
//
// Every flow is a call that asks its questions and shows its messages through the prompts
// port and returns what happened; the dialogs only show fields and call these. Each write
// (append, replace, delete) to the open file is followed by a reopen through resetList, so
// no page goes on showing a game cached before the write.
//
// Everything runs on the interface thread. Message boxes count as modal for the controller.
class DatabaseSession {
public:
    struct Services {
        GameController& game;
        ControllerPrompts& prompts;
        RegistrySettings& settings;
        // The autosave file, never remembered as the most recent database.
        std::string autosavePath;
    };

    // What a save did.
    enum class SaveOutcome { Saved, Cancelled, Failed };

    // All services must outlive the session.
    explicit DatabaseSession(Services services);
    DatabaseSession(const DatabaseSession&) = delete;
    DatabaseSession& operator=(const DatabaseSession&) = delete;

    CDatabase& database() { return *m_database; }
    DatabaseList& list() { return m_list; }
    // False while a background open runs (the database is the opening thread's then).
    bool isOpen() const { return !indexing() && m_database->isOpen(); }
    // The open database's file name without its folder ("Current database"); empty when
    // none is open, and then "Current database" and "Replace in" are hidden. While a file is
    // being opened, that file's name.
    std::string fileLabel() const;
    // "Replace game in " and that name.
    std::string replaceLabel() const { return "Replace game in " + fileLabel(); }
    // Whether `path` names the open database's file, however it is spelt (relative, "..",
    // symbolic links).
    bool isOpenDatabase(const std::string& path) const;

    // --- Opening -------------------------------------------------------------------------------
    // Opens `path` as the database and resets the list; shows the database's error and
    // returns false when it cannot. `remember` stores it as the most recent database (never
    // the autosave file).
    bool open(const std::string& path, bool remember);
    // The database sheet opens: with none open, the most recent database is opened in the
    // background (the setting is cleared when that fails or names the autosave file).
    void openSheet();
    // A fresh list over the database just opened, in the order the options keep.
    void resetList();
    // The Games page's "...": the "Select database" dialog, then open and remember (in the
    // background with `background`). Whether a file was chosen and opened, or is opening.
    bool chooseAndOpen(bool background = false);
    // With none open: "No database opened, please open a database first!" and the "Select
    // database" dialog. Whether a database is open afterwards.
    bool ensureOpen();

    // --- Opening in the background -------------------------------------------------------------
    // A large file takes seconds to index: the sheet opens it on a thread of its own and
    // shows the games indexed so far meanwhile. Until finishOpen, the database may only be
    // read through indexedCount and visitIndexed, and the list is empty.
    //
    // Starts opening `path`. `remember` as open; `quiet`: a failure clears the most recent
    // database setting instead of showing the error (the sheet reopening that file).
    void beginOpen(const std::string& path, bool remember, bool quiet = false);
    bool indexing() const { return m_opening != nullptr; }
    // How far the open under way has come (games, bytes); all zero when none runs.
    IndexProgress indexProgress() const;
    // Asks the open under way to give up; finishOpen then leaves no database open.
    void cancelOpen();
    // On the interface thread, repeatedly while indexing(): once the open has ended, the
    // list over the new index, the most recent setting, or the error. True when it ended now.
    bool finishOpen();
    // Waits for an open under way and finishes it. Every flow that reads or writes the
    // database starts with this.
    void settleOpen();
    // The Games page's "Reload": the file read again, as another program left it, keeping
    // the selected number when it still exists. Runs in the background like beginOpen.
    void reload();
    // Whether the open file was changed since it was indexed (by another program: our own
    // writes reindex it).
    bool changedOnDisk() const;
    // When the open file was changed by another program: says so and offers to read it
    // again. Whether it is being read again.
    bool offerReload();
    // The game chosen on the list while the file is still being indexed (its number in the
    // file), selected once the index is complete.
    void chooseWhileIndexing(int number);

    // --- Games, Info and Moves pages -----------------------------------------------------------
    // A tap on a column header (0 to 4): the order, kept as the option nDatabaseSortMode.
    void sortBy(int column);
    // The "Filter" check box, stored at once.
    void setFilterActive(bool on);
    // Leaving the Find page: a filter that differs from the one in use is stored and the
    // list refreshed. Whether it differed.
    bool applyFilter(const CDatabaseFilter& filter);
    // The selected game, loaded once and kept until the selection changes or the file is
    // written; null (nothing shown) when none is selected or it cannot be read.
    CPgnGame* selectedGame();
    // The "Nr." field's spin: k places in the displayed order.
    void stepSelection(int k);
    // "Delete game": asks, deletes the selected game (not the database's current one),
    // shows the database's error when that fails, and resets the list. False when nothing
    // was deleted. `nameGame`: the question names the game (the Delete key on the list,
    // where the page with the game's fields is not in view).
    bool deleteSelected(bool nameGame = false);
    // Closing the sheet: with `load`, the selected game becomes the controller's game (with
    // the file's name in the title); then an open autosave file gives way to the most recent
    // database. Call it once the sheet's modal scope has ended. False when no game was
    // handed over.
    bool closeSheet(bool load = true);

    // --- Save game -----------------------------------------------------------------------------
    // The "Current database" button: appends the current game to the open database (with
    // none open: the message, then the Select database flow).
    SaveOutcome saveToCurrent();
    // "New database": names a file, asks before replacing one that exists, creates it empty
    // and appends the current game.
    SaveOutcome saveToNew();
    // "Select database": appends the current game to a chosen file.
    SaveOutcome saveToChosen();
    // "Replace in" (after the Game details dialog): replaces the selected game by the
    // current game after the question, or appends when there is none to replace.
    SaveOutcome replaceSelected();
    // The question "Replace in" asks about game `number` (0-based).
    static std::string replaceQuestion(int number, const CGame& replaced);

    // --- Loading by command --------------------------------------------------------------------
    // "Next game" (+1), "Previous game" (-1): steps the selection in the displayed order and
    // makes that game the controller's. False when nothing was loaded.
    bool loadStep(int d);

private:
    void message(std::string_view text, MessageIcon icon = MessageIcon::Information,
        std::string_view title = kProgramTitle);
    bool ask(std::string_view title, std::string_view text);
    void showDatabaseError(const CDatabase& database, std::string_view title);
    bool isAutosaveFile(const std::string& path) const;
    // The current game with its tags completed and the file layout set, ready to write.
    CPgnGame& gameToSave();
    // Appends the current game to `path`: through the open database and a reopen when it is
    // that file, else through a database of its own.
    SaveOutcome appendTo(const std::string& path);
    // Reopens the open file after a write, keeping the selection when it still exists.
    void reopenAfterWrite(bool keepSelection);
    // Hands `game`, read from the open database, to the controller.
    bool handOver(std::unique_ptr<CPgnGame> game);
    // What the open under way was asked to do when it ends.
    struct PendingOpen {
        std::string path;
        bool remember = false;
        bool quiet = false;
        // The selection to keep (reload), -1 for the first game.
        int keepSelected = -1;
        // Written by the opening thread, read by the interface thread.
        std::atomic<std::int64_t> games { 0 };
        std::atomic<std::int64_t> bytesRead { 0 };
        std::atomic<std::int64_t> bytesTotal { 0 };
        std::unique_ptr<CDatabaseOpener> opener;
    };
    void startOpening(std::unique_ptr<PendingOpen> pending);

    GameController& m_game;
    ControllerPrompts& m_prompts;
    RegistrySettings& m_settings;
    std::string m_autosavePath;
    CPgnParser m_parser;
    std::unique_ptr<CDatabase> m_database;
    DatabaseList m_list;
    // The number of the game in m_list.cachedGame().
    int m_cachedNumber = -1;
    std::unique_ptr<PendingOpen> m_opening;
};

} // namespace velmorak
