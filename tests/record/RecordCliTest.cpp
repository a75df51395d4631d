#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs velmorak-cli with the arguments (already quoted for the shell); stderr joins stdout.
CliRun cli(const std::string& arguments)
{
    const std::string command =
        std::string(VELMORAK_BIN_DIR) + "/velmorak-cli " + arguments + " 2>&1";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), got);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class RecordCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) / ("velmorak-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        db = (dir / "db.pgn").string();
        write(db,
            "[White \"Anna\"]\n[Black \"Ben\"]\n[Date \"1999.01.01\"]\n[Result \"1-0\"]\n\n"
            "1.e4 e5 2.Qh5 Nc6 3.Bc4 Nf6 4.Qxf7# 1-0\n\n"
            "[White \"Carl\"]\n[Black \"anna\"]\n[Date \"2005\"]\n[Result \"0-1\"]\n\n"
            "1.f3 e5 2.g4 Qh4# 0-1\n\n"
            "[White \"Dora\"]\n[Black \"Eve\"]\n[Result \"*\"]\n\n1.d4 d5 2.Ke3 *\n");
    }
    void TearDown() override { fs::remove_all(dir); }

    static void write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const std::string& path)
    {
        std::ostringstream out;
        out << std::ifstream(path, std::ios::binary).rdbuf();
        return out.str();
    }

    fs::path dir;
    std::string db;
};

TEST_F(RecordCli, PgnCheckNamesEveryRefusedGame)
{
    CliRun run = cli("pgn check " + db);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("game 2 at offset " + std::to_string(read(db).find("Ke3")) +
                  ": illegal or unreadable move 'Ke3'"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2 of 3 games read, 1 refused"), std::string::npos) << run.out;
    EXPECT_EQ(cli("pgn check " + (dir / "missing.pgn").string()).status, 2);
}

TEST_F(RecordCli, PgnFormatKeepsUnreadableGamesAsTheyAre)
{
    CliRun run = cli("pgn format " + db);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\r\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("1.d4 d5 2.Ke3 *\n"), std::string::npos) << "copied unchanged";
}

TEST_F(RecordCli, DatabaseCommands)
{
    CliRun index = cli("db index " + db);
    ASSERT_EQ(index.status, 0);
    EXPECT_EQ(index.out.substr(0, index.out.find('\n')),
        "0\tAnna\tBen\t1999.01.01\t\t\t\t1-0\t0\t" +
            std::to_string(read(db).find("[White \"Carl")));

    CliRun search = cli("db search " + db + " --white ANNA --any-color --result 1-0,0-1");
    EXPECT_EQ(search.out.substr(0, 2), "0\t");
    EXPECT_NE(search.out.find("\n1\tCarl"), std::string::npos);
    EXPECT_EQ(cli("db search " + db + " --white anna").out.substr(0, 7), "0\tAnna\t");
    EXPECT_EQ(cli("db search " + db + " --year-from 2000").out, "");
    EXPECT_EQ(cli("db search " + db + " --result win").status, 2);

    CliRun sorted = cli("db sort " + db + " --by white --desc");
    EXPECT_EQ(sorted.out.substr(0, 7), "2\tDora\t");
    EXPECT_EQ(cli("db sort " + db + " --by colour").status, 2);

    CliRun show = cli("db show " + db + " 1");
    EXPECT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("1. f3 e5 2. g4 Qh4# 0-1"), std::string::npos) << show.out;
    EXPECT_EQ(cli("db show " + db + " 3").status, 2);
    EXPECT_EQ(cli("db show " + db + " 2").status, 1) << "game 2 cannot be read";

    const std::string game = (dir / "game.pgn").string();
    write(game, "[White \"New\"]\n1.c4 c5 *\n");
    const std::string before = read(db);
    EXPECT_EQ(cli("db replace " + db + " 2 " + game).status, 0);
    const std::string after = read(db);
    EXPECT_EQ(after.substr(0, before.find("[White \"Dora")),
        before.substr(0, before.find("[White \"Dora")));
    EXPECT_NE(after.find("1. c4 c5 *"), std::string::npos);
    EXPECT_EQ(cli("db delete " + db + " 0").status, 0);
    EXPECT_EQ(cli("db append " + db + " " + game).status, 0);
    CliRun now = cli("db index " + db);
    EXPECT_EQ(std::count(now.out.begin(), now.out.end(), '\n'), 3);
    EXPECT_NE(now.out.find("2\tNew"), std::string::npos);
    EXPECT_FALSE(fs::exists(db + ".tmp"));
    EXPECT_FALSE(fs::exists(db + ".bak"));
    EXPECT_EQ(cli("db delete " + db + " x").status, 2);
    EXPECT_EQ(cli("db frobnicate " + db).status, 2);
}

} // namespace
