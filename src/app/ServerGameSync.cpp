#include "app/ServerGameSync.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

#include "rules/PieceCode.h"
#include "rules/SanNotation.h"
#include "rules/Square.h"
#include "server/ServerPattern.h"
#include "server/Style12.h"

namespace velmorak {
namespace {

constexpr int kPollStepMs = 100;
constexpr int kObserveWaitMs = 5000;
constexpr int kLoadWaitMs = 5000;
// A resumed game can be long, and the server sends its list only after the game's lines.
constexpr int kResumedWaitMs = 15000;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// "(1523)" gives "1523", "++++" gives "".
std::string digitsOf(std::string_view text)
{
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

// The leading number of a text as the server writes numbers; 0 when there is none, and
// never past int.
int numberOf(std::string_view text)
{
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        return text.starts_with('-') ? std::numeric_limits<int>::min()
                                     : std::numeric_limits<int>::max();
    if (error != std::errc())
        return 0;
    return int(std::clamp<std::int64_t>(
        value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::string capture(const PatternCaptures& captures, std::size_t index)
{
    return index < captures.size() ? captures[index] : std::string();
}

std::string coordinatesOf(Move move)
{
    return squareText(move.from) + squareText(move.to);
}

bool isBishop(PieceCode piece)
{
    return piece == kWhiteBishop || piece == kBlackBishop;
}

std::string twoDigits(std::int64_t value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

} // namespace

ServerGameSync::ServerGameSync(GameController& controller, const ServerDialect& dialect,
    ServerReceiveFlags& flags, ServerCommandSink& sink, ServerGameHost& host)
    : m_controller(controller)
    , m_dialect(dialect)
    , m_flags(flags)
    , m_sink(sink)
    , m_host(host)
{
}

int ServerGameSync::gameNumber() const
{
    const ControllerState& state = m_controller.state();
    if (state.serverGameMode || state.observeMode)
        return state.serverGameNumber;
    return m_loadingNumber;
}

bool ServerGameSync::handleServerLine(const ServerLineEvent& event)
{
    const PatternCaptures& c = event.captures;
    switch (event.kind) {
    case ServerLineKind::GameCreate1:
        gameCreated(event);
        return true;
    case ServerLineKind::GameCreate2:
        gameNumbered(event, false);
        return true;
    case ServerLineKind::GameContinue:
        gameNumbered(event, true);
        return true;
    case ServerLineKind::RatingAdjust:
        ratingAdjusted(event);
        return true;
    case ServerLineKind::GameResult:
    case ServerLineKind::ObservedGameResult:
        if (event.result)
            gameFinished(*event.result, event.kind == ServerLineKind::GameResult);
        return true;
    case ServerLineKind::BoardLine:
        handleStyle12Line(event.line, false);
        return true;
    case ServerLineKind::ObservedBoardLine:
        handleStyle12Line(event.line, true);
        return true;
    case ServerLineKind::MoveAmbiguous:
        ambiguousMove(event);
        return true;
    case ServerLineKind::NoSuchGame:
        m_host.setStatusLine(event.line);
        return true;
    case ServerLineKind::ObserveStart:
        observeStarted(event);
        return true;
    case ServerLineKind::ObserveStop:
        observeStopped(event);
        return true;
    case ServerLineKind::MovesPair:
        if (!addMoveToGame(capture(c, 2), capture(c, 4), false))
            log("ERROR: addMoveToGame failed 1: " + std::string(event.line));
        else if (!addMoveToGame(capture(c, 6), capture(c, 8), false))
            log("ERROR: addMoveToGame failed 2: " + std::string(event.line));
        return true;
    case ServerLineKind::MovesSingle:
        if (!addMoveToGame(capture(c, 2), capture(c, 4), false))
            log("ERROR: addMoveToGame failed 3: " + std::string(event.line));
        return true;
    case ServerLineKind::MovesStarted: {
        m_host.setStatusLine("");
        PatternCaptures unused;
        log(matchPattern(event.line, m_dialect.sMovesHeader0, unused) ? "movelist started 1"
                                                                      : "movelist started 2");
        return true;
    }
    case ServerLineKind::MovesEnded:
        log("movelist ended (sPrompt)");
        return true;
    case ServerLineKind::MovesHeader:
        movesHeader(event);
        return true;
    case ServerLineKind::MovesLevel:
        if (c.size() >= 2)
            setCurrentLevel(c[0], c[1]);
        return true;
    case ServerLineKind::MovesResult:
        movesResult(event.result);
        return true;
    default:
        return false;
    }
}

// --- Played and observed games -------------------------------------------------------------

void ServerGameSync::gameCreated(const ServerLineEvent& event)
{
    const PatternCaptures& c = event.captures;
    const std::string white = capture(c, 0);
    const std::string black = capture(c, 4);
    // With the server's "gin" on, other players' games are announced as well.
    const std::string handle = m_host.sessionHandle();
    if (!handle.empty() && !equalsIgnoringCase(handle, white) &&
        !equalsIgnoringCase(handle, black)) {
        log("another game created: " + std::string(event.line));
        return;
    }
    m_host.setStatusLine("");
    m_host.closeServerSheet();
    // A new game of ours means the last one is over, whether or not its end was seen.
    if (m_controller.state().serverGameMode) {
        log("previous server game " + std::to_string(m_controller.state().serverGameNumber) +
            " left for a new one");
        m_controller.SetServerGameMode(false, -1);
    }
    const std::uint64_t serial = m_controller.state().gameSerial;
    m_controller.newGame(false);
    if (m_controller.state().gameSerial == serial) {
        log("ERROR: initializeNewGame failed!");
        return;
    }
    CPgnGame& game = m_controller.game();
    game.setTag("White", white);
    game.setTag("Black", black);
    const std::string whiteElo = digitsOf(capture(c, 2));
    const std::string blackElo = digitsOf(capture(c, 6));
    if (numberOf(whiteElo) != 0)
        game.setTag("WhiteElo", whiteElo);
    if (numberOf(blackElo) != 0)
        game.setTag("BlackElo", blackElo);
    m_kind = ServerGameKind {};
    m_kind.rated = capture(c, 8).starts_with('r');
    m_kind.kindText = capture(c, 10);
    m_kind.minutes = numberOf(capture(c, 12));
    m_kind.increment = numberOf(capture(c, 14));
    game.setChanged(true);
    setCurrentLevel(capture(c, 12), capture(c, 14));
    log("creating new game (1)");
}

void ServerGameSync::gameNumbered(const ServerLineEvent& event, bool continuing)
{
    const PatternCaptures& c = event.captures;
    const std::string lineWhite = capture(c, 1);
    const std::string lineBlack = capture(c, 2);
    const std::string handle = m_host.sessionHandle();
    if (!handle.empty() && !equalsIgnoringCase(handle, lineWhite) &&
        !equalsIgnoringCase(handle, lineBlack)) {
        log("another game numbered: " + std::string(event.line));
        return;
    }
    m_host.setStatusLine("");
    CPgnGame& game = m_controller.game();
    std::string white = game.white();
    std::string black = game.black();
    if (white.empty() && black.empty()) {
        // No creation line came before (a resumed game on some servers): the names are here.
        game.setTag("White", lineWhite);
        game.setTag("Black", lineBlack);
    } else if (lineWhite != white && lineWhite == black) {
        // The creation line named the players the other way round.
        const std::string whiteElo = game.getTag("WhiteElo");
        const std::string blackElo = game.getTag("BlackElo");
        game.setTag("White", black);
        game.setTag("Black", white);
        game.removeTag("WhiteElo");
        game.removeTag("BlackElo");
        if (!blackElo.empty())
            game.setTag("WhiteElo", blackElo);
        if (!whiteElo.empty())
            game.setTag("BlackElo", whiteElo);
    }
    white = game.white();
    black = game.black();
    if (equalsIgnoringCase(handle, white)) {
        m_ownColor = 0;
    } else if (equalsIgnoringCase(handle, black)) {
        m_ownColor = 1;
    } else {
        log("ERROR: could not determine color when receiving sGameCreate2 (bContinuing = " +
            std::to_string(continuing ? 1 : 0) + ")");
        log("ERROR: Handles were: White: >" + white + "< Black: >" + black + "< Handle: >" +
            handle + "<");
        GameController::ModalDialogScope box(m_controller);
        m_controller.prompts().showMessage(kProgramTitle,
            "Warning: could not determine our color when receiving Creating Game. See Log!",
            MessageIcon::Exclamation);
    }
    const int number = numberOf(capture(c, 0));
    m_lastRetriedMove.clear();
    m_controller.SetServerGameMode(true, number);
    log("creating new game (2)");
    const LevelRecord& level = m_controller.level();
    m_host.showNotice("Game begins",
        "Game " + white + " - " + black + " (" + std::to_string(level.blitzSeconds / 60) + " " +
            std::to_string(level.blitzIncrement) + ") begins!");
    if (continuing)
        m_fetchResumedMoves = true;
    m_host.setBoardFlipped(m_ownColor == 1);
    m_host.gameStarted(number, false);
}

void ServerGameSync::ratingAdjusted(const ServerLineEvent& event)
{
    const std::string rating = capture(event.captures, 5);
    const std::string handle = m_host.sessionHandle();
    CPgnGame& game = m_controller.game();
    if (equalsIgnoringCase(handle, game.white())) {
        game.setTag("WhiteElo", rating);
        log("White rating changed to " + rating);
    } else if (equalsIgnoringCase(handle, game.black())) {
        game.setTag("BlackElo", rating);
        log("Black rating changed to " + rating);
    }
    m_host.setStatusLine(event.line);
}

void ServerGameSync::gameFinished(const ServerGameResult& result, bool playing)
{
    const int number = m_controller.state().serverGameNumber;
    if (result.gameNumber != number || number < 0)
        return;
    CPgnGame& game = m_controller.game();
    game.setTag("Result", result.result);
    game.setTag("Reason", result.reason);
    if (playing) {
        m_controller.SetServerGameMode(false, -1);
        log("game finished with result " + result.result);
    } else {
        leaveObserveQuietly();
        log("observed game finished with result " + result.result);
    }
    m_host.gameEnded(number, result);
    showGameFinished(number, playing);
}

void ServerGameSync::observeStarted(const ServerLineEvent& event)
{
    const int number = numberOf(capture(event.captures, 0));
    if (m_controller.state().serverGameMode) {
        // The program follows one game at a time: the played one.
        log("observation of game " + std::to_string(number) + " ignored during a played game");
        return;
    }
    m_controller.SetObserveMode(true, number);
    m_host.setStatusLine(event.line);
    m_host.gameStarted(number, true);
}

void ServerGameSync::observeStopped(const ServerLineEvent& event)
{
    if (numberOf(capture(event.captures, 0)) != m_controller.state().serverGameNumber)
        return;
    leaveObserveQuietly();
    m_host.setStatusLine(event.line);
    m_host.observationEnded();
}

void ServerGameSync::leaveObserveQuietly()
{
    m_quietUnobserve = true;
    m_controller.SetObserveMode(false, -1);
    m_quietUnobserve = false;
}

void ServerGameSync::showGameFinished(int number, bool playing)
{
    CPgnGame& game = m_controller.game();
    std::string reason = game.getTag("Reason");
    if (!reason.empty())
        reason = "(" + reason + ")";
    std::string text = "Game " + std::to_string(number) + " finished!\n" + game.white() + " - " +
        game.black() + ": " + game.result() + " " + reason;
    m_host.beep();
    GameController::ModalDialogScope box(m_controller);
    if (!playing) {
        m_controller.prompts().showMessage(kProgramTitle, text, MessageIcon::Information);
        return;
    }
    const std::string opponent = m_ownColor == 0 ? game.black() : game.white();
    text += "\n\nOffer " + opponent + " to play another game?";
    if (!m_controller.prompts().askYesNo("Game finished", text, MessageIcon::Question, false))
        return;
    std::string match = m_dialect.sMatchCmd + opponent + " " +
        (m_kind.rated ? m_dialect.sRatedWord : m_dialect.sUnratedWord) + " " +
        std::to_string(m_kind.minutes) + " " + std::to_string(m_kind.increment) + " ";
    if (m_kind.colorPreference == 1)
        match += m_dialect.sWhiteWord;
    else if (m_kind.colorPreference == 2)
        match += m_dialect.sBlackWord;
    send(match);
}

// --- Board lines ---------------------------------------------------------------------------

int ServerGameSync::localPlies() const
{
    int plies = 0;
    for (const CGameNode* node = m_controller.currentNode(); node && node->parent();
         node = node->parent())
        ++plies;
    return plies;
}

bool ServerGameSync::handleStyle12Line(std::string_view line, bool observing)
{
    Result<Style12> parsed = parseStyle12(line);
    if (!parsed) {
        log("ERROR: board line dropped, " + parsed.error().message);
        return false;
    }
    const Style12& board = *parsed;
    const ControllerState& state = m_controller.state();
    const bool whiteToMove = board.sideToMove == kWhiteSide;
    const std::int64_t local = localPlies() - 1;

    if (board.gameNumber != state.serverGameNumber)
        return false;
    if (observing && state.board.sideToMove() == board.sideToMove)
        log("addMoveToGame (observed game) got unexpected color");
    const int relation = int(board.relation);
    if (!observing && !isPlayingRelation(board.relation)) {
        log("ERRROR unexpected relation " + std::to_string(relation) + " when playing");
        return false;
    }
    if (observing && !isObservingRelation(board.relation)) {
        log("ERRROR unexpected relation " + std::to_string(relation) + " when observing");
        return false;
    }

    const std::int64_t server = lastHalfMoveIndex(board);
    const bool opponentToMove = !observing && (whiteToMove ? m_ownColor == 1 : m_ownColor == 0);
    if (opponentToMove && server == local) {
        // The server confirms the user's own move and says how long it took.
        const std::int64_t seconds = parseMoveTime(board.moveTime, m_dialect);
        const std::int64_t before = m_controller.currentNode()->time() / 1000;
        m_controller.setCurrentMoveTime(seconds * 1000);
        if (before != seconds)
            log("updated time for last move from " + std::to_string(before) + " to " +
                std::to_string(seconds));
        return true;
    }
    if (server - 1 < local) {
        log("Takeback?. Expected halfmovenumber " + std::to_string(local) + " but got " +
            std::to_string(server - 1));
        // The observation or the game goes on; a repeated line takes back nothing.
        m_controller.serverTakeBack(int(local - server));
        return false;
    }
    if (server - 1 != local) {
        log("unexpected halfmove number. Expected " + std::to_string(local) + " but got " +
            std::to_string(server - 1));
        return false;
    }
    if (!hasLastMove(board, m_dialect))
        return true;
    if (!addMoveToGame(board.san, board.moveTime, true)) {
        log("addMoveToGame (observed game) failed when parsing line: " + std::string(line));
        return false;
    }
    // Servers asked for milliseconds write the move times with a fraction and the remaining
    // times in milliseconds.
    const std::int64_t unit = board.moveTime.find('.') != std::string::npos ? 1000 : 1;
    correctClocks(board.whiteRemaining / unit, board.blackRemaining / unit);
    return true;
}

void ServerGameSync::correctClocks(std::int64_t whiteRemaining, std::int64_t blackRemaining)
{
    const ClockParts clocks = m_controller.clocks();
    auto side = [](std::int64_t server, std::int64_t local) {
        return std::to_string(server) + " (" + std::to_string(local) + ", " +
            twoDigits(local / 60) + ":" + twoDigits(local % 60) + ")";
    };
    log("Clocks: White: " + side(whiteRemaining, clocks.whiteSeconds) +
        ", Black: " + side(blackRemaining, clocks.blackSeconds));
    if (m_controller.level().mode == kFixedLevel)
        return;
    struct Side {
        bool black;
        std::int64_t local;
        std::int64_t server;
        const char* name;
    };
    for (const Side& s : { Side { false, clocks.whiteSeconds, whiteRemaining, "white" },
             Side { true, clocks.blackSeconds, blackRemaining, "black" } }) {
        // Both lie far inside 64 bits (the board line bounds the server's figure), so the
        // difference and its milliseconds cannot overflow; the controller saturates the sum.
        const std::int64_t d = s.local - s.server;
        if (d == 0)
            continue;
        m_controller.correctUsedTime(s.black, d * 1000);
        log(std::string("updated ") + s.name + " clock by " + std::to_string(d) + "sec");
    }
}

bool ServerGameSync::addMoveToGame(std::string_view san, std::string_view timeText, bool live)
{
    Board board = m_controller.board();
    const Move move = readSan(board, san);
    if (move == NoMove) {
        log("ERROR: could not add move " + std::string(san) + " to game (parsing failed)");
        return false;
    }
    const std::int64_t seconds = parseMoveTime(timeText, m_dialect);
    if (!m_controller.currentNode())
        return false;
    if (!m_controller.enterServerMove(move, seconds * 1000, live)) {
        log("ERROR: could not add move " + std::string(san) + " to game (move is illegal)");
        return false;
    }
    log("added move " + std::string(san) + " to game");
    return true;
}

void ServerGameSync::setCurrentLevel(std::string_view minutes, std::string_view increment)
{
    LevelRecord level = m_controller.level();
    const int min = std::max(0, numberOf(minutes));
    const int inc = std::max(0, numberOf(increment));
    const std::string given = std::string(minutes) + " " + std::string(increment);
    if (min == 0 && inc == 0) {
        level.setFixed(kMaxFixedPlies, kNoTimeLimit);
        log("setCurrentLevel(" + given + ") = untimed");
    } else {
        // Minutes are kept as seconds in 32 bits.
        level.setBlitz(std::min(min, std::numeric_limits<int>::max() / 60) * 60, inc);
        log("setCurrentLevel(" + given + ") = blitz " + std::to_string(min) + " " +
            std::to_string(inc));
    }
    m_controller.applyLevel(level);
}

// --- The user's moves ----------------------------------------------------------------------

std::string ServerGameSync::serverMoveText(const CGameNode& node) const
{
    const Move move = node.move();
    if (isBishop(move.piece) && !move.isPromotion())
        return coordinatesOf(move);
    // The servers read "bxc3" as a bishop's move: the b-pawn names its rank.
    std::string text = node.san();
    if (text.starts_with("bx"))
        text.replace(0, 2, "b" + std::to_string(rankOf(move.from) + 1));
    return text;
}

void ServerGameSync::sendMove(const CGameNode& node)
{
    send(serverMoveText(node));
}

void ServerGameSync::requestTakeback()
{
    // The user's own move is the last one when the opponent is to move: one half-move.
    const bool whiteToMove = m_controller.board().sideToMove() == kWhiteSide;
    const bool opponentToMove = whiteToMove ? m_ownColor == 1 : m_ownColor == 0;
    send(m_dialect.sTakebackCmd + (opponentToMove ? "1" : "2"));
}

void ServerGameSync::sendUnobserve()
{
    if (!m_quietUnobserve)
        send(m_dialect.sUnobserveCmd);
}

void ServerGameSync::ambiguousMove(const ServerLineEvent& event)
{
    log("ERROR: ambiguous move received " + std::string(event.line));
    const CGameNode* node = m_controller.currentNode();
    if (node && node->parent()) {
        const std::string text = coordinatesOf(node->move());
        if (text != m_lastRetriedMove) {
            send(text);
            m_lastRetriedMove = text;
        }
    }
    m_host.setStatusLine(event.line);
}

// --- Move lists ----------------------------------------------------------------------------

void ServerGameSync::movesHeader(const ServerLineEvent& event)
{
    const PatternCaptures& c = event.captures;
    log("movelist started (sMovesHeader1)");
    CPgnGame& game = m_controller.game();
    game.setTag("White", capture(c, 0));
    game.setTag("Black", capture(c, 2));
    if (numberOf(capture(c, 1)) != 0)
        game.setTag("WhiteElo", capture(c, 1));
    if (numberOf(capture(c, 3)) != 0)
        game.setTag("BlackElo", capture(c, 3));
    if (m_dialect.sName == "ICC")
        game.setTag("Date", capture(c, 4) + "." + capture(c, 5) + "." + capture(c, 6));
    else
        game.setTag("Date",
            capture(c, 4) + " " + capture(c, 6) + " " + capture(c, 8) + " " + capture(c, 10));
    game.setChanged(true);
}

void ServerGameSync::movesResult(const ServerGameResult* result)
{
    if (!result || result->gameNumber != gameNumber())
        return;
    CPgnGame& game = m_controller.game();
    game.setTag("Result", result->result);
    game.setTag("Reason", result->reason);
    log("movelist ended (sMovesEnd)");
}

template <typename Done> bool ServerGameSync::waitFor(int limitMs, Done done)
{
    for (int waited = 0; waited < limitMs && m_host.answerCanCome(); waited += kPollStepMs) {
        m_host.waitAndPoll(kPollStepMs);
        if (done())
            return true;
    }
    return false;
}

bool ServerGameSync::fetchFailed()
{
    m_flags.bReceivingMoves = false;
    m_flags.bMovesStarted = false;
    m_flags.bLoadingGame = false;
    m_loadingNumber = -1;
    return false;
}

bool ServerGameSync::receiveObserveGame(int number)
{
    if (m_flags.bReceivingMoves) {
        log("ERRROR bReceivingMoves already true in receiveObserveGame");
        return false;
    }
    if (m_controller.state().serverGameMode) {
        log("ERROR: no observation during a played game");
        return false;
    }
    // A game observed before ends here (the server is told).
    m_controller.newGame(false);
    m_loadingNumber = number;
    m_flags.bLoadingGame = true;
    m_flags.noSuchGame = false;
    send(m_dialect.sObserveCmd + std::to_string(number));
    const ControllerState& state = m_controller.state();
    const bool observing = waitFor(kObserveWaitMs, [&] {
        return m_flags.noSuchGame || (state.observeMode && state.serverGameNumber == number);
    });
    if (m_flags.noSuchGame) {
        GameController::ModalDialogScope box(m_controller);
        m_controller.prompts().showMessage(
            kProgramTitle, "There is no such game (probably finished).", MessageIcon::Information);
        return fetchFailed();
    }
    if (!observing) {
        send(m_dialect.sUnobserveCmd);
        return fetchFailed();
    }
    m_flags.bReceivingMoves = true;
    m_flags.bMovesStarted = false;
    send(m_dialect.sMovesCmd + std::to_string(number));
    if (!waitFor(kObserveWaitMs,
            [&] { return !m_flags.bReceivingMoves && m_controller.game().changed(); })) {
        // Without its moves the game cannot be followed: the observation ends too.
        log("ERROR: timeout when receiving moves of observed game " + std::to_string(number));
        m_controller.SetObserveMode(false, -1);
        return fetchFailed();
    }
    m_flags.bLoadingGame = false;
    m_loadingNumber = -1;
    return true;
}

bool ServerGameSync::fetchResumedMoves()
{
    if (!m_fetchResumedMoves)
        return false;
    m_fetchResumedMoves = false;
    receiveAdjournGame();
    return true;
}

bool ServerGameSync::receiveAdjournGame()
{
    if (m_flags.bReceivingMoves) {
        log("ERRROR bReceivingMoves true in receiveAdjournGame");
        return false;
    }
    const int number = m_controller.state().serverGameNumber;
    m_flags.bReceivingMoves = true;
    m_flags.bMovesStarted = false;
    send(m_dialect.sMovesCmd + std::to_string(number));
    const bool done = waitFor(kResumedWaitMs, [&] { return !m_flags.bReceivingMoves; });
    m_flags.bLoadingGame = false;
    if (done)
        return true;
    // The game goes on under its number: the next board lines still reach it.
    log("ERROR: timeout when receiving moves of adjourned (" + std::to_string(number) + "," +
        std::to_string(m_flags.bMovesStarted ? 1 : 0) + ")!");
    m_flags.bReceivingMoves = false;
    m_flags.bMovesStarted = false;
    return false;
}

bool ServerGameSync::receiveAdjournLoad(std::string_view opponent)
{
    if (m_flags.bReceivingMoves) {
        log("ERRROR bReceivingMoves already true in receiveAdjournLoad");
        return false;
    }
    m_flags.bLoadingGame = true;
    m_flags.bReceivingMoves = true;
    m_flags.bMovesStarted = false;
    send(m_dialect.sSmovesCmd + std::string(opponent));
    if (!waitFor(kLoadWaitMs, [&] { return !m_flags.bReceivingMoves; }))
        return fetchFailed();
    m_flags.bLoadingGame = false;
    return true;
}

bool ServerGameSync::receiveHistoryLoad(int entry)
{
    if (m_flags.bReceivingMoves) {
        log("ERRROR bReceivingMoves already true in receiveHistoryLoad");
        return false;
    }
    m_flags.bLoadingGame = true;
    m_flags.bReceivingMoves = true;
    m_flags.bMovesStarted = false;
    // FICS numbers the history per player, ICC per session.
    if (m_dialect.sName == "ICC")
        send(m_dialect.sSmovesCmd + std::to_string(entry));
    else
        send(m_dialect.sSmovesCmd + m_host.sessionHandle() + " " + std::to_string(entry));
    if (!waitFor(kLoadWaitMs, [&] { return !m_flags.bReceivingMoves; }))
        return fetchFailed();
    m_flags.bLoadingGame = false;
    return true;
}

} // namespace velmorak
