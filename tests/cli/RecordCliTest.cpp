#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace {

class RecordCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        TempFolder::write(db,
            "[White \"Anna\"]\n[Black \"Ben\"]\n[Date \"1999.01.01\"]\n[Result \"1-0\"]\n\n"
            "1.e4 e5 2.Qh5 Nc6 3.Bc4 Nf6 4.Qxf7# 1-0\n\n"
            "[White \"Carl\"]\n[Black \"anna\"]\n[Date \"2005\"]\n[Result \"0-1\"]\n\n"
            "1.f3 e5 2.g4 Qh4# 0-1\n\n"
            "[White \"Dora\"]\n[Black \"Eve\"]\n[Result \"*\"]\n\n1.d4 d5 2.Ke3 *\n");
    }
    CliResult runDb(const std::string& arguments) { return runCli("db " + arguments); }

    TempFolder dir;
    const std::string db = dir.file("db.pgn");
    const std::string game = dir.file("game.pgn");
};

TEST_F(RecordCli, DatabaseQueries)
{
    CliResult index = runDb("index " + db);
    ASSERT_EQ(index.exitCode, 0);
    EXPECT_EQ(index.out.substr(0, index.out.find('\n')),
        "0\tAnna\tBen\t1999.01.01\t\t\t\t1-0\t0\t" +
            std::to_string(TempFolder::read(db).find("[White \"Carl")));

    CliResult search = runDb("search " + db + " --white ANNA --any-color --result 1-0,0-1");
    EXPECT_EQ(search.out.substr(0, 2), "0\t");
    EXPECT_NE(search.out.find("\n1\tCarl"), std::string::npos);
    EXPECT_EQ(runDb("search " + db + " --white anna").out.substr(0, 7), "0\tAnna\t");
    EXPECT_EQ(runDb("search " + db + " --year-from 2000").out, "");
    EXPECT_EQ(runDb("sort " + db + " --by white --desc").out.substr(0, 7), "2\tDora\t");

    CliResult show = runDb("show " + db + " 1");
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_NE(show.out.find("1. f3 e5 2. g4 Qh4# 0-1"), std::string::npos) << show.out;
    EXPECT_EQ(runDb("show " + db + " 2").exitCode, 1) << "game 2 cannot be read";
}

// The database keeps the other games byte for byte (DatabaseTest); here each command reaches it.
TEST_F(RecordCli, DatabaseChangesReachTheFile)
{
    TempFolder::write(game, "[White \"New\"]\n1.c4 c5 *\n");
    EXPECT_EQ(runDb("replace " + db + " 2 " + game).exitCode, 0);
    EXPECT_EQ(runDb("delete " + db + " 0").exitCode, 0);
    EXPECT_EQ(runDb("append " + db + " " + game).exitCode, 0);
    CliResult now = runDb("index " + db);
    EXPECT_EQ(std::count(now.out.begin(), now.out.end(), '\n'), 3);
    EXPECT_EQ(now.out.substr(0, 6), "0\tCarl");
    EXPECT_NE(now.out.find("\n1\tNew\t"), std::string::npos) << "replaced, after the deleted game";
    EXPECT_NE(now.out.find("\n2\tNew\t"), std::string::npos) << "appended";
    EXPECT_NE(TempFolder::read(db).find("1. c4 c5 *"), std::string::npos);
    EXPECT_EQ(dir.entryCount(), 2) << "no temporary or backup file is left";
}

TEST_F(RecordCli, IndexLinesStayOneLinePerGameWhateverTheTagsHold)
{
    TempFolder::write(db,
        "[White \"tab\there\"]\n[Black \"back\\\\slash\"]\n[Event \"\x01\x7f\"]\n"
        "\n1.e4 *\n\n[White \"B\"]\n\n1.d4 *\n");
    CliResult index = runDb("index " + db);
    EXPECT_EQ(std::count(index.out.begin(), index.out.end(), '\n'), 2) << index.out;
    EXPECT_EQ(index.out.substr(0, index.out.find("\t*")),
        "0\ttab\\there\tback\\\\slash\t\t\\x01\\x7f\t\t");
}

TEST_F(RecordCli, DatabaseRefusals)
{
    TempFolder::write(game, "");
    const struct {
        const char* name;
        std::string arguments;
        const char* message;
    } rows[] = {
        { "number past the end", "show " + db + " 3", "numbered 0 to 2" },
        { "number not a number", "delete " + db + " x", "numbered 0 to 2" },
        { "empty database", "show " + game + " 0", "holds no games" },
        { "missing file", "index " + dir.file("missing.pgn"), "missing.pgn" },
        { "result list", "search " + db + " --result win", "--result takes" },
        { "sort key", "sort " + db + " --by colour", "--by takes" },
        { "argument count", "show " + db, "expected FILE N" },
        { "subcommand", "frobnicate " + db, "unknown subcommand" },
    };
    for (const auto& row : rows) {
        CliResult result = runDb(row.arguments);
        EXPECT_EQ(result.exitCode, 2) << row.name;
        EXPECT_NE(result.err.find(row.message), std::string::npos)
            << row.name << ": " << result.err;
    }
}

} // namespace
