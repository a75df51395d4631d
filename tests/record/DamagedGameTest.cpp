// A damaged game must stay one game: the index lists the games after it, a delete or a
// replace takes only the game chosen, and the tools name the game instead of passing over it.
#include <string>

#include <gtest/gtest.h>

#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

const std::string kFirst = "[Event \"One\"]\n[Result \"1-0\"]\n\n1.e4 e5 1-0\n\n";
const std::string kThird = "[Event \"Three\"]\n\n1.c4 {a comment} c5 *\n\n";
const std::string kFourth = "[Event \"Four\"]\n[Result \"0-1\"]\n\n1.Nf3 Nf6 0-1\n";

TEST(DamagedGame, DeleteAndReplaceTakeOnlyTheGameChosen)
{
    struct Row {
        const char* name;
        std::string second;
        const char* damage;
    } rows[] = {
        { "closing quote missing in the last tag", "[Event \"Two\"]\n[Result \"*]\n\n1.d4 d5 *\n\n",
            "unterminated string" },
        { "comment left open", "[Event \"Two\"]\n\n1.d4 {open d5 *\n\n", "unterminated comment" },
        { "stray quote in the movetext", "[Event \"Two\"]\n\n1.d4 \"d5 *\n\n",
            "unterminated string" },
    };
    for (const Row& row : rows) {
        for (const bool replace : { false, true }) {
            TempFolder folder;
            const std::string path = folder.file("games.pgn");
            TempFolder::write(path, kFirst + row.second + kThird + kFourth);
            CPgnParser parser;
            CDatabase database(parser);
            ASSERT_TRUE(database.open(path)) << row.name;
            ASSERT_EQ(database.getEntries().size(), 4u) << row.name;
            EXPECT_EQ(database.getEntries()[1].end, std::int64_t(kFirst.size() + row.second.size()))
                << row.name;
            database.gotoGame(1);
            EXPECT_EQ(parser.lastDamage().reason, row.damage) << row.name;
            auto fourth = database.gotoGame(3);
            ASSERT_TRUE(fourth) << row.name;
            EXPECT_EQ(fourth->event(), "Four") << row.name;

            CPgnGame replacement;
            replacement.setFormat(kFilePgnFormat);
            ASSERT_TRUE(replace ? database.replaceGame(1, replacement) : database.deleteGame(1))
                << row.name;
            EXPECT_EQ(TempFolder::read(path),
                kFirst + (replace ? replacement.toString() : "") + kThird + kFourth)
                << row.name;
        }
    }
}

TEST(DamagedGame, PgnCheckAndFormatNameWhatTheyCannotRead)
{
    const std::string untagged = kFirst + "1.d4 d5 0-1\n\n";
    const std::string junk = "[Event \"Two\"]\n\n1.c4 c5 1-0 junk\n\n";
    const std::string open = "[Event \"Three\"]\n\n1.Nf3 {open\n\n";
    const std::string differing = "[Event \"Five\"]\n[Result \"1-0\"]\n\n1.e4 0-1\n";
    const std::string refused = "[Event \"Six\"]\n\n1.d4 d5 2.Ke3 *\n";
    const std::string text = untagged + junk + open + kFourth + "\n" + differing + "\n" + refused;
    TempFolder folder;
    const std::string path = folder.file("games.pgn");
    TempFolder::write(path, text);
    auto at = [&](const std::string& part) { return std::to_string(text.find(part)); };

    CliResult check = runCli("pgn check " + path);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(check.out,
        path + ": game 0 at offset " + at("1.d4") +
            ": text after the game not read '1.d4 d5 0-1'\n" + path + ": game 1 at offset " +
            at("junk") + ": text after the game not read 'junk'\n" + path + ": game 2 at offset " +
            at("{open") + ": damaged, unterminated comment '{'\n" + path + ": game 4 at offset " +
            at(differing) + ": the Result tag '1-0' and the movetext's result '0-1' differ\n" +
            path + ": game 5 at offset " + at("Ke3") + ": illegal or unreadable move 'Ke3'\n" +
            path +
            ": 2 of 6 games read, 1 refused, 3 not read whole, 1 with results that differ\n");
    EXPECT_EQ(runCli("pgn check " + folder.file("missing.pgn")).exitCode, 2);

    CliResult format = runCli("pgn format " + path);
    EXPECT_EQ(format.exitCode, 1);
    EXPECT_EQ(format.out.substr(0, text.find(kFourth)), untagged + junk + open)
        << "copied unchanged";
    EXPECT_NE(format.out.find("1. Nf3 Nf6 0-1\r\n"), std::string::npos) << format.out;
    EXPECT_EQ(format.out.substr(format.out.size() - refused.size()), refused) << "copied unchanged";
    for (const char* game : { "game 0 at", "game 1 at", "game 2 at", "game 5 at" })
        EXPECT_NE(format.err.find(game), std::string::npos) << format.err;
}

} // namespace
} // namespace velmorak
