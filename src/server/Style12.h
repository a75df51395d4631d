#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "server/ServerDialect.h"

namespace velmorak {

// How the receiving user stands to the game a board line reports.
enum class Style12Relation : int {
    IsolatedPosition = -3, // a position sent on its own (after "refresh" of a finished game)
    ObservingExamined = -2, // observing a game someone examines
    OpponentToMove = -1, // playing, the opponent is to move
    Observing = 0, // observing a played game
    OwnMove = 1, // playing, the user is to move
    Examining = 2, // examining the game
};

// A board line ("<12> ...") read into its fields, numbered from 0 after "<12>". Every
// number is range-checked and held in 64 bits, so arithmetic on them cannot overflow.
// Remaining times are in the unit the server sends (seconds, or milliseconds when the
// client asked for them).
struct Style12 {
    std::array<std::string, 8> ranks; // fields 0-7: rank 8 first, files a to h, "-" empty
    std::uint8_t sideToMove = 0; // field 8: kWhiteSide or kBlackSide
    int doublePawnFile = -1; // field 9: file of a pawn that just moved two squares, or -1
    bool whiteShort = false; // fields 10-13: castling still allowed
    bool whiteLong = false;
    bool blackShort = false;
    bool blackLong = false;
    std::int64_t irreversibleCount = 0; // field 14: moves since a capture or pawn move
    std::int64_t gameNumber = 0; // field 15
    std::string whiteName; // field 16
    std::string blackName; // field 17
    Style12Relation relation = Style12Relation::Observing; // field 18
    std::int64_t initialTime = 0; // field 19: minutes
    std::int64_t increment = 0; // field 20: seconds
    std::int64_t whiteStrength = 0; // field 21: material
    std::int64_t blackStrength = 0; // field 22
    std::int64_t whiteRemaining = 0; // field 23: negative once a flag has fallen
    std::int64_t blackRemaining = 0; // field 24
    std::int64_t moveNumber = 1; // field 25: the move about to be made
    std::string longMove; // field 26: "P/e2-e4", "o-o", or the no-move word
    std::string moveTime; // field 27: "(0:03)", "(1:02:03)" or with milliseconds
    std::string san; // field 28: the last move in SAN, or the no-move word
};

// Reads a board line, "<12> " included. A line with fewer than 29 fields, a field that is
// not what its place requires (a rank of other than eight piece letters, a number that does
// not read whole or lies outside its range) fails with InvalidInput naming the field.
// Fields past 28 are not read, however many there are.
Result<Style12> parseStyle12(std::string_view line);

// The position of the line as FEN: placement, side, castling rights, the en-passant square
// of a double pawn step, the counters.
std::string style12Fen(const Style12& line);

// The index of the last half-move played (0 for White's first move, -1 before any move),
// from the move number and the side to move.
std::int64_t lastHalfMoveIndex(const Style12& line);

// Whether the line reports a last move (its SAN field is not the dialect's `sNoMove`).
bool hasLastMove(const Style12& line, const ServerDialect& dialect);

// The last move in coordinates ("e2e4", "e7e8q", "e1g1" for White's short castling), from
// the long-notation field; "" when that field holds no move this program can read.
std::string lastMoveCoordinates(const Style12& line);

// Whether the relation belongs to a game the user plays (1 or -1) or observes (0 or -2).
bool isPlayingRelation(Style12Relation relation);
bool isObservingRelation(Style12Relation relation);

// The seconds of a move-time text (`parseMoveTime`): "(h:mm:ss)" by the dialect's
// `sTimeHMS`, "(m:ss)" by `sTimeMS`, a fraction after the seconds dropped, otherwise the
// text's leading number (0 when none). Saturates rather than overflows.
std::int64_t parseMoveTime(std::string_view text, const ServerDialect& dialect);

} // namespace velmorak
