#include "server/ServerLineAssembler.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace velmorak;
using namespace std::string_literals;

namespace {

using Items = std::vector<ServerInput>;

ServerInput line(std::string text)
{
    return { ServerInput::Kind::Line, std::move(text) };
}

const ServerInput kRequest { ServerInput::Kind::TimesealRequest, {} };

// Everything `bytes` yields when fed in pieces of `chunk` bytes (0: all at once).
Items assemble(ServerLineAssembler& assembler, std::string_view bytes, std::size_t chunk)
{
    Items items;
    const std::size_t step = chunk == 0 ? std::max<std::size_t>(bytes.size(), 1) : chunk;
    for (std::size_t i = 0; i < bytes.size(); i += step) {
        assembler.splitServerText(bytes.substr(i, step));
        while (std::optional<ServerInput> item = assembler.take())
            items.push_back(*item);
    }
    return items;
}

Items assemble(std::string_view bytes, std::size_t chunk, bool timeseal = true)
{
    ServerLineAssembler assembler("fics% ", timeseal);
    return assemble(assembler, bytes, chunk);
}

std::string readFile(const std::string& name)
{
    std::ifstream in(std::string(VELMORAK_DATA_DIR) + "/ics/" + name, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

struct StreamCase {
    const char* name;
    std::string bytes;
    Items items;
    bool timeseal = true;
};

const std::string k70(70, 'a');
const std::string kHuge(ServerLineAssembler::kMaxLineLength + 100, 'x');

class ServerLineAssemblerChunks : public ::testing::TestWithParam<std::size_t> { };

} // namespace

TEST_P(ServerLineAssemblerChunks, AssemblesTheSameLinesFromAnyChunkSize)
{
    const StreamCase cases[] = {
        { "line ends with and without carriage returns", "one\r\ntwo\n\rthree\n",
            { line("one"), line("two"), line("three") } },
        { "a line without its end waits", "partial", {} },
        { "the prompt is a line at once", "\n\rfics% ", { line(""), line("fics% ") } },
        { "a prompt without its blank waits", "fics%", {} },
        { "text after a prompt is the next line", "fics% Game 1 begins\n",
            { line("fics% "), line("Game 1 begins") } },
        { "the prompt counts only at the start of a line", "say fics% \n", { line("say fics% ") } },
        { "a long line waits for the next", k70 + "\n", {} },
        { "a long line is continued", k70 + "\n\\   word\n\\more\nfics% ",
            { line(k70 + " wordmore"), line("fics% ") } },
        { "a line of 69 characters is not held", k70.substr(1) + "\n", { line(k70.substr(1)) } },
        { "a long board line is not held", "<12>" + k70 + "\n", { line("<12>" + k70) } },
        { "the timeseal request as a line", "[G]\n\rok\n", { kRequest, line("ok") } },
        { "the request after a prompt", "fics% [G]\n", { line("fics% "), kRequest } },
        { "the request with a blank is text", "[G] \n", { line("[G] ") } },
        { "the request inside text", "fics% [G]\0ab[G]\0cd\n"s,
            { line("fics% "), kRequest, kRequest, line("abcd") } },
        { "a request does not release a long line", k70 + "\n[G]\nnext\n",
            { kRequest, line(k70), line("next") } },
        { "stray NUL bytes are dropped", "a\0b\n"s, { line("ab") } },
        { "without timeseal the request is text", "[G]\n[G]\0\n"s, { line("[G]"), line("[G]") },
            false },
        { "an overlong line is cut, a request after the cut still heard", kHuge + "[G]\0\nnext\n"s,
            { kRequest, line(kHuge.substr(0, ServerLineAssembler::kMaxLineLength)),
                line("next") } },
    };
    for (const StreamCase& row : cases)
        EXPECT_EQ(assemble(row.bytes, GetParam(), row.timeseal), row.items) << row.name;
}

// Real sessions of a FICS server, with block-mode bytes, bells and prompts running into the
// next answer: however the socket cuts them, the lines are those of the whole transcript.
TEST_P(ServerLineAssemblerChunks, ReadsRealServerTranscriptsAlike)
{
    for (const char* name : { "pychess_ficsplay_raw_bytes.bin", "pychess_testing_lines.txt" }) {
        const std::string bytes = readFile(name);
        ASSERT_FALSE(bytes.empty()) << name;
        const Items whole = assemble(bytes, 0);
        EXPECT_EQ(assemble(bytes, GetParam()), whole) << name;
        for (const ServerInput& item : whole)
            EXPECT_EQ(item.text.find_first_of("\r\n"s + '\0'), std::string::npos) << name;
    }

    const Items game = assemble(readFile("pychess_ficsplay_raw_bytes.bin"), GetParam());
    EXPECT_EQ(std::count_if(game.begin(), game.end(),
                  [](const ServerInput& item) { return item.text.starts_with("<12> "); }),
        10);
    // A 72-character line is released by the prompt that follows it.
    const auto offer = std::find(game.begin(), game.end(),
        line("<pf> 7 w=ggbtami t=match p=ggbtami (----) gbtami (1708) unrated blitz 5 0"));
    ASSERT_NE(offer, game.end());
    ASSERT_NE(offer + 1, game.end());
    EXPECT_EQ(offer[1], line("fics% "));
    EXPECT_EQ(offer[2],
        line("\x15"
             "52\x16"
             "11\x16You accept the match offer from ggbtami."));
}

INSTANTIATE_TEST_SUITE_P(
    ChunkSizes, ServerLineAssemblerChunks, ::testing::Values(0, 1, 2, 3, 7, 64));

TEST(ServerLineAssembler, ResetForgetsEverythingOfTheLastConnection)
{
    ServerLineAssembler assembler("fics% ");
    assembler.splitServerText("queued\n" + k70 + "\npartial");
    ASSERT_TRUE(assembler.hasInput());
    assembler.reset();
    EXPECT_FALSE(assembler.hasInput());
    EXPECT_EQ(assemble(assembler, "fics% ", 0), Items { line("fics% ") });
}
