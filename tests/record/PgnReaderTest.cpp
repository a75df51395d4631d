#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "record/CPgnParser.h"
#include "support/EscapedText.h"
#include "support/PgnScan.h"
#include "support/TableFile.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

using test::readPgn;
using test::treeText;
using test::unescaped;

const std::string kCases = VELMORAK_SOURCE_DIR "/tests/record/pgn-cases.txt";

// The rows of one kind of case in the case file, at least `least` of them.
std::vector<TableRow> cases(const char* kind, std::size_t least)
{
    std::vector<TableRow> rows = readTableFile(kCases, kind);
    EXPECT_GE(rows.size(), least) << kind;
    for (const TableRow& row : rows)
        EXPECT_EQ(row.size(), 4u) << row.at(1);
    return rows;
}

TEST(PgnReader, MovetextShapesGiveTheExpectedTree)
{
    for (const TableRow& row : cases("movetext", 28)) {
        auto game = readPgn(unescaped(row[2]));
        ASSERT_TRUE(game) << row[1];
        EXPECT_EQ(treeText(*game), unescaped(" " + row[3])) << row[1];
    }
}

// Moves and results as other programs write them are written in the standard forms; the
// Result tag stands, and a result found only in the movetext takes its place.
TEST(PgnReader, SpellingsAndResultsAsWritten)
{
    for (const TableRow& row : cases("written", 11)) {
        auto game = readPgn(unescaped(row[2]));
        ASSERT_TRUE(game) << row[1];
        game->setFormat(kFilePgnFormat);
        const std::string text = game->toString();
        const std::size_t body = text.find("\r\n\r\n") + 4;
        EXPECT_EQ(
            game->result() + "|" + text.substr(body, text.size() - body - 4), unescaped(row[3]))
            << row[1];
    }
}

TEST(PgnLexer, TokensByMode)
{
    struct Row {
        const char* name;
        const char* input;
        PgnLexMode mode;
        PgnTokenKind kind;
        const char* text;
        const char* value;
        int number;
    } rows[] = {
        { "string with escapes", " \"a\\\"b\\\\\"", kNormalMode, PgnTokenKind::String, "", "a\"b\\",
            0 },
        { "digits are an INT normally", "\t12.", kNormalMode, PgnTokenKind::Int, "\t12", "", 12 },
        { "digits start a symbol in symbol mode", " 12.", PgnTokenKind::Symbol,
            PgnTokenKind::Symbol, " 12", "12", 0 },
        { "result symbol", "1/2-1/2 ", PgnTokenKind::Symbol, PgnTokenKind::Symbol, "1/2-1/2",
            "1/2-1/2", 0 },
        { "NAG", " $14 ", kNormalMode, PgnTokenKind::Nag, " $14", "", 14 },
        { "bare NAG", "$x", kNormalMode, PgnTokenKind::Nag, "$", "", 0 },
        { "comment body", "  two\nlines }", PgnTokenKind::Comment, PgnTokenKind::Comment,
            "  two\nlines ", "two\nlines ", 0 },
        { "empty comment", " }", PgnTokenKind::Comment, PgnTokenKind::RightBrace, " }", "", 0 },
        { "skip to the bracket", "x \"y\" ]", PgnTokenKind::RightBracket,
            PgnTokenKind::RightBracket, "x \"y\" ]", "", 0 },
        { "escape line", "\n%skip\n(", kNormalMode, PgnTokenKind::LeftParenthesis, "\n\n(", "", 0 },
        { "skip to the bracket ends at the line end", "x;y\n]", PgnTokenKind::RightBracket,
            PgnTokenKind::RightBracket, "x;y", "", 0 },
        { "string ends at the line end", "\"ab\ncd\"", kNormalMode, PgnTokenKind::String, "", "ab",
            0 },
        { "dash in a symbol", "1\u20130 ", PgnTokenKind::Symbol, PgnTokenKind::Symbol, "1\u20130",
            "1-0", 0 },
        // Unknown: no token at all.
        { "an unterminated string ends the input", "\"open", kNormalMode, PgnTokenKind::Unknown, "",
            "", 0 },
    };
    for (const Row& row : rows) {
        PgnInput input;
        input.openText(row.input);
        CPgnParser lexer;
        lexer.beginLexing(input, 0);
        CPgnToken token;
        ASSERT_EQ(lexer.nextToken(row.mode, token), row.kind != PgnTokenKind::Unknown) << row.name;
        if (row.kind == PgnTokenKind::Unknown)
            continue;
        EXPECT_EQ(token.kind, row.kind) << row.name;
        if (row.kind != PgnTokenKind::String) {
            EXPECT_EQ(token.text, row.text) << row.name;
        }
        EXPECT_EQ(token.value, row.value) << row.name;
        EXPECT_EQ(token.number, row.number) << row.name;
    }
}

TEST(PgnReader, RefusedGamesSayWhereAndWhy)
{
    for (const TableRow& row : cases("refused", 12)) {
        PgnInput input;
        input.openText(unescaped(row[2]));
        CPgnParser parser;
        std::unique_ptr<CPgnGame> game;
        std::int64_t end = -1;
        EXPECT_FALSE(parser.readGame(input, 0, end, game)) << row[1];
        EXPECT_FALSE(game) << row[1];
        const PgnReadError& error = parser.lastError();
        EXPECT_EQ(error.reason + " '" + error.text + "' @" + std::to_string(error.offset),
            unescaped(row[3]))
            << row[1];
    }
}

TEST(PgnReader, TagsAreReadLeniently)
{
    for (const TableRow& row : cases("tags", 11)) {
        auto game = readPgn(unescaped(row[2]));
        ASSERT_TRUE(game) << row[1];
        EXPECT_EQ(
            game->event() + "|" + game->site() + "|" + game->getTag("Round"), unescaped(row[3]))
            << row[1];
    }
    EXPECT_FALSE(readPgn("[Event \"E\"]\n[ \"no name\"]\n1.e4 *"))
        << "the tag section ends and its rest is no movetext";
}

TEST(PgnReader, FenSetsTheRootPlyAndLinesNumberOnlyWhiteMovesAfterTheFirst)
{
    auto game = readPgn("[FEN \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 12\"]\n"
                        "12...Nf6 13.Nc3 e5 14.Nf3 *");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->root()->ply(), 22);
    const CGameNode& first = *game->root()->child(0);
    EXPECT_EQ(lineText(first, 4), "12..Nf6 13.Nc3 e5 14.Nf3");
    EXPECT_EQ(lineText(first, 2), "12..Nf6 13.Nc3");
    EXPECT_EQ(lineText(first, 99), "12..Nf6 13.Nc3 e5 14.Nf3");
    // Move number 0 counts as 1; an empty FEN means the standard start.
    for (const char* fen : { "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0", "" }) {
        auto start = readPgn(std::string("[FEN \"") + fen + "\"]\n1.e4 *");
        ASSERT_TRUE(start) << fen;
        EXPECT_EQ(start->root()->ply(), -1) << fen;
    }
}

TEST(PgnReader, ScanEndsWhereTheNextGameBegins)
{
    struct Row {
        const char* name;
        std::string text;
        // The texts at which the games after the first begin.
        std::vector<const char*> starts;
    } rows[] = {
        { "junk after a result and a bracket in a comment",
            "[Event \"1\"]\n1.e4 *\n\n[Event \"2\"]\n{[x]} 1.d4 1-0 junk\n[Event \"3\"]\n1.c4",
            { "[Event \"2", "[Event \"3" } },
        { "stray bytes after a bracket", "[\x01\x02 1.e4 *\n[Event \"b\"]\n*\n", { "[Event" } },
        { "untagged first game", "1.e4 e5 *\n[Event \"x\"]\n*", { "[Event" } },
        { "comment left open", "1.e4 {open\r\n\r\n[Event \"x\"]\r\n*", { "[Event" } },
        { "comment left open, no empty line before the tags", "1.e4 {open\n[Event \"x\"]\n*", {} },
        { "comment left open, incomplete tag line", "1.e4 {open\n\n[Event \"x\n*", {} },
    };
    for (const Row& row : rows) {
        std::vector<std::int64_t> expected;
        for (const char* start : row.starts)
            expected.push_back(std::int64_t(row.text.find(start)));
        expected.push_back(std::int64_t(row.text.size()));
        EXPECT_EQ(scanGameEnds(row.text), expected) << row.name;
    }
}

// The reader must give the same games whatever the read buffer's size, so every token,
// escape line and look-ahead lands on a buffer boundary somewhere.
class PgnReaderChunks : public ::testing::TestWithParam<std::size_t> { };

TEST_P(PgnReaderChunks, SameGamesForEveryBufferSize)
{
    const std::string text = "\xEF\xBB\xBF% header escape\n[Event \"A; b\"]\n[Round 7]\n\n"
                             "{intro} 1.e4 $1 e5!? (1...c5 {sic} 2.Nf3 ; rest\n d6) 2.Nf3 "
                             "Nc6 3.Bb5 a6 {x\n%gone\ny} 4.Ba4 Nf6 5.O-O Be7 1-0\n\n"
                             "[Event \"B\"]\n1.d4 d5 (1...Nf6 2.c4 (2.Nf3)) 2.c4 e6 *\n"
                             "[Event \"C\"]\n1.d4 {open\n\n[Event \"D\"]\n[Site \"s]\n"
                             "1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.O\u2011O \u00BD-\u00BD\n";
    // Every game with what was read of it, where reading and the scan ended, and damage.
    auto describe = [](PgnInput& input) {
        std::vector<std::string> games;
        CPgnParser parser;
        std::unique_ptr<CPgnGame> game;
        std::int64_t start = 0;
        for (std::int64_t end : scanGameEnds(input)) {
            std::int64_t readEnd = 0;
            if (!parser.readGame(input, start, readEnd, game))
                break;
            games.push_back(game->event() + game->site() + game->getTag("Round") + "|" +
                game->root()->comment() + "|" + treeText(*game) + "|" + game->result() + "|" +
                std::to_string(readEnd) + "|" + std::to_string(end) + "|" +
                parser.lastDamage().reason);
            start = end;
        }
        return games;
    };
    PgnInput memory;
    memory.openText(text);
    const std::vector<std::string> expected = describe(memory);
    const std::string b = std::to_string(text.find("[Event \"B"));
    const std::string d = std::to_string(text.find("[Event \"D"));
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected[0],
        "A; b 7|intro| e4$1 e5$5 (c5{sic} Nf3 d6) Nf3 Nc6 Bb5 a6{x y} Ba4 Nf6 O-O Be7|1-0|" + b +
            "|" + b + "|");
    EXPECT_EQ(expected[2], "C|| d4{open}|*|" + d + "|" + d + "|unterminated comment");
    EXPECT_EQ(expected[3],
        "Ds|| e4 e5 Nf3 Nf6 Bc4 Bc5 O-O|1/2-1/2|" + std::to_string(text.size()) + "|" +
            std::to_string(text.size()) + "|unterminated string");

    TempFolder folder;
    TempFolder::write(folder.file("chunks.pgn"), text);
    PgnInput input(GetParam());
    ASSERT_TRUE(input.openFile(folder.file("chunks.pgn")));
    EXPECT_EQ(describe(input), expected);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, PgnReaderChunks, ::testing::Values(1, 2, 3, 7, 64));

} // namespace
} // namespace velmorak
