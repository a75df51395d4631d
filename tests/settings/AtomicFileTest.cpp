#include "base/AtomicFile.h"

#include <optional>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/RegularFile.h"
#include "support/FailingFileCalls.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOldFileIntact)
{
    struct Row {
        const char* name;
        const char* call;
        std::size_t writeLimit;
        const char* message;
    };
    const Row rows[] = {
        { "disk full before the first byte", "write", SIZE_MAX, "cannot write" },
        { "disk full after 7 bytes", "", 7, "cannot write" },
        { "sync fails", "fsync", SIZE_MAX, "cannot sync" },
        { "close fails", "close", SIZE_MAX, "cannot close" },
        { "rename fails", "rename", SIZE_MAX, "cannot rename" },
    };
    for (const Row& row : rows) {
        TempFolder folder;
        std::string path = folder.file("settings.reg");
        TempFolder::write(path, "old contents\n");
        FailingFileCalls calls;
        calls.failCall = row.call;
        calls.writeLimit = row.writeLimit;
        Status written = writeFileAtomically(path, std::string(5000, 'n'), 0600, &calls);
        ASSERT_FALSE(written) << row.name;
        const std::string& message = written.error().message;
        EXPECT_NE(message.find(row.message), std::string::npos) << row.name << ": " << message;
        EXPECT_EQ(TempFolder::read(path), "old contents\n") << row.name;
        EXPECT_EQ(folder.entryCount(), 1) << row.name << ": the temporary file is removed";
    }
}

TEST(AtomicFile, ShortWritesAreContinuedAndTheFileReplaced)
{
    TempFolder folder;
    std::string path = folder.file("data");
    TempFolder::write(path, "old");

    // A write that takes 3 bytes at a time still writes everything.
    FailingFileCalls trickle;
    trickle.writeChunk = 3;
    std::string contents(1000, 'x');
    contents += "end";
    EXPECT_TRUE(writeFileAtomically(path, contents, 0600, &trickle).ok());
    EXPECT_EQ(TempFolder::read(path), contents);
    EXPECT_EQ(folder.entryCount(), 1);
}

TEST(AtomicFile, OnlyRegularFilesAreReplacedAndLinksAtTheirTarget)
{
    TempFolder folder;
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
        const std::string path = folder.file(row.path);
        Status written = writeFileAtomically(path, row.name);
        if (!row.refused) {
            ASSERT_TRUE(written) << row.name << ": " << written.error().message;
            EXPECT_EQ(TempFolder::read(path), row.name);
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

TEST(FileLock, AWaiterLocksTheFileThatReplacedTheOneItWaitedFor)
{
    TempFolder folder;
    const std::string path = folder.file("games.pgn");
    TempFolder::write(path, "old");
    Result<FileLock> held = FileLock::acquire(path, {});
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

} // namespace
