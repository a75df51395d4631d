#include "app/DatabaseSession.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/GameController.h"

namespace velmorak {

namespace {

constexpr std::string_view kSaveTitle = "Save game";
constexpr std::string_view kDeleteTitle = "Delete game";
constexpr std::string_view kSelectTitle = "Select database";
constexpr std::string_view kNewTitle = "New database";

std::string canonical(const std::string& path)
{
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::absolute(path, error).lexically_normal().string()
                 : resolved.string();
}

std::string withoutFolder(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

DatabaseSession::DatabaseSession(Services services)
    : m_game(services.game)
    , m_prompts(services.prompts)
    , m_settings(services.settings)
    , m_autosavePath(std::move(services.autosavePath))
    , m_database(std::make_unique<CDatabase>(m_parser))
    , m_list(*m_database, &services.settings)
{
}

void DatabaseSession::resetList()
{
    const int mode = m_game.options().databaseSortMode;
    m_list.setSortMode(mode != 0 && mode >= -5 && mode <= 5 ? mode : 1);
    m_list.resetList();
}

void DatabaseSession::sortBy(int column)
{
    m_list.sortBy(column);
    m_game.options().databaseSortMode = m_list.sortMode();
}

void DatabaseSession::setFilterActive(bool on)
{
    m_list.setFilterActive(on);
    m_list.saveFilter();
    m_list.refreshList();
}

bool DatabaseSession::applyFilter(const CDatabaseFilter& filter)
{
    if (filter == m_list.filter())
        return false;
    m_list.filter() = filter;
    m_list.saveFilter();
    m_list.refreshList();
    return true;
}

void DatabaseSession::message(std::string_view text, MessageIcon icon, std::string_view title)
{
    GameController::ModalDialogScope modal(m_game);
    m_prompts.showMessage(title, text, icon);
}

bool DatabaseSession::ask(std::string_view title, std::string_view text)
{
    GameController::ModalDialogScope modal(m_game);
    return m_prompts.askYesNo(title, text, MessageIcon::Question, false);
}

void DatabaseSession::showDatabaseError(const CDatabase& database, std::string_view title)
{
    int code = 0;
    std::string text;
    database.getError(code, text);
    message(text.empty() ? CDatabase::errorText(code, database.getFileName()) : text,
        MessageIcon::Exclamation, title);
}

std::string DatabaseSession::fileLabel() const
{
    if (indexing())
        return withoutFolder(m_opening->path);
    return isOpen() ? withoutFolder(m_database->getFileName()) : std::string();
}

bool DatabaseSession::isOpenDatabase(const std::string& path) const
{
    return isOpen() && canonical(path) == canonical(m_database->getFileName());
}

bool DatabaseSession::isAutosaveFile(const std::string& path) const
{
    return !m_autosavePath.empty() && canonical(path) == canonical(m_autosavePath);
}

// --- Opening -------------------------------------------------------------------------------------

bool DatabaseSession::open(const std::string& path, bool remember)
{
    settleOpen();
    m_database->close();
    m_cachedNumber = -1;
    if (!m_database->open(path)) {
        resetList();
        showDatabaseError(*m_database, kProgramTitle);
        return false;
    }
    if (remember && !isAutosaveFile(path))
        m_settings.writeString(kMostRecentDatabaseSetting, path);
    resetList();
    return true;
}

void DatabaseSession::openSheet()
{
    if (isOpen() || indexing())
        return;
    std::string recent;
    m_settings.readString(kMostRecentDatabaseSetting, recent);
    if (recent.empty())
        return;
    if (isAutosaveFile(recent)) {
        m_settings.writeString(kMostRecentDatabaseSetting, "");
        return;
    }
    beginOpen(recent, false, true);
}

// --- Opening in the background -------------------------------------------------------------------

void DatabaseSession::beginOpen(const std::string& path, bool remember, bool quiet)
{
    auto pending = std::make_unique<PendingOpen>();
    pending->path = path;
    pending->remember = remember;
    pending->quiet = quiet;
    startOpening(std::move(pending));
}

void DatabaseSession::reload()
{
    settleOpen();
    if (!isOpen())
        return;
    auto pending = std::make_unique<PendingOpen>();
    pending->path = m_database->getFileName();
    pending->keepSelected = m_list.selected();
    startOpening(std::move(pending));
}

void DatabaseSession::startOpening(std::unique_ptr<PendingOpen> pending)
{
    settleOpen();
    // The list refers to the entries the open is about to drop: it empties first, on this
    // thread, and stays empty until the new index is complete.
    m_database->close();
    m_cachedNumber = -1;
    resetList();
    PendingOpen& counts = *pending;
    auto progress = [&counts](const IndexProgress& now) {
        counts.games.store(now.games, std::memory_order_relaxed);
        counts.bytesRead.store(now.bytesRead, std::memory_order_relaxed);
        counts.bytesTotal.store(now.bytesTotal, std::memory_order_relaxed);
    };
    m_opening = std::move(pending);
    m_opening->opener = std::make_unique<CDatabaseOpener>(*m_database, m_opening->path, progress);
}

IndexProgress DatabaseSession::indexProgress() const
{
    if (!m_opening)
        return {};
    return { m_opening->games.load(std::memory_order_relaxed),
        m_opening->bytesRead.load(std::memory_order_relaxed),
        m_opening->bytesTotal.load(std::memory_order_relaxed) };
}

void DatabaseSession::cancelOpen()
{
    if (m_opening)
        m_opening->opener->cancel();
}

bool DatabaseSession::finishOpen()
{
    if (!m_opening || !m_opening->opener->finished())
        return false;
    const bool opened = m_opening->opener->wait();
    std::unique_ptr<PendingOpen> done = std::move(m_opening);
    resetList();
    int code = 0;
    std::string text;
    m_database->getError(code, text);
    if (opened) {
        if (done->remember && !isAutosaveFile(done->path))
            m_settings.writeString(kMostRecentDatabaseSetting, done->path);
        const int count = int(m_database->getEntries().size());
        if (done->keepSelected >= 0 && done->keepSelected < count) {
            m_list.setSelected(done->keepSelected);
            m_list.refreshList();
        }
    } else if (code == CDatabase::OpenCancelled) {
        // The user's own doing: no box, and the file stays the most recent one.
    } else if (done->quiet) {
        m_settings.writeString(kMostRecentDatabaseSetting, "");
    } else {
        showDatabaseError(*m_database, kProgramTitle);
    }
    return true;
}

void DatabaseSession::settleOpen()
{
    if (!m_opening)
        return;
    m_opening->opener->wait();
    finishOpen();
}

bool DatabaseSession::changedOnDisk() const
{
    return isOpen() && m_database->changedOnDisk();
}

bool DatabaseSession::offerReload()
{
    if (!changedOnDisk())
        return false;
    const std::string text =
        CDatabase::errorText(CDatabase::ChangedOnDisk, m_database->getFileName()) +
        "\n\nReload it?";
    if (!ask(kProgramTitle, text))
        return false;
    reload();
    return true;
}

void DatabaseSession::chooseWhileIndexing(int number)
{
    if (m_opening)
        m_opening->keepSelected = number;
}

bool DatabaseSession::chooseAndOpen(bool background)
{
    std::optional<std::string> path;
    {
        GameController::ModalDialogScope modal(m_game);
        path = m_prompts.chooseDatabaseFile(kSelectTitle, false);
    }
    if (!path)
        return false;
    if (!background)
        return open(*path, true);
    beginOpen(*path, true);
    return true;
}

bool DatabaseSession::ensureOpen()
{
    settleOpen();
    if (isOpen())
        return true;
    message("No database opened, please open a database first!");
    chooseAndOpen();
    return isOpen();
}

// --- Pages ---------------------------------------------------------------------------------------

CPgnGame* DatabaseSession::selectedGame()
{
    const int selected = m_list.selected();
    std::unique_ptr<CPgnGame>& cached = m_list.cachedGame();
    if (selected < 0) {
        cached.reset();
        return nullptr;
    }
    if (!cached || m_cachedNumber != selected) {
        cached = m_database->gotoGame(selected);
        m_cachedNumber = selected;
    }
    return cached.get();
}

void DatabaseSession::stepSelection(int k)
{
    const int step = k < 0 ? -1 : 1;
    for (int i = 0; i != k; i += step)
        m_list.stepSelection(step);
}

bool DatabaseSession::deleteSelected(bool nameGame)
{
    settleOpen();
    const int selected = m_list.selected();
    if (!isOpen() || selected < 0) {
        message("Select a game first!", MessageIcon::Information, kDeleteTitle);
        return false;
    }
    std::string question = "Are you sure?";
    if (nameGame) {
        const CDatabaseEntry& entry = m_database->getEntries()[std::size_t(selected)];
        question = "Delete game " + std::to_string(selected + 1) + " (" +
            std::string(entry.white()) + " - " + std::string(entry.black()) + ", " +
            std::string(entry.event()) + ")?\n\n" + question;
    }
    if (!ask(kDeleteTitle, question))
        return false;
    const bool deleted = m_database->deleteGame(selected);
    if (!deleted)
        showDatabaseError(*m_database, kProgramTitle);
    reopenAfterWrite(false);
    return deleted;
}

bool DatabaseSession::closeSheet(bool load)
{
    // A game to load is worth the wait (the first one when none was chosen); otherwise the
    // open gives up.
    if (m_opening && !load)
        cancelOpen();
    settleOpen();
    bool handed = false;
    if (load && isOpen() && m_list.selected() >= 0 && m_game.prepareGameChange()) {
        std::unique_ptr<CPgnGame> game = m_database->gotoGame(m_list.selected());
        if (game)
            handed = handOver(std::move(game));
        else
            message("Could not load game.");
    }
    if (isOpen() && isAutosaveFile(m_database->getFileName())) {
        m_database->close();
        m_cachedNumber = -1;
        resetList();
        // At once: only the sheet follows an open in the background.
        openSheet();
        settleOpen();
    }
    return handed;
}

bool DatabaseSession::handOver(std::unique_ptr<CPgnGame> game)
{
    game->decodeMoveTimes();
    // The game on the board goes: the autosave keeps it within reach.
    m_game.autosaveGame();
    m_game.setGame(std::move(game), withoutFolder(m_database->getFileName()));
    return true;
}

// --- Save game -----------------------------------------------------------------------------------

CPgnGame& DatabaseSession::gameToSave()
{
    m_game.completeTags();
    CPgnGame& game = m_game.game();
    game.setFormat(kFilePgnFormat);
    return game;
}

void DatabaseSession::reopenAfterWrite(bool keepSelection)
{
    settleOpen();
    const int selected = m_list.selected();
    const std::string path = m_database->getFileName();
    m_database->close();
    m_cachedNumber = -1;
    if (!m_database->open(path))
        showDatabaseError(*m_database, kProgramTitle);
    resetList();
    const int count = int(m_database->getEntries().size());
    if (keepSelection && selected >= 0 && selected < count) {
        m_list.setSelected(selected);
        m_list.refreshList();
    }
}

DatabaseSession::SaveOutcome DatabaseSession::appendTo(const std::string& path)
{
    settleOpen();
    CPgnGame& game = gameToSave();
    if (isOpenDatabase(path)) {
        const bool appended = m_database->append(m_database->getFileName(), game);
        if (!appended)
            showDatabaseError(*m_database, kSaveTitle);
        reopenAfterWrite(true);
        return appended ? SaveOutcome::Saved : SaveOutcome::Failed;
    }
    CPgnParser parser;
    CDatabase other(parser);
    if (!other.append(path, game)) {
        showDatabaseError(other, kSaveTitle);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

DatabaseSession::SaveOutcome DatabaseSession::saveToCurrent()
{
    settleOpen();
    if (!isOpen()) {
        message("No database opened, select a database to append game to first.");
        return saveToChosen();
    }
    return appendTo(m_database->getFileName());
}

DatabaseSession::SaveOutcome DatabaseSession::saveToChosen()
{
    std::optional<std::string> path;
    {
        GameController::ModalDialogScope modal(m_game);
        path = m_prompts.chooseDatabaseFile(kSelectTitle, false);
    }
    return path ? appendTo(*path) : SaveOutcome::Cancelled;
}

DatabaseSession::SaveOutcome DatabaseSession::saveToNew()
{
    settleOpen();
    std::optional<std::string> path;
    {
        GameController::ModalDialogScope modal(m_game);
        path = m_prompts.chooseDatabaseFile(kNewTitle, true);
    }
    if (!path)
        return SaveOutcome::Cancelled;
    std::error_code error;
    if (std::filesystem::exists(*path, error) &&
        !ask(kNewTitle, withoutFolder(*path) + " already exists.\nDo you want to replace it?"))
        return SaveOutcome::Cancelled;
    // The open database's index would point into the emptied file: it is closed first and
    // opened again on the new contents.
    const bool wasOpen = isOpenDatabase(*path);
    if (wasOpen) {
        m_database->close();
        m_cachedNumber = -1;
        resetList();
    }
    std::FILE* file = std::fopen(path->c_str(), "wb");
    if (!file || std::fclose(file) != 0) {
        message("Could not open " + *path + " ", MessageIcon::Exclamation, kNewTitle);
        if (wasOpen)
            open(*path, false);
        return SaveOutcome::Failed;
    }
    SaveOutcome outcome = appendTo(*path);
    if (wasOpen)
        open(*path, false);
    return outcome;
}

std::string DatabaseSession::replaceQuestion(int number, const CGame& replaced)
{
    return "Replace game " + std::to_string(number + 1) + " (" + replaced.white() + " - " +
        replaced.black() + ", " + replaced.event() + ") by current game?";
}

DatabaseSession::SaveOutcome DatabaseSession::replaceSelected()
{
    settleOpen();
    if (!isOpen())
        return saveToCurrent();
    const int selected = m_list.selected();
    if (selected < 0) {
        message("No game selected, appending to " + fileLabel() + ".");
        return appendTo(m_database->getFileName());
    }
    std::unique_ptr<CPgnGame> replaced = m_database->gotoGame(selected);
    if (!replaced) {
        message("Could not replace current game, appending to " + fileLabel() + ".");
        return appendTo(m_database->getFileName());
    }
    if (!ask(kSaveTitle, replaceQuestion(selected, *replaced)))
        return SaveOutcome::Cancelled;
    const bool written = m_database->replaceGame(selected, gameToSave());
    if (!written)
        showDatabaseError(*m_database, kSaveTitle);
    reopenAfterWrite(true);
    return written ? SaveOutcome::Saved : SaveOutcome::Failed;
}

// --- Loading by command --------------------------------------------------------------------------

bool DatabaseSession::loadStep(int d)
{
    if (!m_game.prepareGameChange() || !ensureOpen())
        return false;
    if (offerReload())
        settleOpen();
    m_list.stepSelection(d);
    std::unique_ptr<CPgnGame> game =
        m_list.selected() < 0 ? nullptr : m_database->gotoGame(m_list.selected());
    if (!game) {
        message("Could not parse game!");
        return false;
    }
    return handOver(std::move(game));
}

} // namespace velmorak
