#include "app/InstanceMessage.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

using Files = std::vector<std::string>;

TEST(InstanceMessage, RoundTripsAndEveryPrefixWaitsForMore)
{
    const std::pair<const char*, Files> rows[] = {
        { "no file: raise the window", {} },
        { "line break, colon and UTF-8 in names", { "/a/b\n12:/c", "/d/\xC3\xA9t\xC3\xA9.pgn" } },
        { "longest path", { "/" + std::string(kMaxInstancePathLength - 1, 'p') } },
        { "most files", Files(kMaxInstanceFiles, "/f") },
    };
    for (const auto& [name, files] : rows) {
        std::string message = encodeInstanceMessage(files).valueOr("");
        Result<InstanceMessageRead> whole = readInstanceMessage(message);
        ASSERT_TRUE(whole && whole->complete) << name;
        EXPECT_EQ(whole->files, files) << name;
        for (std::size_t size = 0; size < message.size(); ++size) {
            Result<InstanceMessageRead> part = readInstanceMessage(message.substr(0, size));
            ASSERT_TRUE(part && !part->complete) << name << ", prefix of " << size << " bytes";
        }
    }
}

TEST(InstanceMessage, RefusesPathsItCannotSendAndBytesThatCannotBecomeAMessage)
{
    const std::pair<const char*, Files> unsendable[] = {
        { "relative", { "games.pgn" } },
        { "NUL byte", { std::string("/a\0b", 4) } },
        { "too long", { "/" + std::string(kMaxInstancePathLength, 'p') } },
        { "too many", Files(kMaxInstanceFiles + 1, "/f") },
    };
    for (const auto& [name, files] : unsendable)
        EXPECT_FALSE(encodeInstanceMessage(files).ok()) << name;

    const std::pair<const char*, std::string> malformed[] = {
        { "another program's greeting", "GET / HTTP/1.1\r\n" },
        { "count above the limit", "VMK-OPEN " + std::to_string(kMaxInstanceFiles + 1) },
        { "huge length announced", "VMK-OPEN 1\n99999999999999999999999" },
        { "zero length", "VMK-OPEN 1\n0:\n" },
        { "relative path", "VMK-OPEN 1\n5:a.pgn\n" },
        { "NUL before the path's end arrived", std::string("VMK-OPEN 1\n9:/a\0", 16) },
        { "path longer than its length", "VMK-OPEN 1\n3:/abc\n" },
        { "trailing bytes", "VMK-OPEN 1\n2:/a\nmore" },
    };
    for (const auto& [name, bytes] : malformed)
        EXPECT_FALSE(readInstanceMessage(bytes).ok()) << name;
}

} // namespace
