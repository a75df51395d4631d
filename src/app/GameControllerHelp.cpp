// The game controller's helps for the player: the coach, hint and threat.
#include <algorithm>
#include <cstdio>

#include "app/GameController.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
#include "rules/SanNotation.h"

namespace velmorak {

namespace {

constexpr std::string_view kHintWhileThinking = "Hint not possible while engine is thinking";
constexpr std::string_view kHintWhileObserving =
    "Hint not possible while observing a game, please use analyze instead.";
constexpr std::string_view kHintOnServer = "Hint not possible while playing on server";
constexpr std::string_view kThreatWhileThinking =
    "Show threat not possible while engine is thinking";
constexpr std::string_view kThreatOnServer = "Show threat not possible while playing on server";
constexpr const char* kSearchingHint = "Searching for hint move...    ";
constexpr const char* kSearchingThreat = "Searching for threat move...  ";

// The first move of an engine line, as a legal move of `position`; NoMove when none.
Move firstMove(const Board& position, const std::string& line)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, line, cursor);
}

std::string sanOf(const Board& position, Move move)
{
    Board board = position;
    return writeSan(board, move);
}

// The position with the other side to move and no en-passant square: what the opponent
// could do if the side to move could pass.
std::string passedFen(const Board& board)
{
    // Field by field: placement, side, castling, en passant, then the counters.
    std::string fen = board.fen();
    std::string out;
    std::size_t start = 0;
    for (int field = 0; start <= fen.size(); ++field) {
        std::size_t end = std::min(fen.find(' ', start), fen.size());
        std::string_view text = std::string_view(fen).substr(start, end - start);
        if (field > 0)
            out += ' ';
        if (field == 1)
            out += text == "w" ? "b" : "w";
        else if (field == 3)
            out += '-';
        else
            out += text;
        start = end + 1;
    }
    return out;
}

} // namespace

// --- Coach ----------------------------------------------------------------------------------

void GameController::forgetCoach()
{
    m_state.coachLastScore = kNoCoachScore;
    m_state.coachLastNode = nullptr;
}

bool GameController::coachTakesBack(const SearchEnded& ended)
{
    int last = m_state.coachLastScore;
    int score = ended.info.score;
    CGameNode* node = m_state.currentNode;
    bool warn = m_options.coach && m_state.coachLastNode && last != kNoCoachScore &&
        last + kCoachJump < score && last < kCoachClearScore && score > -kCoachClearScore &&
        ended.info.moveCount > 1 && node->parent() == m_state.coachLastNode;
    if (!warn)
        return false;
    char text[256];
    Move reply = firstMove(m_state.board, ended.info.rawLine);
    if (reply != NoMove)
        std::snprintf(text, sizeof text,
            "I think after %s I can play %s now! Do you want to take back your move?",
            node->san().c_str(), sanOf(m_state.board, reply).c_str());
    else
        std::snprintf(text, sizeof text,
            "I don't think %s was a good move! Do you want to take it back?", node->san().c_str());
    m_sounds.questionBeep();
    if (!askYesNo("Coach warns", text, MessageIcon::Exclamation, true))
        return false;
    // The user's move goes, and with no continuation its node too: the coach's memory
    // may point to nothing after that, so it is forgotten.
    CGameNode* userNode = node;
    takeBackMove(true);
    if (m_state.currentNode == userNode->parent() && userNode->childCount() == 0) {
        m_state.currentNode->removeChild(userNode);
        m_state.game->setChanged(true);
        updateNavigationCommands();
    }
    forgetCoach();
    return true;
}

void GameController::updateCoachMemory(const SearchEnded& ended)
{
    // A single move to choose from (a book move reports one) tells nothing of the position.
    m_state.coachLastScore = ended.info.moveCount == 1 ? kNoCoachScore : ended.info.score;
    m_state.coachLastNode = m_state.currentNode;
}

// --- Hint and threat ------------------------------------------------------------------------

bool GameController::guardHint()
{
    if (isEngineSearchingForMove()) {
        message(kHintWhileThinking);
        return false;
    }
    if (m_state.observeMode) {
        message(kHintWhileObserving);
        return false;
    }
    if (m_state.serverGameMode) {
        message(kHintOnServer);
        return false;
    }
    return true;
}

bool GameController::guardThreat()
{
    if (isEngineSearchingForMove()) {
        message(kThreatWhileThinking);
        return false;
    }
    if (m_state.serverGameMode) {
        message(kThreatOnServer);
        return false;
    }
    return true;
}

bool GameController::engineReadyForHelp()
{
    if (!engineLoaded()) {
        noEngineMessage();
        return false;
    }
    restartEngineForHashSize();
    return m_engine.isRunning();
}

SearchInfo GameController::runHelpSearch(const std::string& searchingText)
{
    m_state.hintSearchActive = true;
    m_state.helpSearchText = searchingText;
    m_view.invalidateStatus();
    m_view.redrawBoard();
    SearchCommand command;
    command.kind = SearchKind::Hint;
    // Its identity is not kept: whatever it reports is never played.
    m_engine.start(command);
    // The engine's real state is waited for, not a flag that a command not yet taken
    // leaves unset.
    if (!m_engine.waitUntilIdle(kHelpSearchWait))
        m_engine.stop(false);
    return m_host->output().snapshot();
}

void GameController::endHelpSearch()
{
    if (!m_engine.isBusy())
        clearEngineOutput();
    m_state.hintSearchActive = false;
    m_state.helpSearchText.clear();
    m_view.invalidateStatus();
}

bool GameController::presentHelp(Move move, const Board& position, bool threat)
{
    if (move == NoMove)
        return false;
    m_sounds.AnnounceMoveFull(move);
    m_view.showMoveThereAndBack(move, sanOf(position, move), threat);
    return true;
}

Move GameController::showHint()
{
    if (!guardHint())
        return NoMove;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    Board position = m_state.board;
    Move hint = NoMove;
    bool searched = false;
    if (m_engine.isPondering()) {
        hint = m_state.ponderMove;
    } else if (m_state.analysisMode) {
        hint = firstMove(position, m_host ? m_host->output().snapshot().rawLine : "");
    } else if (m_state.trainingMode) {
        if (CGameNode* solution = m_state.currentNode->child(0))
            hint = solution->move();
    } else {
        if (!engineReadyForHelp())
            return NoMove;
        prepareEngine();
        // After the position: a plug-in takes a new position as a new game, level included.
        m_engine.functions().setLevel(1, 5, 0, 99);
        hint = firstMove(position, runHelpSearch(kSearchingHint).rawLine);
        searched = true;
    }
    // Origin, target and promotion piece must make a legal move here.
    if (hint != NoMove && !position.isMoveLegal(hint))
        hint = NoMove;
    if (!presentHelp(hint, position, false))
        message("Sorry, no hint found.");
    if (searched)
        endHelpSearch();
    return hint;
}

Move GameController::showThreat()
{
    if (!guardThreat())
        return NoMove;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    if (m_engine.isPondering()) {
        stopEngine(false);
        forgetPonder();
        m_state.ponderMove = NoMove;
    }
    bool analysing = m_state.analysisMode;
    if (analysing && m_engine.isBusy())
        stopEngine(false);

    // The side to move passes: a move that then takes the king is the threat, no search
    // needed.
    Board passed = m_state.board;
    passed.makeMove(NullMove);
    Move threat = NoMove;
    MoveList moves;
    passed.allPseudoLegalMoves(moves);
    for (Move move : moves)
        if (move.isCapture() && (move.captured() & 7) == kKing) {
            threat = move;
            break;
        }
    bool searched = false;
    if (threat == NoMove) {
        if (!engineReadyForHelp())
            return NoMove;
        std::string fen = passedFen(m_state.board);
        const EnginePluginFunctions& f = m_engine.functions();
        clearEngineOutput();
        f.setPosition(fen.c_str());
        f.setBook("", 0);
        f.setLevel(1, 5, 0, 99);
        m_host->output().setShadowPosition(fen);
        Board swapped(fen);
        threat = firstMove(swapped, runHelpSearch(kSearchingThreat).rawLine);
        if (threat != NoMove && !swapped.isMoveLegal(threat))
            threat = NoMove;
        searched = true;
    }
    if (!presentHelp(threat, passed, true))
        message("Sorry, no threat found.");
    if (searched)
        endHelpSearch();
    if (analysing)
        restartAnalysis();
    return threat;
}

} // namespace velmorak
