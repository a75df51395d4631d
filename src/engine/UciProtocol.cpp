#include "engine/UciProtocol.h"

#include <charconv>

#include "engine/EnginePlugin.h"

namespace velmorak {

namespace {

class Tokens {
public:
    explicit Tokens(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<std::string_view> next()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (m_pos >= m_text.size())
            return std::nullopt;
        std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isBlank(m_text[m_pos]))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

template <typename Int> std::optional<Int> toInteger(std::optional<std::string_view> token)
{
    if (!token)
        return std::nullopt;
    Int value {};
    auto [end, error] = std::from_chars(token->data(), token->data() + token->size(), value);
    if (error != std::errc() || end != token->data() + token->size())
        return std::nullopt;
    return value;
}

bool isInfoKeyword(std::string_view word)
{
    static constexpr std::string_view kKeywords[] = { "depth", "seldepth", "time", "nodes", "pv",
        "multipv", "score", "currmove", "currmovenumber", "hashfull", "nps", "tbhits", "sbhits",
        "cpuload", "string", "refutation", "currline", "wdl" };
    for (std::string_view keyword : kKeywords)
        if (word == keyword)
            return true;
    return false;
}

// A move in coordinates: four or five characters, squares a1..h8.
bool looksLikeMove(std::string_view word)
{
    if (word.size() != 4 && word.size() != 5)
        return false;
    auto square = [&](std::size_t i) {
        return word[i] >= 'a' && word[i] <= 'h' && word[i + 1] >= '1' && word[i + 1] <= '8';
    };
    return square(0) && square(2);
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

int uciMateScore(int movesToMate)
{
    // Mate in n moves is 2n - 1 plies away; being mated in n moves, 2n plies.
    long long plies = movesToMate > 0 ? 2LL * movesToMate - 1 : -2LL * movesToMate;
    if (plies > VELMORAK_MATE_SCORE - VELMORAK_MATE_THRESHOLD - 1)
        plies = VELMORAK_MATE_SCORE - VELMORAK_MATE_THRESHOLD - 1;
    int score = VELMORAK_MATE_SCORE - int(plies);
    return movesToMate > 0 ? score : -score;
}

int uciCentipawnScore(long long centipawns)
{
    if (centipawns > VELMORAK_MATE_THRESHOLD)
        return VELMORAK_MATE_THRESHOLD;
    if (centipawns < -VELMORAK_MATE_THRESHOLD)
        return -VELMORAK_MATE_THRESHOLD;
    return int(centipawns);
}

std::optional<UciInfo> parseUciInfo(std::string_view line)
{
    Tokens tokens(line);
    if (tokens.next() != std::string_view("info"))
        return std::nullopt;
    UciInfo info;
    std::optional<std::string_view> word = tokens.next();
    while (word) {
        if (*word == "depth") {
            info.depth = toInteger<int>(tokens.next());
        } else if (*word == "seldepth") {
            info.selectiveDepth = toInteger<int>(tokens.next());
        } else if (*word == "nodes") {
            info.nodes = toInteger<std::uint64_t>(tokens.next());
        } else if (*word == "multipv") {
            info.multiPv = toInteger<int>(tokens.next());
        } else if (*word == "currmove") {
            if (auto move = tokens.next())
                info.currentMove = std::string(*move);
        } else if (*word == "currmovenumber") {
            info.currentMoveNumber = toInteger<int>(tokens.next());
        } else if (*word == "score") {
            // "score cp 25", "score mate -3", each possibly followed by a bound word.
            std::optional<std::string_view> kind = tokens.next();
            std::optional<long long> value = toInteger<long long>(tokens.next());
            if (kind && value) {
                if (*kind == "cp")
                    info.score = uciCentipawnScore(*value);
                else if (*kind == "mate" && *value >= -100000 && *value <= 100000)
                    info.score = *value == 0 ? -VELMORAK_MATE_SCORE : uciMateScore(int(*value));
            }
        } else if (*word == "pv") {
            info.pv.clear();
            while ((word = tokens.next()) && looksLikeMove(*word))
                info.pv.emplace_back(*word);
            continue;
        } else if (*word == "string") {
            break;
        }
        word = tokens.next();
        // Values of keywords this reader does not know are skipped with them.
        while (word && !isInfoKeyword(*word) && *word != "lowerbound" && *word != "upperbound" &&
            !looksLikeMove(*word))
            word = tokens.next();
    }
    return info;
}

std::optional<UciBestMove> parseUciBestMove(std::string_view line)
{
    Tokens tokens(line);
    if (tokens.next() != std::string_view("bestmove"))
        return std::nullopt;
    UciBestMove best;
    if (auto move = tokens.next(); move && looksLikeMove(*move))
        best.move = std::string(*move);
    if (tokens.next() == std::string_view("ponder"))
        if (auto ponder = tokens.next(); ponder && looksLikeMove(*ponder))
            best.ponder = std::string(*ponder);
    return best;
}

std::string uciGoCommand(const UciLevel& level, bool whiteToMove, bool ponder)
{
    std::string go = ponder ? "go ponder" : "go";
    bool depthLimited = level.maxDepth > 0 && level.maxDepth < UciLevel::kNoDepthLimit;
    auto ms = [](long long seconds) { return std::to_string(seconds * 1000); };
    if (level.secondsLeft >= UciLevel::kNoTimeLimit) {
        go += depthLimited ? " depth " + std::to_string(level.maxDepth) : " infinite";
        return go;
    }
    long long seconds = level.secondsLeft > 0 ? level.secondsLeft : 0;
    bool perMove = level.movesToGo == 1 && (!level.timeControlSet || level.periodMoves == 1);
    if (perMove) {
        // A fixed time per move; at least a moment, so that a move comes back.
        go += " movetime " + (seconds > 0 ? ms(seconds) : std::string("100"));
    } else {
        go += whiteToMove ? " wtime " : " btime ";
        go += seconds > 0 ? ms(seconds) : std::string("100");
        if (level.increment > 0)
            go += (whiteToMove ? " winc " : " binc ") + ms(level.increment);
        if (level.movesToGo > 0)
            go += " movestogo " + std::to_string(level.movesToGo);
    }
    if (depthLimited)
        go += " depth " + std::to_string(level.maxDepth);
    return go;
}

std::vector<std::pair<std::string, std::string>> parseIniText(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> values;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[')
            continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        values.emplace_back(
            std::string(trim(line.substr(0, equals))), std::string(trim(line.substr(equals + 1))));
    }
    return values;
}

} // namespace velmorak
