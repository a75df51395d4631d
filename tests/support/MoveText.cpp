#include "support/MoveText.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"

namespace velmorak::test {

Move moveIn(const Board& position, std::string_view text)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, text, cursor);
}

Board positionAfter(std::string_view moves)
{
    Board board;
    std::istringstream words { std::string(moves) };
    play(board, { std::istream_iterator<std::string>(words), {} });
    return board;
}

void play(Board& board, const std::vector<std::string>& moves)
{
    for (const std::string& text : moves) {
        Move m = moveIn(board, text);
        if (m == NoMove) {
            ADD_FAILURE() << text << " is not legal in " << board.fen();
            return;
        }
        board.makeMove(m);
    }
}

namespace {

std::vector<std::string> coordinates(const Move* begin, const Move* end)
{
    std::vector<std::string> texts;
    for (const Move* m = begin; m != end; ++m)
        texts.push_back(writeCoordinates(*m));
    return texts;
}

} // namespace

std::vector<std::string> legalCoordinates(Board& board)
{
    MoveList moves;
    board.allLegalMoves(moves);
    return coordinates(moves.begin(), moves.end());
}

std::vector<std::string> squareCoordinates(const Board& board, const char* square)
{
    SquareMoveList moves;
    board.pseudoLegalMoves(squareFromText(square), moves);
    return coordinates(moves.begin(), moves.end());
}

void playReversiblePlies(Board& board, int count, const std::vector<Square>& frozen)
{
    std::set<std::string> seen;
    // The position without its counters.
    auto key = [&]() {
        std::string fen = board.fen();
        return fen.substr(0, fen.rfind(' ', fen.rfind(' ') - 1));
    };
    for (int ply = 0; ply < count; ++ply) {
        MoveList moves;
        board.allLegalMoves(moves);
        Move fallback = NoMove;
        Move chosen = NoMove;
        for (Move m : moves) {
            if (!m.isQuiet() || isPawn(m.piece) ||
                std::find(frozen.begin(), frozen.end(), m.from) != frozen.end())
                continue;
            board.makeMove(m);
            GameEndCode code = board.gameEnd();
            bool fresh = !seen.count(key());
            board.unmakeMove();
            if (code != GameEndCode::None && code != GameEndCode::FiftyMoveRule)
                continue;
            if (fresh) {
                chosen = m;
                break;
            }
            if (fallback == NoMove)
                fallback = m;
        }
        if (chosen == NoMove)
            chosen = fallback;
        if (chosen == NoMove) {
            ADD_FAILURE() << "no reversible ply in " << board.fen();
            return;
        }
        board.makeMove(chosen);
        seen.insert(key());
    }
}

} // namespace velmorak::test
