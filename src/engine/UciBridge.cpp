#include "engine/UciBridge.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

#include "engine/EngineOutput.h"
#include "engine/OpeningBook.h"
#include "engine/PolyglotBook.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
#include "rules/PositionValidation.h"

namespace velmorak {

namespace {

constexpr const char* kFallbackName = "VelmoEngine";
constexpr int kPollMs = 50;
// How long a quitting engine may take before it is terminated.
constexpr int kQuitGraceMs = 1000;

// A program that has printed this many lines without finishing the handshake is not
// speaking UCI, whatever it says.
constexpr int kMaxHandshakeLines = 1000;

bool isUciAnswer(std::string_view line)
{
    for (std::string_view word : { "id ", "option ", "uciok", "info " })
        if (line.rfind(word, 0) == 0)
            return true;
    return false;
}

// Control characters other than tab never occur in UCI text.
bool isBinary(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
}

std::string seconds(int ms)
{
    return std::to_string((ms + 999) / 1000) + " s";
}

std::string lastLineOf(const std::string& text)
{
    std::string_view rest(text);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
        rest.remove_suffix(1);
    std::size_t start = rest.find_last_of('\n');
    std::string_view line = start == std::string_view::npos ? rest : rest.substr(start + 1);
    return cutText(line, 200);
}

std::string statusText(std::optional<int> status)
{
    if (!status || *status < 0)
        return "it ended";
    if (WIFSIGNALED(*status))
        return std::string("it crashed (") + strsignal(WTERMSIG(*status)) + ")";
    if (WIFEXITED(*status))
        return "it ended with exit status " + std::to_string(WEXITSTATUS(*status));
    return "it ended";
}

std::vector<std::string> splitBlanks(std::string_view text)
{
    std::vector<std::string> words;
    std::istringstream stream { std::string(text) };
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
        [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// "option name Hash type spin default 16 min 1 max 33554432": the maximum.
std::optional<long long> hashMaximum(std::string_view line)
{
    if (line.find("option name Hash ") != 0)
        return std::nullopt;
    std::size_t max = line.find(" max ");
    if (max == std::string_view::npos)
        return std::nullopt;
    std::string_view digits = line.substr(max + 5);
    long long value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || value < 1)
        return std::nullopt;
    return value;
}

// The moves of `pv` that are legal in turn from `board`, joined by blanks.
std::vector<std::string> legalPrefix(Board board, const std::vector<std::string>& pv)
{
    std::vector<std::string> legal;
    for (const std::string& text : pv) {
        std::size_t cursor = 0;
        Move move = readCoordinateToken(board, text, cursor);
        if (move == NoMove || cursor != text.size())
            break;
        legal.push_back(writeCoordinates(move));
        board.makeMove(move);
    }
    return legal;
}

std::string join(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty())
            text += ' ';
        text += word;
    }
    return text;
}

} // namespace

UciBridgeConfig UciBridgeConfig::load(const std::string& iniPath)
{
    UciBridgeConfig config;
    std::ifstream file(iniPath);
    if (file) {
        std::stringstream text;
        text << file.rdbuf();
        std::vector<std::string> arguments;
        std::string engine;
        for (auto& [key, value] : parseIniText(text.str())) {
            if (key == "Engine")
                engine = value;
            else if (key == "Arguments")
                arguments = splitBlanks(value);
            else if (key == "Name")
                config.name = value;
            else if (key == "StartTimeout") {
                int ms = 0;
                auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
                if (error == std::errc() && ms > 0)
                    config.startTimeoutMs = ms;
            } else if (key.rfind("Option.", 0) == 0 && key.size() > 7)
                config.options.emplace_back(key.substr(7), value);
        }
        if (!engine.empty()) {
            config.command = { engine };
            config.command.insert(config.command.end(), arguments.begin(), arguments.end());
        }
    }
    if (const char* variable = std::getenv(kEngineVariable); variable && *variable) {
        std::vector<std::string> command = splitBlanks(variable);
        if (!command.empty())
            config.command = command;
    }
    return config;
}

UciBridge::UciBridge(UciBridgeConfig config, Clock& clock)
    : m_config(std::move(config))
    , m_clock(clock)
    , m_process(clock)
{
    m_startFen = m_board.fen();
}

UciBridge::~UciBridge()
{
    stopEngineProcess(200);
}

std::string UciBridge::lastError() const
{
    std::lock_guard lock(m_stateMutex);
    return m_lastError;
}

void UciBridge::setError(std::string text)
{
    std::lock_guard lock(m_stateMutex);
    m_lastError = std::move(text);
}

void UciBridge::stopEngineProcess(int graceMs)
{
    if (m_process.isRunning())
        m_process.writeLine("quit");
    m_process.terminate(graceMs);
    m_engineReady = false;
}

std::string UciBridge::engineLabel() const
{
    return "'" + (m_config.command.empty() ? std::string() : m_config.command[0]) + "'";
}

void UciBridge::loseEngine(const std::string& what)
{
    // Ended first, so that everything it wrote to its standard error has been read.
    stopEngineProcess(0);
    std::string errors = m_process.stderrTail();
    std::string text =
        "the engine " + engineLabel() + " " + what + ": " + statusText(m_process.exitStatus());
    if (std::string line = lastLineOf(errors); !line.empty())
        text += " (" + line + ")";
    setError(text);
}

bool UciBridge::waitFor(std::string_view expected, int timeoutMs, bool handshaking)
{
    std::int64_t started = m_clock.ticks();
    std::int64_t deadline = started + timeoutMs;
    bool answered = false;
    int lines = 0;
    std::string line;
    for (;;) {
        std::int64_t now = m_clock.ticks();
        // Silence alone is no fault while the engine is busy (loading a large network on
        // a loaded machine); the full start time still bounds the wait.
        if (handshaking && !answered && now - started >= m_config.silentStartTimeoutMs &&
            !m_process.isWorking()) {
            setError(engineLabel() + " is not a UCI engine: it gave no UCI answer within " +
                seconds(m_config.silentStartTimeoutMs));
            return false;
        }
        if (now >= deadline) {
            setError("the engine " + engineLabel() + " did not answer with \"" +
                std::string(expected) + "\" within " + seconds(timeoutMs));
            return false;
        }
        UciProcess::ReadStatus status =
            m_process.readLine(line, int(std::min<std::int64_t>(deadline - now, kPollMs)));
        if (status == UciProcess::ReadStatus::Closed) {
            loseEngine(handshaking ? "stopped at start" : "stopped");
            return false;
        }
        if (status == UciProcess::ReadStatus::Timeout) {
            // A search that has to restart a slow engine first still ends when stopped.
            std::lock_guard lock(m_stateMutex);
            if (m_stopAbortsWaits && m_stopRequested) {
                m_lastError = "stopped while the engine was starting";
                return false;
            }
            continue;
        }
        if (line == expected)
            return true;
        if (!handshaking)
            continue;
        // Programs that are no engines are told apart at once: an echo of the command (a
        // filter such as cat), bytes that are no text, or endless chatter.
        const char* fault = nullptr;
        if (line == "uci")
            fault = "it repeats what it is sent";
        else if (isBinary(line))
            fault = "it writes binary data";
        else if (++lines > kMaxHandshakeLines)
            fault = "it does not finish the handshake";
        if (fault) {
            setError(engineLabel() + " is not a UCI engine: " + fault);
            return false;
        }
        answered = answered || isUciAnswer(line);
        if (line.rfind("id name ", 0) == 0)
            m_idName = cutText(line.substr(8), 63);
        else if (std::optional<long long> max = hashMaximum(line))
            m_hashMaxMb = *max;
        else if (std::optional<EngineParameter> strength = strengthParameter(line)) {
            std::lock_guard lock(m_strengthMutex);
            m_strength.push_back(std::move(*strength));
        }
    }
}

std::vector<EngineParameter> UciBridge::strengthParameters() const
{
    std::vector<EngineParameter> offered;
    {
        std::lock_guard lock(m_strengthMutex);
        offered = m_strength;
    }
    auto has = [&offered](std::string_view name) {
        return std::any_of(offered.begin(), offered.end(),
            [name](const EngineParameter& p) { return p.name == name; });
    };
    if (!has("UCI_LimitStrength"))
        std::erase_if(offered, [](const EngineParameter& p) { return p.name == "UCI_Elo"; });
    for (EngineParameter& parameter : offered)
        for (const auto& [name, value] : m_config.options) {
            if (name != parameter.name)
                continue;
            if (parameter.check) {
                parameter.value = value == "true";
            } else {
                int number = 0;
                auto [end, error] =
                    std::from_chars(value.data(), value.data() + value.size(), number);
                if (error == std::errc() && end == value.data() + value.size())
                    parameter.value = std::clamp(number, parameter.minimum, parameter.maximum);
            }
        }
    return offered;
}

bool UciBridge::handshake()
{
    {
        // A restarted engine tells its options again.
        std::lock_guard lock(m_strengthMutex);
        m_strength.clear();
    }
    if (!m_process.writeLine("uci")) {
        loseEngine("stopped at start");
        return false;
    }
    if (!waitFor("uciok", m_config.startTimeoutMs, true)) {
        // An engine that never became ready has not told its name.
        m_idName.clear();
        return false;
    }
    long long hashMb = std::clamp<long long>(m_hashSizeKb / 1024, 1, m_hashMaxMb);
    bool ok = m_process.writeLine("setoption name Hash value " + std::to_string(hashMb));
    for (const auto& [name, value] : m_config.options)
        ok = ok && m_process.writeLine("setoption name " + name + " value " + value);
    return ok && m_process.writeLine("isready") &&
        waitFor("readyok", m_config.startTimeoutMs, false);
}

bool UciBridge::startProcess()
{
    Status started = m_process.start(m_config.command);
    if (!started && started.error().kind == ErrorKind::NotFound) {
        // Most often the package recommends Stockfish and it was left out: say what to do.
        setError(started.error().message +
            ": install a UCI engine (Debian's package stockfish) or name one in the plug-in's "
            "ini file or in $" +
            UciBridgeConfig::kEngineVariable);
    } else if (!started) {
        setError(started.error().message);
    }
    return started.ok();
}

bool UciBridge::ensureEngine()
{
    if (m_engineReady && m_process.isRunning())
        return true;
    if (m_startFailed)
        return false;
    // Whatever ran before is reaped first, so no zombie stays behind.
    stopEngineProcess(0);
    if (!startProcess() || !handshake()) {
        stopEngineProcess(0);
        // A start cut short by the user's stop is no verdict on the engine.
        std::lock_guard lock(m_stateMutex);
        m_startFailed = !(m_stopAbortsWaits && m_stopRequested);
        return false;
    }
    m_engineReady = true;
    m_newGamePending = true;
    return true;
}

void UciBridge::startEngine(int hashSizeKb, const EngineCallbacks* callbacks)
{
    m_callbacks = callbacks;
    int hash = hashSizeKb > 0 ? hashSizeKb : 1024;
    bool hashChanged = hash != m_hashSizeKb;
    m_hashSizeKb = hash;
    // An engine already started to learn its name is kept; it only needs the real size.
    if (m_engineReady && m_process.isRunning() && hashChanged) {
        long long hashMb = std::clamp<long long>(m_hashSizeKb / 1024, 1, m_hashMaxMb);
        m_process.writeLine("setoption name Hash value " + std::to_string(hashMb));
        std::lock_guard lock(m_stateMutex);
        m_newGamePending = true;
    }
    ensureEngine();
}

void UciBridge::exitEngine()
{
    stopEngineProcess(kQuitGraceMs);
    m_callbacks = nullptr;
}

const char* UciBridge::engineName()
{
    if (!m_config.name.empty())
        return m_config.name.c_str();
    if (m_name.empty()) {
        if (m_idName.empty())
            ensureEngine();
        // The engine stays up for the StartEngine that usually follows; it ends with this
        // object, which goes when the library is unloaded.
        m_name = m_idName.empty() ? kFallbackName : m_idName;
    }
    return m_name.c_str();
}

void UciBridge::clearHashtables()
{
    std::lock_guard lock(m_stateMutex);
    m_newGamePending = true;
}

void UciBridge::setPosition(const char* fen)
{
    std::lock_guard lock(m_stateMutex);
    m_board.setFromFen(fen ? fen : "");
    // The threat search hands over positions with the side to move swapped; an engine given
    // a position where the king can be taken may crash, so such positions are refused.
    PositionFault fault = firstPositionFault(m_board);
    m_positionValid = fault == PositionFault::None;
    if (!m_startFailed)
        m_lastError.clear();
    if (!m_positionValid)
        m_lastError = std::string("position refused: ") + positionFaultText(fault);
    m_startFen = m_board.fen();
    m_moves.clear();
    m_level = UciLevel {};
    m_stopRequested = false;
    m_ponderOffRequested = false;
}

void UciBridge::enterMove(const char* text)
{
    std::lock_guard lock(m_stateMutex);
    if (!m_positionValid)
        return;
    std::string_view move = text ? std::string_view(text) : std::string_view();
    std::size_t cursor = 0;
    Move legal = readCoordinateToken(m_board, move, cursor);
    if (legal == NoMove) {
        m_positionValid = false;
        m_lastError = "position refused: the move '" + cutText(move, 15) + "' is not legal";
        return;
    }
    m_moves.push_back(writeCoordinates(legal));
    m_board.makeMove(legal);
}

void UciBridge::setBook(const char* path, int mode)
{
    std::lock_guard lock(m_stateMutex);
    m_bookPath = path ? path : "";
    m_bookMode = mode >= 0 && mode <= 3 ? mode : 0;
}

void UciBridge::setTimeControl(int movesPerPeriod, int secondsPerPeriod)
{
    std::lock_guard lock(m_stateMutex);
    m_level.timeControlSet = true;
    m_level.periodMoves = movesPerPeriod;
    m_level.periodSeconds = secondsPerPeriod;
}

void UciBridge::setLevel(int movesToGo, int secondsLeft, int increment, int maxDepth)
{
    std::lock_guard lock(m_stateMutex);
    m_level.movesToGo = movesToGo;
    m_level.secondsLeft = secondsLeft;
    m_level.increment = increment;
    m_level.maxDepth = maxDepth;
}

void UciBridge::report(const char* line, int score)
{
    if (m_callbacks && m_callbacks->reportLine)
        m_callbacks->reportLine(line, score);
}

bool UciBridge::tryBookMove()
{
    if (m_bookPath.empty() || m_bookMode == 0)
        return false;
    auto mode = static_cast<BookMode>(m_bookMode);
    Move move = NoMove;
    if (endsWithNoCase(m_bookPath, ".kbk")) {
        move = OpeningBook::bookMove(m_bookPath, mode, m_board);
    } else {
        PolyglotBook book;
        move = book.chooseMove(book.lookup(m_bookPath, m_board), mode);
    }
    if (move == NoMove || !m_board.isMoveLegal(move))
        return false;
    std::string text = writeCoordinates(move);
    if (m_callbacks) {
        if (m_callbacks->reportNodes)
            m_callbacks->reportNodes(0, 0);
        if (m_callbacks->reportDepth)
            m_callbacks->reportDepth(1, 1);
        if (m_callbacks->reportCurrentMove)
            m_callbacks->reportCurrentMove(text.c_str(), 1, 1);
    }
    report(text.c_str(), 0);
    return true;
}

void UciBridge::reportInfo(const UciInfo& info)
{
    if (info.multiPv && *info.multiPv > 1)
        return;
    if (!m_callbacks)
        return;
    if (info.nodes && m_callbacks->reportNodes)
        m_callbacks->reportNodes(
            static_cast<std::uint32_t>(*info.nodes), static_cast<std::uint32_t>(*info.nodes >> 32));
    if (info.depth && m_callbacks->reportDepth)
        m_callbacks->reportDepth(*info.depth, info.selectiveDepth.value_or(*info.depth));
    if (info.currentMove && m_callbacks->reportCurrentMove) {
        m_callbacks->reportCurrentMove(
            info.currentMove->c_str(), info.currentMoveNumber.value_or(0), m_legalMoveCount);
        m_reportedCurrentMove = true;
    }
    if (info.score && !info.pv.empty()) {
        std::vector<std::string> pv = legalPrefix(m_board, info.pv);
        if (pv.empty())
            return;
        m_lastPv = pv;
        m_lastScore = *info.score;
        report(join(pv).c_str(), m_lastScore);
    }
}

void UciBridge::reportBestMove(const UciBestMove& best)
{
    std::vector<std::string> line = legalPrefix(m_board, { best.move });
    if (line.empty()) {
        // "(none)" or an illegal move: nothing to play.
        m_lastPv.clear();
        report("", m_lastScore);
        return;
    }
    if (!best.ponder.empty())
        line = legalPrefix(m_board, { best.move, best.ponder });
    // Engines name the move they search only in long searches; the number of moves there
    // were to choose from matters to the coach all the same.
    if (!m_reportedCurrentMove && m_callbacks && m_callbacks->reportCurrentMove) {
        m_callbacks->reportCurrentMove(line[0].c_str(), 1, m_legalMoveCount);
        m_reportedCurrentMove = true;
    }
    // The move played must head the last line, with the expected reply second.
    if (!m_lastPv.empty() && m_lastPv[0] == line[0]) {
        if (line.size() < 2)
            return;
        if (m_lastPv.size() >= 2 && m_lastPv[1] == line[1])
            return;
    }
    m_lastPv = line;
    report(join(line).c_str(), m_lastScore);
}

bool UciBridge::sendSearch(const std::string& position, bool ponder, std::int64_t& budget)
{
    bool newGame;
    {
        std::lock_guard lock(m_stateMutex);
        newGame = m_newGamePending;
        m_newGamePending = false;
    }
    if (newGame &&
        (!m_process.writeLine("ucinewgame") || !m_process.writeLine("isready") ||
            !waitFor("readyok", m_config.startTimeoutMs, false)))
        return false;

    budget = -1;
    if (m_level.secondsLeft < UciLevel::kNoTimeLimit)
        budget = std::int64_t(std::max(m_level.secondsLeft, 0)) * 1000 + m_config.searchSlackMs;
    std::lock_guard lock(m_stateMutex);
    // A ponder hit that came while the engine was being started or the book was read is
    // kept until here: the search goes out as the real one.
    if (m_ponderOffRequested)
        ponder = false;
    std::string go = uciGoCommand(m_level, m_board.sideToMove() == kWhiteSide, ponder);
    m_searchClockStart = m_clock.ticks();
    if (!m_process.writeLine(position) || !m_process.writeLine(go))
        return false;
    m_goActive = true;
    m_ponderActive = ponder;
    m_stopSent = false;
    if (m_stopRequested) {
        m_process.writeLine("stop");
        m_stopSent = true;
        m_stopSentAt = m_clock.ticks();
    }
    return true;
}

void UciBridge::startAnalyse(int mode)
{
    m_lastPv.clear();
    m_lastScore = 0;
    m_reportedCurrentMove = false;
    std::string position;
    {
        std::lock_guard lock(m_stateMutex);
        if (!m_positionValid)
            return;
        MoveList legal;
        m_board.allLegalMoves(legal);
        m_legalMoveCount = static_cast<int>(legal.size());
        if (legal.empty())
            return;
        position = "position fen " + m_startFen;
        if (!m_moves.empty())
            position += " moves " + join(m_moves);
        if (!m_startFailed)
            m_lastError.clear();
    }
    if (tryBookMove())
        return;

    // An engine found dead (it ended between two searches, or it takes no commands) is
    // started again once, and this search goes to the new one.
    std::int64_t budget = -1;
    bool sent = false;
    for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
        m_stopAbortsWaits = true;
        bool ready = ensureEngine();
        m_stopAbortsWaits = false;
        if (!ready)
            return;
        sent = sendSearch(position, mode == VELMORAK_SEARCH_PONDER, budget);
        if (sent)
            break;
        if (lastError().empty())
            loseEngine("stopped taking commands");
        else
            stopEngineProcess(0);
        std::lock_guard lock(m_stateMutex);
        if (m_stopRequested)
            return;
    }
    if (!sent)
        return;
    setError({});

    bool answered = false;
    bool engineLost = false;
    std::string line;
    std::int64_t lastHeard = m_clock.ticks();
    m_silenceStop = false;
    while (!answered) {
        UciProcess::ReadStatus status = m_process.readLine(line, kPollMs);
        if (status == UciProcess::ReadStatus::Line)
            lastHeard = m_clock.ticks();
        if (status == UciProcess::ReadStatus::Closed) {
            loseEngine("stopped during the search");
            engineLost = true;
            break;
        }
        if (status == UciProcess::ReadStatus::Timeout) {
            std::lock_guard lock(m_stateMutex);
            std::int64_t now = m_clock.ticks();
            if (m_stopSent && now - m_stopSentAt > m_config.stopGraceMs) {
                m_lastError = m_silenceStop
                    ? "the engine " + engineLabel() + " went silent during the search and was ended"
                    : "the engine " + engineLabel() + " did not stop within " +
                        seconds(m_config.stopGraceMs) + " and was ended";
                engineLost = true;
                break;
            }
            if (m_stopSent || m_ponderActive)
                continue;
            bool overTime = budget >= 0 && now - m_searchClockStart > budget;
            // Only after the silence: reading /proc on every poll would cost the search.
            m_silenceStop =
                !overTime && now - lastHeard > m_config.searchSilenceMs && !m_process.isWorking();
            if (overTime || m_silenceStop) {
                m_process.writeLine("stop");
                m_stopSent = true;
                m_stopSentAt = now;
            }
            continue;
        }
        if (std::optional<UciInfo> info = parseUciInfo(line)) {
            reportInfo(*info);
            continue;
        }
        if (std::optional<UciBestMove> best = parseUciBestMove(line)) {
            bool cancelledPonder;
            {
                std::lock_guard lock(m_stateMutex);
                cancelledPonder = m_ponderActive;
                m_goActive = false;
                m_ponderActive = false;
            }
            // A ponder search that was stopped, not hit, answers for a position nobody
            // plays: its best move is dropped, the lines it reported stay.
            if (!cancelledPonder)
                reportBestMove(*best);
            answered = true;
        }
    }
    {
        std::lock_guard lock(m_stateMutex);
        m_goActive = false;
        m_ponderActive = false;
    }
    if (engineLost) {
        // One "go" expects one "bestmove": an engine that died or will not answer is ended
        // and started afresh at the next search, so a late answer can never be mistaken for
        // the next search's.
        stopEngineProcess(0);
    }
}

void UciBridge::stopAnalyse()
{
    std::lock_guard lock(m_stateMutex);
    m_stopRequested = true;
    if (m_goActive && !m_stopSent) {
        m_process.writeLine("stop");
        m_stopSent = true;
        m_stopSentAt = m_clock.ticks();
    }
}

void UciBridge::setPonderOff()
{
    std::lock_guard lock(m_stateMutex);
    m_ponderOffRequested = true;
    if (m_goActive && m_ponderActive && !m_stopSent) {
        m_process.writeLine("ponderhit");
        m_ponderActive = false;
        // The thinking time of the real search counts from here.
        m_searchClockStart = m_clock.ticks();
    }
}

} // namespace velmorak
