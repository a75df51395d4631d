#include "present/TypedInput.h"

#include <gtest/gtest.h>

#include "present/CommandTable.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"

using namespace velmorak;

namespace {

const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Knights on b1 and f1 both reach d2; a pawn on e7 promotes.
const char* kTwoKnights = "k7/4P3/8/8/8/8/8/1N2KN2 w - - 0 1";

TEST(TypedInput, ReadsCommandsAndMovesOrSaysWhyNot)
{
    struct Row {
        const char* name;
        const char* fen;
        const char* line;
        TypedCommand command;
        // The move's coordinates, the level text, or a piece of the error message.
        const char* expected;
    } rows[] = {
        { "blank line", kStart, " \t \r", TypedCommand::Nothing, "" },
        { "command with CR and blanks", kStart, "  back \r", TypedCommand::Back, "" },
        { "command in capitals", kStart, "MoveNow", TypedCommand::MoveNow, "" },
        { "level keeps its text", kStart, "level  blitz:5+3 ", TypedCommand::Level, "blitz:5+3" },
        { "level without text", kStart, "level", TypedCommand::Level, "needs a level" },
        { "stray argument", kStart, "quit now", TypedCommand::Quit, "'quit' takes no argument" },
        { "coach with its switch", kStart, "coach ON", TypedCommand::Coach, "on" },
        { "coach without one", kStart, "coach maybe", TypedCommand::Coach, "takes on or off" },
        { "train keeps its path", kStart, "train  /tmp/tactics.pgn ", TypedCommand::Train,
            "/tmp/tactics.pgn" },
        { "SAN pawn push", kStart, "e4", TypedCommand::Move, "e2e4" },
        { "SAN with check marks", kStart, "Nf3+!", TypedCommand::Move, "g1f3" },
        { "coordinates", kStart, "g1f3", TypedCommand::Move, "g1f3" },
        { "coordinates, illegal", kStart, "e2e5", TypedCommand::Move, "'e2e5' is no legal move" },
        { "off the board", kStart, "Ke9", TypedCommand::Move, "'Ke9' is no legal move here" },
        { "castling not allowed", kStart, "O-O", TypedCommand::Move, "'O-O' is no legal move" },
        { "unknown word", kStart, "hello", TypedCommand::Move, "unknown command 'hello'" },
        { "ambiguous SAN", kTwoKnights, "Nd2", TypedCommand::Move,
            "'Nd2' is ambiguous here: it could be Nbd2 or Nfd2" },
        { "disambiguated SAN", kTwoKnights, "Nfd2", TypedCommand::Move, "f1d2" },
        { "promotion in SAN", kTwoKnights, "e8=Q", TypedCommand::Move, "e7e8q" },
        { "promotion in coordinates", kTwoKnights, "e7e8n", TypedCommand::Move, "e7e8n" },
        { "a menu's word", kStart, "Levels", TypedCommand::Menu, "" },
        { "a menu's word takes nothing", kStart, "save now", TypedCommand::Menu,
            "'save' takes no argument" },
        { "control bytes quoted safely", kStart, "\x1b[2Jx", TypedCommand::Move, "'?[2Jx'" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Board board(row.fen);
        Result<TypedLine> typed = readTypedLine(board, row.line);
        EXPECT_EQ(board.fen(), Board(row.fen).fen());
        std::string expected = row.expected;
        bool wantsError = expected.find(' ') != std::string::npos || expected.find('\'') == 0;
        if (wantsError) {
            ASSERT_FALSE(typed.ok());
            EXPECT_NE(typed.error().message.find(expected), std::string::npos)
                << typed.error().message;
            continue;
        }
        ASSERT_TRUE(typed.ok()) << typed.error().message;
        EXPECT_EQ(typed->command, row.command);
        if (row.command == TypedCommand::Move)
            EXPECT_EQ(writeCoordinates(typed->move), expected);
        else if (row.command == TypedCommand::Menu)
            EXPECT_EQ(typed->menuCommand, cmd::kLevels);
        else
            EXPECT_EQ(typed->argument, expected);
    }
}

TEST(TypedInput, LongLinesAreCutAndQuotedShort)
{
    Board board;
    std::string line = "e4" + std::string(kMaxTypedLineLength, ' ') + "junk";
    Result<TypedLine> typed = readTypedLine(board, line);
    ASSERT_TRUE(typed.ok());
    EXPECT_EQ(typed->command, TypedCommand::Move);

    Result<TypedLine> garbage = readTypedLine(board, std::string(5000, 'z'));
    ASSERT_FALSE(garbage.ok());
    EXPECT_LT(garbage.error().message.size(), 200u);
}

} // namespace
