#include "server/Style12.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>

#include "rules/PieceCode.h"
#include "server/ServerPattern.h"

namespace velmorak {
namespace {

constexpr std::size_t kStyle12Fields = 29;
constexpr std::string_view kStyle12Prefix = "<12> ";
constexpr std::string_view kPieceLetters = "-PNBRQKpnbrqk";

// Limits a line from the server cannot sensibly exceed; anything beyond is a damaged line.
constexpr std::int64_t kMaxGameNumber = 2147483647;
constexpr std::int64_t kMaxCount = 1000000; // move numbers, the irreversible-move count
constexpr std::int64_t kMaxLevel = 100000; // minutes of initial time, seconds of increment
constexpr std::int64_t kMaxStrength = 10000;
constexpr std::int64_t kMaxClock = 1000000000000; // about 31 years in milliseconds
// One part of a move-time text; keeps hours × 3600 far inside 64 bits.
constexpr std::int64_t kMaxTimePart = 1000000000;

Error fieldError(std::size_t field, std::string_view what, std::string_view text)
{
    return Error { ErrorKind::InvalidInput,
        "style-12 field " + std::to_string(field) + " (" + std::string(what) +
            ") is not valid: \"" + std::string(text) + "\"" };
}

class FieldReader {
public:
    explicit FieldReader(std::array<std::string_view, kStyle12Fields>& fields)
        : m_fields(fields)
    {
    }

    // Reads field `index` as a whole number in [low, high]; on failure records the first
    // error and answers `low`.
    std::int64_t number(
        std::size_t index, std::string_view what, std::int64_t low, std::int64_t high)
    {
        std::string_view text = m_fields[index];
        std::int64_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < low ||
            value > high) {
            fail(index, what);
            return low;
        }
        return value;
    }

    void fail(std::size_t index, std::string_view what)
    {
        if (!m_error)
            m_error = fieldError(index, what, m_fields[index]);
    }

    std::string_view text(std::size_t index) const { return m_fields[index]; }
    bool failed() const { return m_error.has_value(); }
    Error error() const { return *m_error; }

private:
    std::array<std::string_view, kStyle12Fields>& m_fields;
    std::optional<Error> m_error;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::int64_t leadingNumber(std::string_view text)
{
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        return text.starts_with('-') ? 0 : kMaxTimePart;
    if (error != std::errc())
        return 0;
    return std::clamp<std::int64_t>(value, 0, kMaxTimePart);
}

bool isSquareText(std::string_view text)
{
    return text.size() == 2 && text[0] >= 'a' && text[0] <= 'h' && text[1] >= '1' && text[1] <= '8';
}

} // namespace

Result<Style12> parseStyle12(std::string_view line)
{
    if (!line.starts_with(kStyle12Prefix))
        return Error { ErrorKind::InvalidInput, "not a style-12 line" };
    std::array<std::string_view, kStyle12Fields> fields;
    std::size_t count = 0;
    std::size_t at = kStyle12Prefix.size();
    while (count < kStyle12Fields) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        if (at == line.size())
            break;
        std::size_t end = at;
        while (end < line.size() && !isBlank(line[end]))
            ++end;
        fields[count++] = line.substr(at, end - at);
        at = end;
    }
    if (count < kStyle12Fields)
        return Error { ErrorKind::InvalidInput,
            "style-12 line with " + std::to_string(count) + " fields, fewer than 29" };

    Style12 record;
    FieldReader read(fields);
    for (std::size_t rank = 0; rank < 8; ++rank) {
        std::string_view text = read.text(rank);
        if (text.size() != 8 || text.find_first_not_of(kPieceLetters) != std::string_view::npos)
            read.fail(rank, "rank");
        record.ranks[rank] = text;
    }
    if (read.text(8) == "W")
        record.sideToMove = kWhiteSide;
    else if (read.text(8) == "B")
        record.sideToMove = kBlackSide;
    else
        read.fail(8, "side to move");
    record.doublePawnFile = int(read.number(9, "double pawn push", -1, 7));
    record.whiteShort = read.number(10, "castling", 0, 1) == 1;
    record.whiteLong = read.number(11, "castling", 0, 1) == 1;
    record.blackShort = read.number(12, "castling", 0, 1) == 1;
    record.blackLong = read.number(13, "castling", 0, 1) == 1;
    record.irreversibleCount = read.number(14, "irreversible moves", 0, kMaxCount);
    record.gameNumber = read.number(15, "game number", 0, kMaxGameNumber);
    record.whiteName = read.text(16);
    record.blackName = read.text(17);
    record.relation = Style12Relation(read.number(18, "relation", -3, 2));
    record.initialTime = read.number(19, "initial time", 0, kMaxLevel);
    record.increment = read.number(20, "increment", 0, kMaxLevel);
    record.whiteStrength = read.number(21, "material", 0, kMaxStrength);
    record.blackStrength = read.number(22, "material", 0, kMaxStrength);
    record.whiteRemaining = read.number(23, "remaining time", -kMaxClock, kMaxClock);
    record.blackRemaining = read.number(24, "remaining time", -kMaxClock, kMaxClock);
    record.moveNumber = read.number(25, "move number", 1, kMaxCount);
    record.longMove = read.text(26);
    record.moveTime = read.text(27);
    record.san = read.text(28);
    if (read.failed())
        return read.error();
    return record;
}

std::string style12Fen(const Style12& line)
{
    std::string fen;
    for (std::size_t rank = 0; rank < 8; ++rank) {
        int empty = 0;
        for (char square : line.ranks[rank]) {
            if (square == '-') {
                ++empty;
                continue;
            }
            if (empty > 0)
                fen += char('0' + empty);
            empty = 0;
            fen += square;
        }
        if (empty > 0)
            fen += char('0' + empty);
        if (rank < 7)
            fen += '/';
    }
    fen += line.sideToMove == kWhiteSide ? " w " : " b ";
    std::string castling;
    if (line.whiteShort)
        castling += 'K';
    if (line.whiteLong)
        castling += 'Q';
    if (line.blackShort)
        castling += 'k';
    if (line.blackLong)
        castling += 'q';
    fen += castling.empty() ? "-" : castling;
    fen += ' ';
    if (line.doublePawnFile >= 0 && line.doublePawnFile < 8) {
        fen += char('a' + line.doublePawnFile);
        fen += line.sideToMove == kWhiteSide ? '6' : '3';
    } else {
        fen += '-';
    }
    fen += ' ' + std::to_string(line.irreversibleCount) + ' ' + std::to_string(line.moveNumber);
    return fen;
}

std::int64_t lastHalfMoveIndex(const Style12& line)
{
    return 2 * (line.moveNumber - 1) - (line.sideToMove == kWhiteSide ? 1 : 0);
}

bool hasLastMove(const Style12& line, const ServerDialect& dialect)
{
    return line.san != dialect.sNoMove;
}

std::string lastMoveCoordinates(const Style12& line)
{
    // The side that made the last move is the one not to move now.
    char homeRank = line.sideToMove == kWhiteSide ? '8' : '1';
    if (line.longMove == "o-o")
        return std::string("e") + homeRank + "g" + homeRank;
    if (line.longMove == "o-o-o")
        return std::string("e") + homeRank + "c" + homeRank;
    // "P/e7-e8=Q": piece letter, slash, from, dash, to, and an optional promotion.
    std::string_view text = line.longMove;
    if (text.size() < 7 || text[1] != '/' || text[4] != '-')
        return {};
    std::string_view from = text.substr(2, 2);
    std::string_view to = text.substr(5, 2);
    if (!isSquareText(from) || !isSquareText(to))
        return {};
    std::string coordinates = std::string(from) + std::string(to);
    std::string_view rest = text.substr(7);
    if (rest.empty())
        return coordinates;
    if (rest.size() != 2 || rest[0] != '=' ||
        std::string_view("QRBNqrbn").find(rest[1]) == std::string_view::npos)
        return {};
    coordinates += char(rest[1] | 0x20);
    return coordinates;
}

bool isPlayingRelation(Style12Relation relation)
{
    return relation == Style12Relation::OwnMove || relation == Style12Relation::OpponentToMove;
}

bool isObservingRelation(Style12Relation relation)
{
    return relation == Style12Relation::Observing || relation == Style12Relation::ObservingExamined;
}

std::int64_t parseMoveTime(std::string_view text, const ServerDialect& dialect)
{
    // Servers that send milliseconds write "(0:03.123)"; the templates know whole seconds
    // only, so the fraction is cut before matching.
    std::string whole(text);
    std::size_t dot = whole.find('.');
    if (dot != std::string::npos) {
        std::size_t end = dot + 1;
        while (end < whole.size() && whole[end] >= '0' && whole[end] <= '9')
            ++end;
        if (end > dot + 1 && end < whole.size() && whole[end] == ')')
            whole.erase(dot, end - dot);
    }
    PatternCaptures parts;
    if (matchPattern(whole, dialect.sTimeHMS, parts))
        return leadingNumber(parts[0]) * 3600 + leadingNumber(parts[1]) * 60 +
            leadingNumber(parts[2]);
    if (matchPattern(whole, dialect.sTimeMS, parts))
        return leadingNumber(parts[0]) * 60 + leadingNumber(parts[1]);
    return leadingNumber(text);
}

} // namespace velmorak
