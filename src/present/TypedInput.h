#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "rules/Move.h"

namespace velmorak {

class Board;

// What one typed line asks for.
enum class TypedCommand {
    Nothing, // an empty or blank line
    Move, // a legal move of the side to move
    Back,
    Forward,
    Start,
    End,
    New,
    MoveNow,
    Analyse,
    Replay,
    Level, // with the level text as typed, to be read by the level parser
    Board,
    Pgn,
    Quit,
    Hint,
    Threat,
    ShowStatus,
    Coach, // with "on" or "off"
    Train, // with a PGN file's path, or nothing for the last (or the default) training
    Menu, // a command of the menus named by its word ("levels", "save"): TypedLine::menuCommand
};

struct TypedLine {
    TypedCommand command = TypedCommand::Nothing;
    Move move = NoMove;
    std::string argument;
    // The command id of a Menu word.
    int menuCommand = 0;
};

// Longer lines are cut: nothing typed by hand comes close, and a stream of garbage must not
// grow without bound.
inline constexpr std::size_t kMaxTypedLineLength = 200;

// Reads one typed line against the position on `board`: a command word (any case), a move
// in SAN (read tolerantly: "e4", "Nf3", "exd5", "O-O", "e8=Q", long forms) or in
// coordinates ("e2e4", "e7e8q"). Blanks and a trailing carriage return are ignored.
// Fails with InvalidInput and a message for the user saying why: an unknown command, a
// command with a stray argument, a move that is not legal here, a SAN move that fits more
// than one legal move. The board is left as it was.
Result<TypedLine> readTypedLine(Board& board, std::string_view line);

// The word that types `command`; empty for Nothing and Move.
std::string_view typedCommandWord(TypedCommand command);

// The command words in the order of TypedCommand, from Back on, for help texts (the words
// of the menus' commands are left out: the command line has no dialogs).
std::string typedCommandWords();

} // namespace velmorak
