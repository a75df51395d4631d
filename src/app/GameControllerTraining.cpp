// The game controller's training: positions from a PGN database, the user's moves judged
// against the main line and its accepted variations, the replies and "Solution found!".
#include <algorithm>

#include "app/GameController.h"
#include "app/TrainingPositions.h"
#include "record/CPgnParser.h"
#include "record/FirstGame.h"

namespace velmorak {

namespace {

constexpr std::string_view kTrainingTitle = "Training";
constexpr int kTrainingTimerMs = 100;

} // namespace

void GameController::toggleTraining()
{
    if (m_state.serverGameMode) {
        message("Please finish running server-game first");
        return;
    }
    if (m_state.observeMode) {
        if (!askYesNo(
                kTrainingTitle, "Stop observing and start training?", MessageIcon::Question, true))
            return;
        SetObserveMode(false, -1);
    }
    if (m_state.trainingMode) {
        setTraining(false);
        m_state.moveStartTick = 0;
        return;
    }
    std::string name;
    int index = -1;
    m_settings.readString(kLastTrainingDatabaseSetting, name);
    m_settings.readInt(kLastTrainingPositionSetting, index);
    bool resume = true;
    if (!name.empty() && index >= 0) {
        resume = askYesNo(kTrainingTitle, "Do you want to continue your last training session?",
            MessageIcon::Question, true);
    } else {
        message("Loading training-positions from vmtactics.pgn!", MessageIcon::Information,
            kTrainingTitle);
        // A copy that fails shows as the file that cannot be opened just below.
        Result<std::string> installed = installTrainingFile(m_programFolder, m_documentsFolder);
        name = installed ? *installed : m_documentsFolder + "/" + kTrainingFileName;
        index = 0;
    }
    if (resume) {
        startTraining(name, index);
        return;
    }
    if (!m_database || !m_database->isOpen()) {
        message("No database opened, please open a database first!");
        return;
    }
    loadTrainingPosition(0);
}

bool GameController::startTraining(const std::string& path, int index)
{
    if (!m_parser)
        m_parser = std::make_unique<CPgnParser>();
    if (!m_database)
        m_database = std::make_unique<CDatabase>(*m_parser);
    m_database->close();
    if (!m_database->open(path)) {
        // Only a stored resume point that fails is forgotten: a mistyped file name must not
        // cost the user the training they would resume next.
        std::string stored;
        m_settings.readString(kLastTrainingDatabaseSetting, stored);
        if (stored.empty() || stored != path) {
            message("Couldn't open training database " + path, MessageIcon::Information,
                kTrainingTitle);
            return false;
        }
        message("Couldn't open last training database", MessageIcon::Information, kTrainingTitle);
        m_settings.writeString(kLastTrainingDatabaseSetting, "");
        m_settings.writeInt(kLastTrainingPositionSetting, -1);
        return false;
    }
    return loadTrainingPosition(index);
}

bool GameController::loadTrainingPosition(int offset)
{
    std::unique_ptr<CPgnGame> game = loadGameAtOffset(*m_database, offset);
    if (!game) {
        message("Could not parse game!");
        return false;
    }
    // A position no game can start from would only be refused move by move, or end at once.
    if (Status playable = checkSetUpPosition(*game); !playable) {
        message(playable.error().message, MessageIcon::Information, kTrainingTitle);
        return false;
    }
    m_clock.killTimer(kTrainingReplyTimer);
    m_clock.killTimer(kTrainingSolvedTimer);
    m_trainingStepDue = false;
    stopReplayAndAnalysis();
    autosaveGame();
    setGame(std::move(game));
    // A position given by moves from the standard start is solved from its start as well.
    if (m_state.currentNode != m_state.game->root())
        gotoNode(m_state.game->root());
    if (engineLoaded() && m_engine.isRunning())
        m_engine.functions().clearHashtables();
    m_view.setBoardFlipped(m_state.board.sideToMove() == kBlackSide);
    m_state.moveStartTick = now();
    setTraining(true);
    return true;
}

void GameController::setTraining(bool on)
{
    m_state.trainingMode = on;
    if (!on) {
        m_clock.killTimer(kTrainingReplyTimer);
        m_clock.killTimer(kTrainingSolvedTimer);
        m_trainingStepDue = false;
        if (m_database && m_database->isOpen()) {
            m_settings.writeString(kLastTrainingDatabaseSetting, m_database->getFileName());
            m_settings.writeInt(kLastTrainingPositionSetting, m_database->current());
        }
        m_view.invalidateStatus();
    }
    m_view.setCommandChecked(ControllerCommand::Training, on);
}

bool GameController::trainingMove(Move move, bool dragged)
{
    const CGameNode& node = *m_state.currentNode;
    bool expected = false;
    for (int i = 0; i < node.childCount() && !expected; ++i) {
        const CGameNode& child = *node.child(i);
        expected = child.move() == move && (i == 0 || acceptsVariation(child.nag()));
    }
    if (!expected) {
        m_view.redrawBoard();
        if (askYesNo(
                kTrainingTitle, "Sorry wrong move. Do you need help?", MessageIcon::Question, true))
            // At once, for this position: a posted hint could come after the next move.
            showHint();
        return false;
    }
    if (m_state.moveStartTick == 0)
        m_state.moveStartTick = now();
    std::int64_t thinking = std::max<std::int64_t>(0, now() - m_state.moveStartTick);
    if (!makeMove(move, thinking, !dragged, false)) {
        m_view.redrawBoard();
        return false;
    }
    bool lineGoesOn = m_state.currentNode->childCount() > 0;
    armTimer(lineGoesOn ? kTrainingReplyTimer : kTrainingSolvedTimer, kTrainingTimerMs, false);
    m_trainingStepDue = true;
    return true;
}

void GameController::trainingTimer(Clock::TimerId id)
{
    m_clock.killTimer(id);
    if (!m_state.trainingMode) {
        m_trainingStepDue = false;
        return;
    }
    // The reply or the question would come under the moving piece or an open box: the timer
    // is set again rather than lost.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0) {
        armTimer(id, kTrainingTimerMs, false);
        return;
    }
    m_trainingStepDue = false;
    if (id == kTrainingReplyTimer) {
        forwardMove();
        // The user's time for the next move starts with the reply on the board.
        m_state.moveStartTick = now();
        return;
    }
    if (askYesNo(kTrainingTitle, "Solution found! Continue with next position?",
            MessageIcon::Question, true)) {
        if (!loadTrainingPosition(1)) {
            setTraining(false);
            m_state.moveStartTick = 0;
        }
        return;
    }
    int next = m_database ? m_database->current() + 1 : 0;
    setTraining(false);
    m_state.moveStartTick = 0;
    m_settings.writeInt(kLastTrainingPositionSetting, next);
}

} // namespace velmorak
