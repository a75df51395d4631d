#include "base/AtomicFile.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

using namespace velmorak;

namespace {

// Fails one step of the atomic write: after `writeLimit` bytes, or at the named call.
class FailingCalls : public FileSystemCalls {
public:
    enum class Step { None, Write, Fsync, Close, Rename };

    Step failAt = Step::None;
    std::size_t writeLimit = 0;
    std::size_t written = 0;

    ssize_t write(int fd, const void* data, std::size_t size) override
    {
        if (failAt == Step::Write) {
            if (written >= writeLimit) {
                errno = ENOSPC;
                return -1;
            }
            size = std::min(size, writeLimit - written);
        }
        ssize_t done = FileSystemCalls::write(fd, data, size);
        if (done > 0)
            written += static_cast<std::size_t>(done);
        return done;
    }
    int fsync(int fd) override
    {
        if (failAt == Step::Fsync) {
            errno = EIO;
            return -1;
        }
        return FileSystemCalls::fsync(fd);
    }
    int close(int fd) override
    {
        int result = FileSystemCalls::close(fd);
        if (failAt == Step::Close) {
            failAt = Step::None; // the folder's close must still work
            errno = EIO;
            return -1;
        }
        return result;
    }
    int rename(const char* from, const char* to) override
    {
        if (failAt == Step::Rename) {
            errno = EXDEV;
            return -1;
        }
        return FileSystemCalls::rename(from, to);
    }
};

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOldFileIntact)
{
    struct Row {
        const char* name;
        FailingCalls::Step step;
        std::size_t writeLimit;
        const char* message;
    };
    const Row rows[] = {
        { "disk full before the first byte", FailingCalls::Step::Write, 0, "cannot write" },
        { "disk full after 7 bytes", FailingCalls::Step::Write, 7, "cannot write" },
        { "sync fails", FailingCalls::Step::Fsync, 0, "cannot sync" },
        { "close fails", FailingCalls::Step::Close, 0, "cannot close" },
        { "rename fails", FailingCalls::Step::Rename, 0, "cannot rename" },
    };
    for (const Row& row : rows) {
        TempFolder folder;
        std::string path = folder.file("settings.reg");
        TempFolder::write(path, "old contents\n");
        FailingCalls calls;
        calls.failAt = row.step;
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
    class Trickle : public FileSystemCalls {
        ssize_t write(int fd, const void* data, std::size_t size) override
        {
            return FileSystemCalls::write(fd, data, std::min<std::size_t>(size, 3));
        }
    } trickle;
    std::string contents(1000, 'x');
    contents += "end";
    EXPECT_TRUE(writeFileAtomically(path, contents, 0600, &trickle).ok());
    EXPECT_EQ(TempFolder::read(path), contents);
    EXPECT_EQ(folder.entryCount(), 1);
}

TEST(AtomicFile, MissingFolderIsReported)
{
    TempFolder folder;
    Status written = writeFileAtomically(folder.file("no/such/file"), "x");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, ErrorKind::NotFound);
    EXPECT_NE(written.error().message.find("cannot create"), std::string::npos);
}

} // namespace
