#include "app/TrainingSession.h"

#include <algorithm>
#include <filesystem>

#include "app/GameController.h"
#include "app/TrainingPositions.h"
#include "record/FirstGame.h"

namespace velmorak {

namespace {

constexpr std::string_view kTrainingTitle = "Training";
constexpr int kTrainingTimerMs = 100;

} // namespace

TrainingSession::TrainingSession(Services services)
    : m_game(services.game)
    , m_state(services.state)
    , m_databases(services.databases)
    , m_prompts(services.prompts)
    , m_view(services.view)
    , m_ui(services.ui)
    , m_clock(services.clock)
    , m_settings(services.settings)
    , m_documentsFolder(std::move(services.documentsFolder))
    , m_programFolder(std::move(services.programFolder))
    , m_alive(std::make_shared<TrainingSession*>(this))
{
}

TrainingSession::~TrainingSession()
{
    m_clock.killTimer(kTrainingReplyTimer);
    m_clock.killTimer(kTrainingSolvedTimer);
    m_alive.reset();
}

void TrainingSession::message(std::string_view text, std::string_view title)
{
    GameController::ModalDialogScope open(m_game);
    m_prompts.showMessage(title, text, MessageIcon::Information);
}

bool TrainingSession::ask(std::string_view text)
{
    GameController::ModalDialogScope open(m_game);
    return m_prompts.askYesNo(kTrainingTitle, text, MessageIcon::Question, true);
}

void TrainingSession::toggle()
{
    if (m_state.serverGameMode) {
        message("Please finish running server-game first", kProgramTitle);
        return;
    }
    if (m_state.observeMode) {
        if (!ask("Stop observing and start training?"))
            return;
        m_game.SetObserveMode(false, -1);
    }
    if (m_state.trainingMode) {
        setActive(false);
        m_state.moveStartTick = 0;
        return;
    }
    std::string name;
    int index = -1;
    m_settings.readString(kLastTrainingDatabaseSetting, name);
    m_settings.readInt(kLastTrainingPositionSetting, index);
    bool resume = true;
    if (!name.empty() && index >= 0) {
        resume = ask("Do you want to continue your last training session?");
    } else {
        message("Loading training-positions from vmtactics.pgn!", kTrainingTitle);
        // A copy that fails shows as the file that cannot be opened just below.
        Result<std::string> installed = installTrainingFile(m_programFolder, m_documentsFolder);
        name = installed ? *installed : m_documentsFolder + "/" + kTrainingFileName;
        index = 0;
    }
    if (resume) {
        start(name, index);
        return;
    }
    if (m_databases.ensureOpen())
        loadPosition(0);
}

bool TrainingSession::start(const std::string& path, int index)
{
    CDatabase& database = m_databases.database();
    database.close();
    if (!database.open(path)) {
        m_databases.resetList();
        // Only a stored resume point that fails is forgotten: a mistyped file name must not
        // cost the user the training they would resume next.
        std::string stored;
        m_settings.readString(kLastTrainingDatabaseSetting, stored);
        if (stored.empty() || stored != path) {
            message("Couldn't open training database " + path, kTrainingTitle);
            return false;
        }
        message("Couldn't open last training database", kTrainingTitle);
        m_settings.writeString(kLastTrainingDatabaseSetting, "");
        m_settings.writeInt(kLastTrainingPositionSetting, -1);
        return false;
    }
    m_databases.resetList();
    return loadPosition(index);
}

bool TrainingSession::loadPosition(int offset)
{
    CDatabase& database = m_databases.database();
    std::unique_ptr<CPgnGame> game = loadGameAtOffset(database, offset);
    if (!game) {
        message("Could not parse game!", kProgramTitle);
        return false;
    }
    // A position no game can start from would only be refused move by move, or end at once.
    if (Status playable = checkSetUpPosition(*game); !playable) {
        message(playable.error().message, kTrainingTitle);
        return false;
    }
    m_clock.killTimer(kTrainingReplyTimer);
    m_clock.killTimer(kTrainingSolvedTimer);
    m_stepDue = false;
    m_game.stopReplayAndAnalysis();
    m_game.autosaveGame();
    // The Games list and "Next game" go on from the position on the board.
    m_databases.list().setSelected(database.current());
    m_game.setGame(std::move(game), std::filesystem::path(database.getFileName()).filename());
    // A position given by moves from the standard start is solved from its start as well.
    if (m_state.currentNode != m_state.game->root())
        m_game.gotoNode(m_state.game->root());
    m_game.clearEngineHashtables();
    m_view.setBoardFlipped(m_state.board.sideToMove() == kBlackSide);
    m_state.moveStartTick = m_clock.ticks();
    setActive(true);
    return true;
}

void TrainingSession::setActive(bool on)
{
    m_state.trainingMode = on;
    if (!on) {
        m_clock.killTimer(kTrainingReplyTimer);
        m_clock.killTimer(kTrainingSolvedTimer);
        m_stepDue = false;
        const CDatabase& database = m_databases.database();
        if (database.isOpen()) {
            m_settings.writeString(kLastTrainingDatabaseSetting, database.getFileName());
            m_settings.writeInt(kLastTrainingPositionSetting, database.current());
        }
        m_view.invalidateStatus();
    }
    m_view.setCommandChecked(ControllerCommand::Training, on);
}

bool TrainingSession::userMove(Move move, bool dragged)
{
    const CGameNode& node = *m_state.currentNode;
    bool expected = false;
    for (int i = 0; i < node.childCount() && !expected; ++i) {
        const CGameNode& child = *node.child(i);
        expected = child.move() == move && (i == 0 || acceptsVariation(child.nag()));
    }
    if (!expected) {
        m_view.redrawBoard();
        if (ask("Sorry wrong move. Do you need help?"))
            // At once, for this position: a posted hint could come after the next move.
            m_game.showHint();
        return false;
    }
    if (m_state.moveStartTick == 0)
        m_state.moveStartTick = m_clock.ticks();
    std::int64_t thinking = std::max<std::int64_t>(0, m_clock.ticks() - m_state.moveStartTick);
    if (!m_game.makeMove(move, thinking, !dragged, false)) {
        m_view.redrawBoard();
        return false;
    }
    bool lineGoesOn = m_state.currentNode->childCount() > 0;
    arm(lineGoesOn ? kTrainingReplyTimer : kTrainingSolvedTimer);
    m_stepDue = true;
    return true;
}

void TrainingSession::arm(Clock::TimerId id)
{
    startPostedTimer(m_clock, m_ui, std::weak_ptr(m_alive), id, kTrainingTimerMs, false,
        [id](TrainingSession& session) { session.timerFired(id); });
}

void TrainingSession::timerFired(Clock::TimerId id)
{
    m_clock.killTimer(id);
    if (!m_state.trainingMode) {
        m_stepDue = false;
        return;
    }
    // The reply or the question would come under the moving piece or an open box: the timer
    // is set again rather than lost.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0) {
        arm(id);
        return;
    }
    m_stepDue = false;
    if (id == kTrainingReplyTimer) {
        m_game.forwardMove();
        // The user's time for the next move starts with the reply on the board.
        m_state.moveStartTick = m_clock.ticks();
        return;
    }
    if (ask("Solution found! Continue with next position?")) {
        if (!loadPosition(1)) {
            setActive(false);
            m_state.moveStartTick = 0;
        }
        return;
    }
    const CDatabase& database = m_databases.database();
    int next = database.isOpen() ? database.current() + 1 : 0;
    setActive(false);
    m_state.moveStartTick = 0;
    m_settings.writeInt(kLastTrainingPositionSetting, next);
}

} // namespace velmorak
