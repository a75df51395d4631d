#include <algorithm>

#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TableFile.h"

namespace {

const std::string kCases = VELMORAK_SOURCE_DIR "/tests/cli/cli-cases.txt";

TEST(CliRules, EachCommandPrintsWhatTheRulesSay)
{
    const auto rows = readTableFile(kCases, "prints");
    ASSERT_GE(rows.size(), 10u);
    for (const TableRow& row : rows) {
        CliResult result = runCli(row.at(1));
        EXPECT_EQ(result.out, row.at(2) + "\n") << row[1];
        EXPECT_EQ(result.exitCode, 0) << row[1];
    }
    const std::string moves = runCli("moves '6k1/5ppp/8/8/8/8/8/R3K3 w Q - 0 1'").out;
    EXPECT_EQ(moves.substr(0, 16), "a1a2 Ra2\na1a3 Ra");
    EXPECT_NE(moves.find("\na1a8 Ra8#\n"), std::string::npos);
    EXPECT_NE(moves.find("\ne1c1 O-O-O\n"), std::string::npos);
    // More root moves than a game position can have: every one is listed.
    CliResult crowded =
        runCli("perft 1 --divide 'QQQQQQQk/Q6Q/Q4Q1Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1'");
    EXPECT_EQ(std::count(crowded.out.begin(), crowded.out.end(), '\n'), 279 + 2);
    EXPECT_NE(crowded.out.find("\nh7b7 1\n\nNodes: 279\n"), std::string::npos);
}

TEST(CliRules, BadInputExitsWithTwoAndAMessage)
{
    auto rows = readTableFile(kCases, "refuses");
    ASSERT_GE(rows.size(), 12u);
    rows.push_back({ "refuses", "" }); // no arguments at all
    for (const TableRow& row : rows) {
        CliResult result = runCli(row.at(1));
        EXPECT_EQ(result.exitCode, 2) << row[1];
        EXPECT_FALSE(result.err.empty()) << row[1];
    }
    const std::string help = runCli("--help").out;
    for (const char* command : { "perft", "moves", "san", "fen", "validate", "status" })
        EXPECT_NE(help.find(std::string("velmorak-cli ") + command + " "), std::string::npos);
}

} // namespace
