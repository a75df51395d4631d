#include <algorithm>

#include <gtest/gtest.h>

#include "support/CliRunner.h"

namespace {

const std::string kKiwipete =
    "'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1'";

TEST(CliRules, Perft)
{
    EXPECT_EQ(runCli("perft 3").out, "8902\n");
    EXPECT_EQ(runCli("perft 2 " + kKiwipete).out, "2039\n");
    CliResult divide = runCli("perft 2 --divide");
    EXPECT_EQ(divide.exitCode, 0);
    EXPECT_EQ(divide.out.substr(0, 10), "a2a3 20\na2");
    EXPECT_NE(divide.out.find("\nNodes: 400\n"), std::string::npos);
    // More root moves than a game position can have: every one is listed.
    CliResult crowded =
        runCli("perft 1 --divide 'QQQQQQQk/Q6Q/Q4Q1Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1'");
    EXPECT_EQ(std::count(crowded.out.begin(), crowded.out.end(), '\n'), 279 + 2);
    EXPECT_NE(crowded.out.find("\nNodes: 279\n"), std::string::npos);
}

TEST(CliRules, MovesSanFenValidateStatus)
{
    CliResult moves = runCli("moves '6k1/5ppp/8/8/8/8/8/R3K3 w Q - 0 1'");
    EXPECT_EQ(moves.exitCode, 0);
    EXPECT_EQ(moves.out.substr(0, 16), "a1a2 Ra2\na1a3 Ra");
    EXPECT_NE(moves.out.find("a1a8 Ra8#\n"), std::string::npos);
    EXPECT_NE(moves.out.find("e1c1 O-O-O\n"), std::string::npos);

    EXPECT_EQ(runCli("san " + kKiwipete + " O-O-O").out, "e1c1\n");
    EXPECT_EQ(runCli("san " + kKiwipete + " Qxf9").out, "none\n");
    EXPECT_EQ(
        runCli("fen '4k3/8/8/8/8/8/8/4K2R w KQkq e3'").out, "4k3/8/8/8/8/8/8/4K2R w K - 0 1\n");
    EXPECT_EQ(runCli("validate '8/8/8/8/8/8/8/KK6 w - - 0 1'").out,
        "illegal: each side needs exactly one king\n");
    EXPECT_EQ(runCli("validate " + kKiwipete).out, "legal\n");
    EXPECT_EQ(
        runCli(
            "status 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1' f2f3 e7e5 g2g4 d8h4")
            .out,
        "1 checkmate\n");
    EXPECT_EQ(runCli("status '4k3/8/8/8/8/8/8/4K3 w - - 0 1'").out, "5 insufficient material\n");
}

TEST(CliRules, BadInputExitsWithTwoAndAMessage)
{
    const char* cases[] = {
        "",
        "nosuchcommand",
        "perft",
        "perft x",
        "perft 99",
        "perft 2 'not a fen'",
        "perft 2 --frobnicate",
        "moves",
        "fen 'rnbqkbnr/pppppppp w'",
        "status '4k3/8/8/8/8/8/8/4K3 w - - 0 1' e2e4",
        "status 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1' e2e4x",
    };
    for (const char* arguments : cases) {
        CliResult result = runCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_FALSE(result.err.empty()) << arguments;
    }
    CliResult help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : { "perft", "moves", "san", "fen", "validate", "status" })
        EXPECT_NE(help.out.find(std::string("velmorak-cli ") + command + " "), std::string::npos)
            << command;
}

} // namespace
