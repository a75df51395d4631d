#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rules/GameEndCode.h"
#include "rules/Move.h"
#include "rules/PieceCode.h"

namespace velmorak {

// Which sounds and spoken words a move gets. The words are the names of the WAV files of
// the announce folder, without ".wav": piece names ("Knight"), file words ("Efrom"), rank
// words ("4from", "4to"), "Takes", "EnPassant", "0-0", "0-0-0", "Check", "Checkmate",
// "Stalemate", "Drawoffer".

// Null moves and the sentinel moves that stand for no move at all.
bool isNullMove(Move move);

// 1 .. 8 for "move1" .. "move8"; 0 for a null move, which gets the system default sound.
// Quiet moves of a king, rook or queen give 2, of a pawn, knight or bishop 1; captures of a
// pawn, knight or bishop, and a rook taking a rook, give 3, other captures 4; a move to the
// centre (c3 to f6) adds 4.
int moveSoundNumber(Move move);
// "move1" .. "move8", or "" for the system default sound.
std::string moveSoundName(Move move);

// The piece that makes the move: a promoting pawn is a pawn.
PieceCode movingPiece(Move move);

// The short form of a move, guided by its SAN: a pawn move names its to-square (and, when
// it captures, its file and "Takes"), a piece move names the piece, the origin the SAN
// gives, "Takes" for a capture and the to-square. `mover` is the piece on the from-square
// before the move. Empty for a null move.
std::vector<std::string> briefMoveWords(Move move, PieceCode mover, std::string_view san);
// The full form: piece, from-square, "Takes" and the captured piece, to-square, promotion
// piece, "EnPassant". Empty for a null move.
std::vector<std::string> fullMoveWords(Move move);
// Castling in both forms: "0-0" or "0-0-0".
std::string castlingWord(Move move);
// The word for the state after a move: "Check" (game running), "Checkmate", "Stalemate",
// "Drawoffer" (repetition, fifty moves, insufficient material); "" when none applies.
std::string_view stateWord(GameEndCode end, bool inCheck);

std::string_view pieceWord(PieceCode piece);
std::string fileWord(Square square);
std::string rankWord(Square square, bool isFrom);

} // namespace velmorak
