#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "record/CPgnGame.h"

namespace velmorak {
namespace {

using test::readPgn;
using test::treeText;

TEST(PgnWriter, NewGameIsTheRosterAndAnAsterisk)
{
    EXPECT_EQ(CPgnGame().toString(),
        "[Event \"\"]\r\n[Site \"\"]\r\n[Date \"\"]\r\n[Round \"\"]\r\n[White \"\"]\r\n"
        "[Black \"\"]\r\n[Result \"*\"]\r\n\r\n*\r\n\r\n");
}

TEST(PgnWriter, MovetextLayout)
{
    struct Row {
        const char* name;
        const char* pgn;
        PgnFormat format;
        const char* movetext;
    } rows[] = {
        { "numbers, variation, NAG and comment",
            "1.e4 e5 2.Nf3 (2.Bc4 Nf6) 2...Nc6 $1 {best} 3.Bb5 *", kFilePgnFormat,
            "1. e4 e5 2. Nf3 (2. Bc4 Nf6) 2.. Nc6 $1 {best} 3. Bb5 *\r\n\r\n" },
        { "black move after a comment has no number", "1.e4 {c} e5 *", kFilePgnFormat,
            "1. e4 {c} e5 *\r\n\r\n" },
        { "glyphs instead of numbers", "1.e4!? e5 $18 *", { 30, false, true, true, false, true },
            "1. e4!? e5+- *\r\n\r\n" },
        { "no variations, no comments", "1.e4 {c} e5 (1...c5) *",
            { 75, false, false, false, true, false }, "1. e4 e5 *\r\n\r\n" },
        { "black to move first",
            "[FEN \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 23\"] 23...e5 *",
            kFilePgnFormat, "23.. e5 *\r\n\r\n" },
        { "line breaks and runs of blanks in a comment are one space", "1.e4 {a \r\n  b\n\nc } *",
            kFilePgnFormat, "1. e4 {a b c } *\r\n\r\n" },
        { "a comment before the first move is kept", "{Intro} 1.e4 e5 *", kFilePgnFormat,
            "{Intro} 1. e4 e5 *\r\n\r\n" },
        { "a game of one comment", "{Only words} *", kFilePgnFormat, "{Only words} *\r\n\r\n" },
    };
    for (const Row& row : rows) {
        auto game = readPgn(row.pgn);
        ASSERT_TRUE(game) << row.name;
        game->setFormat(row.format);
        std::string text = game->toString();
        std::size_t body = row.format.writeTags ? text.find("\r\n\r\n") + 4 : 0;
        EXPECT_EQ(text.substr(body), row.movetext) << row.name;
    }
}

TEST(PgnWriter, OnlyKnownResultsEndTheMovetext)
{
    for (const char* result : { "", "?", "+--", " %1-0" }) {
        CPgnGame game;
        game.setResult(result);
        game.setFormat(kFilePgnFormat);
        const std::string text = game.toString();
        EXPECT_NE(text.find(std::string("[Result \"") + result + "\"]"), std::string::npos);
        EXPECT_EQ(text.substr(text.size() - 5), "*\r\n\r\n") << result;
        auto again = readPgn(text);
        ASSERT_TRUE(again) << result;
        EXPECT_EQ(again->result(), result);
    }
}

TEST(PgnWriter, TagValuesAreEscapedAndReadBack)
{
    CPgnGame game;
    game.setEvent("a \"quoted\" \\ name");
    game.setTag("Annotator", "x]y");
    std::string text = game.toString();
    EXPECT_NE(text.find("[Event \"a \\\"quoted\\\" \\\\ name\"]\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Annotator \"x]y\"]\r\n"), std::string::npos);
    auto again = readPgn(text);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->tags(), game.tags());

    game.setTag("Annotator", "two\r\nlines");
    again = readPgn(game.toString());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->getTag("Annotator"), "two  lines");
    EXPECT_NE(again->getTag("Event"), "");
}

// The game opens with a comment whose percent sign lands at a line start at some width
// unless the writer moves it, and holds a word longer than the narrow widths.
TEST(PgnWriter, WrappedLinesRespectTheWidthAndReadBackAlike)
{
    const std::string word = "https://example.org/a_long_link_in_a_comment";
    auto game = readPgn("1.e4 {wins 55 % of the games} e5 2.Nf3 Nc6 3.Bb5 a6 4.Ba4 Nf6 5.O-O Be7 "
                        "6.Re1 b5 7.Bb3 d6 8.c3 O-O 9.h3 Nb8 10.d4 Nbd7 {see " +
        word + " for more} 11.c4 c6 12.cxb5 axb5 13.Nc3 Bb7 14.Bg5 b4 15.Nb1 h6 *");
    ASSERT_TRUE(game);
    for (int width = 8; width <= 75; width += width < 40 ? 1 : 35) {
        game->setFormat({ width, false, true, true, true, false });
        const std::string text = game->toString();
        EXPECT_EQ(text.find("\n%"), std::string::npos) << width;
        std::istringstream lines(text);
        std::string line;
        bool sawWord = false;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            EXPECT_TRUE(line.empty() || line.front() != ' ' || line[1] == '%') << line;
            // Below width 30 a word of a third of the width may overrun the line.
            sawWord = sawWord || line.find(word) != std::string::npos;
            if (width >= 30 && line.find(word) == std::string::npos) {
                EXPECT_LE(int(line.size()), width) << width << ": " << line;
            }
        }
        EXPECT_TRUE(sawWord) << width << ": the long word is never broken";
        auto again = readPgn(text);
        ASSERT_TRUE(again) << width;
        EXPECT_EQ(treeText(*again), treeText(*game)) << width;
        again->setFormat(game->getFormat());
        EXPECT_EQ(again->toString(), text) << width << ": the wrapped text is written alike";
    }
}

} // namespace
} // namespace velmorak
