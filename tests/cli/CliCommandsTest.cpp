#include <algorithm>

#include <gtest/gtest.h>

#include "support/CliRunner.h"

namespace {

const std::string kStart = "'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'";
const std::string kKiwipete =
    "'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1'";

TEST(CliRules, EachCommandPrintsWhatTheRulesSay)
{
    const std::pair<std::string, std::string> rows[] = {
        { "perft 3", "8902\n" },
        { "perft 2 " + kKiwipete, "2039\n" },
        { "san " + kKiwipete + " O-O-O", "e1c1\n" },
        { "san " + kKiwipete + " Qxf9", "none\n" },
        { "fen '4k3/8/8/8/8/8/8/4K2R w KQkq e3'", "4k3/8/8/8/8/8/8/4K2R w K - 0 1\n" },
        { "validate '8/8/8/8/8/8/8/KK6 w - - 0 1'", "illegal: each side needs exactly one king\n" },
        { "validate " + kKiwipete, "legal\n" },
        { "status " + kStart + " f2f3 e7e5 g2g4 d8h4", "1 checkmate\n" },
        { "status '4k3/P7/8/8/8/8/8/4K3 w - - 0 1' a7a8Q", "0 none\n" },
        { "status '4k3/8/8/8/8/8/8/4K3 w - - 0 1'", "5 insufficient material\n" },
    };
    for (const auto& [arguments, out] : rows) {
        CliResult result = runCli(arguments);
        EXPECT_EQ(result.out, out) << arguments;
        EXPECT_EQ(result.exitCode, 0) << arguments;
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
    const std::string cases[] = { "", "nosuchcommand", "perft", "perft x", "perft 99",
        "perft 2 'not a fen'", "perft 2 --frobnicate", "moves", "fen 'rnbqkbnr/pppppppp w'",
        "status '4k3/8/8/8/8/8/8/4K3 w - - 0 1' e2e4", "status " + kStart + " e2e4x",
        // Refused before the file is touched (storing there would fail with 1).
        "settings --file /dev/null/settings.reg set IDC_CBBOOKMODE 7",
        "settings --file /dev/null/settings.reg set IDC_CBHASHTABLESIZE 0" };
    for (const std::string& arguments : cases) {
        CliResult result = runCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_FALSE(result.err.empty()) << arguments;
    }
    const std::string help = runCli("--help").out;
    for (const char* command : { "perft", "moves", "san", "fen", "validate", "status" })
        EXPECT_NE(help.find(std::string("velmorak-cli ") + command + " "), std::string::npos);
}

} // namespace
