// Safe file replacement and the file lock every writer of the program goes through.
#include "base/AtomicFile.h"

#include <string>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/RegularFile.h"
#include "support/FailingFileCalls.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

// Every test works in a fresh folder, most of them on one file in it.
class AtomicFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string path = folder.file("settings.reg");
};

// The file held locked by this process, for the waiters of the FileLock tests.
class FileLockTest : public AtomicFileTest {
protected:
    Result<FileLock> holdLock(const std::string& text)
    {
        TempFolder::write(path, text);
        return FileLock::acquire(path, {});
    }
};

TEST_F(AtomicFileTest, AFailureAtAnyStepLeavesTheOldFileIntactAndShortWritesAreContinued)
{
    struct Row {
        const char* name;
        const char* call;
        std::size_t writeLimit, writeChunk;
        const char* message; // null: the file is replaced
    };
    const Row rows[] = {
        { "disk full before the first byte", "write", SIZE_MAX, SIZE_MAX, "cannot write" },
        { "disk full after 7 bytes", "", 7, SIZE_MAX, "cannot write" },
        { "sync fails", "fsync", SIZE_MAX, SIZE_MAX, "cannot sync" },
        { "close fails", "close", SIZE_MAX, SIZE_MAX, "cannot close" },
        { "rename fails", "rename", SIZE_MAX, SIZE_MAX, "cannot rename" },
        { "writes of 3 bytes at a time", "", SIZE_MAX, 3, nullptr },
    };
    const std::string contents = std::string(5000, 'n') + "end";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder::write(path, "old contents\n");
        FailingFileCalls calls;
        calls.failCall = row.call;
        calls.writeLimit = row.writeLimit;
        calls.writeChunk = row.writeChunk;
        Status written = writeFileAtomically(path, contents, 0600, &calls);
        EXPECT_EQ(written.ok(), row.message == nullptr);
        if (row.message && !written.ok()) {
            EXPECT_NE(written.error().message.find(row.message), std::string::npos)
                << written.error().message;
        }
        EXPECT_EQ(TempFolder::read(path), row.message ? "old contents\n" : contents);
        EXPECT_EQ(folder.entryCount(), 1) << "the temporary file is removed";
    }
}

TEST_F(AtomicFileTest, OnlyRegularFilesAreReplacedAndLinksAtTheirTarget)
{
    const std::string fifo = folder.file("fifo");
    const std::string book = folder.file("real.kbk");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    TempFolder::write(book, "old");
    ASSERT_EQ(::symlink("fifo", folder.file("to-fifo").c_str()), 0);
    ASSERT_EQ(::symlink("real.kbk", folder.file("to-book").c_str()), 0);
    ASSERT_EQ(::symlink(book.c_str(), folder.file("to-link").c_str()), 0);
    ASSERT_EQ(::symlink("loop", folder.file("loop").c_str()), 0);
    struct Row {
        const char* name;
        const char* path;
        std::optional<ErrorKind> refused;
    } rows[] = {
        { "a FIFO", "fifo", ErrorKind::WrongFileType },
        { "a link to a FIFO", "to-fifo", ErrorKind::WrongFileType },
        { "a folder", ".", ErrorKind::WrongFileType },
        { "a link loop", "loop", ErrorKind::WrongFileType },
        { "a missing folder", "no/such/file", ErrorKind::NotFound },
        { "a link", "to-book", std::nullopt },
        { "a link to a link", "to-link", std::nullopt },
        { "a new file", "new", std::nullopt },
    };
    for (const Row& row : rows) {
        const std::string file = folder.file(row.path);
        Status written = writeFileAtomically(file, row.name);
        if (!row.refused) {
            ASSERT_TRUE(written) << row.name << ": " << written.error().message;
            EXPECT_EQ(TempFolder::read(file), row.name);
        } else {
            ASSERT_FALSE(written) << row.name;
            EXPECT_EQ(written.error().kind, *row.refused) << row.name;
        }
    }
    struct stat info { };
    EXPECT_TRUE(::lstat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(::lstat(folder.file("to-link").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_EQ(folder.entryCount(), 7) << "nothing left beside the files";

    // Reading a FIFO would block until a writer comes: it is refused at once.
    Result<int> opened = openRegularFile(fifo, O_RDONLY);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().kind, ErrorKind::WrongFileType);
}

TEST_F(FileLockTest, AWaiterLocksTheFileThatReplacedTheOneItWaitedFor)
{
    Result<FileLock> held = holdLock("old");
    ASSERT_TRUE(held);

    // The holder replaces the file and lets go: the waiter locks the new file, not the old.
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(writeFileAtomically(path, "new"));
        held->release();
    });
    Result<FileLock> waited = FileLock::acquire(path, {});
    holder.join();
    ASSERT_TRUE(waited);
    char text[4] = {};
    EXPECT_EQ(::pread(waited->fd(), text, 3, 0), 3);
    EXPECT_STREQ(text, "new");
}

TEST_F(FileLockTest, AWaitMeasuredByAFakeClockPassesWithoutSleeping)
{
    Result<FileLock> held = holdLock("held");
    ASSERT_TRUE(held);
    test::FakeClock clock;
    FileLock::Options options;
    options.wait = std::chrono::hours(1);
    options.clock = &clock;
    const auto started = std::chrono::steady_clock::now();
    Result<FileLock> waited = FileLock::acquire(path, options);
    ASSERT_FALSE(waited);
    EXPECT_EQ(waited.error().kind, ErrorKind::Conflict);
    EXPECT_GE(clock.ticks() - test::FakeClock().ticks(), 3600 * 1000);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

} // namespace
