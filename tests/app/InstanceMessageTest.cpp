#include "app/InstanceMessage.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

std::vector<std::string> decodeWhole(const std::string& bytes)
{
    Result<InstanceMessageRead> read = readInstanceMessage(bytes);
    EXPECT_TRUE(read.ok()) << (read.ok() ? "" : read.error().message);
    EXPECT_TRUE(read.ok() && read->complete);
    return read.ok() ? read->files : std::vector<std::string> {};
}

TEST(InstanceMessage, RoundTripsAndEveryPrefixWaitsForMore)
{
    struct Row {
        const char* name;
        std::vector<std::string> files;
    };
    const Row rows[] = {
        { "no file: raise the window", {} },
        { "one game", { "/home/ann/games.pgn" } },
        { "a book and a game", { "/srv/books/main.kbk", "/tmp/x.pgn" } },
        { "line break, colon and UTF-8 in a name",
            { "/a/b\n12:/c", "/d/Schach \xC3\xA9t\xC3\xA9.pgn" } },
        { "path of the longest length", { "/" + std::string(kMaxInstancePathLength - 1, 'p') } },
        { "as many files as allowed", std::vector<std::string>(kMaxInstanceFiles, "/f") },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Result<std::string> message = encodeInstanceMessage(row.files);
        ASSERT_TRUE(message.ok());
        EXPECT_EQ(decodeWhole(*message), row.files);
        for (std::size_t size = 0; size < message->size(); ++size) {
            Result<InstanceMessageRead> part = readInstanceMessage(message->substr(0, size));
            ASSERT_TRUE(part.ok()) << "prefix of " << size << " bytes";
            EXPECT_FALSE(part->complete) << "prefix of " << size << " bytes";
        }
    }
}

TEST(InstanceMessage, RefusesWhatItCannotSend)
{
    struct Row {
        const char* name;
        std::vector<std::string> files;
        ErrorKind kind;
    };
    const Row rows[] = {
        { "relative path", { "games.pgn" }, ErrorKind::InvalidInput },
        { "empty path", { "" }, ErrorKind::InvalidInput },
        { "NUL byte", { std::string("/a\0b", 4) }, ErrorKind::InvalidInput },
        { "path too long", { "/" + std::string(kMaxInstancePathLength, 'p') },
            ErrorKind::LimitExceeded },
        { "too many files", std::vector<std::string>(kMaxInstanceFiles + 1, "/f"),
            ErrorKind::LimitExceeded },
    };
    for (const Row& row : rows) {
        Result<std::string> message = encodeInstanceMessage(row.files);
        ASSERT_FALSE(message.ok()) << row.name;
        EXPECT_EQ(message.error().kind, row.kind) << row.name;
    }
}

TEST(InstanceMessage, RejectsMalformedBytesAsSoonAsTheyAreWrong)
{
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        { "another program's greeting", "GET / HTTP/1.1\r\n" },
        { "wrong case", "vmk-open 0\n" },
        { "negative count", "VMK-OPEN -1\n" },
        { "count with a leading zero", "VMK-OPEN 01\n" },
        { "no count", "VMK-OPEN \n" },
        { "count above the limit", "VMK-OPEN " + std::to_string(kMaxInstanceFiles + 1) },
        { "huge length announced", "VMK-OPEN 1\n99999999999999999999999" },
        { "length above the limit", "VMK-OPEN 1\n" + std::to_string(kMaxInstancePathLength + 1) },
        { "zero length", "VMK-OPEN 1\n0:\n" },
        { "relative path", "VMK-OPEN 1\n5:a.pgn\n" },
        { "NUL inside a path, before its end arrived", std::string("VMK-OPEN 1\n9:/a\0", 16) },
        { "path longer than its length", "VMK-OPEN 1\n3:/abc\n" },
        { "missing line break",
            "VMK-OPEN 1\n2:/a"
            "X" },
        { "more files than counted", "VMK-OPEN 0\n2:/a\n" },
        { "trailing bytes", "VMK-OPEN 1\n2:/a\nmore" },
    };
    for (const Row& row : rows) {
        Result<InstanceMessageRead> read = readInstanceMessage(row.bytes);
        EXPECT_FALSE(read.ok()) << row.name;
    }
}

} // namespace
