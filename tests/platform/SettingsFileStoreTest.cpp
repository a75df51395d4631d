#include "platform/SettingsFileStore.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "base/RegularFile.h"
#include "settings/AppSettings.h"
#include "support/FailingFileCalls.h"
#include "support/FakeClock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info { };
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

// Every test works in a fresh folder, most of them on one file in it.
class FolderTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string path = folder.file("settings.reg");
};
using SettingsFileStoreTest = FolderTest;
using AtomicFileTest = FolderTest;

// The file held locked by this process, for the waiters of the FileLock tests.
class FileLockTest : public FolderTest {
protected:
    Result<FileLock> holdLock(const std::string& text)
    {
        TempFolder::write(path, text);
        return FileLock::acquire(path, {});
    }
};

TEST_F(SettingsFileStoreTest, ValuesOfANewerVersionSurviveAndALinkStaysLinked)
{
    const std::string target = folder.file("kept-elsewhere.reg");
    TempFolder::write(target,
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"
        "\"FutureOption\"=hex(7):41,00,00,00\n"
        "\"IDC_CBSOUND\"=dword:00000000\n"
        "\"FutureText\"=\"kept\"\n");
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    SettingsFileStore store(path);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_FALSE(options.sound);
    options.announceMode = 2;
    options.save(settings);
    struct stat info { };
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    const std::string text = TempFolder::read(target);
    for (const char* line : { "\"FutureOption\"=hex(7):41,00,00,00\n", "\"FutureText\"=\"kept\"\n",
             "\"IDC_CBANNOUNCE\"=dword:00000002\n" })
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(SettingsFileStoreTest, MissingFileReadsAsEmptyAndAnUnreadableOneIsNeverReplaced)
{
    SettingsFileStore missing(folder.file("none.reg"));
    EXPECT_FALSE(missing.readValue("IDC_CBSOUND"));
    EXPECT_TRUE(missing.checkReadable());

    // A folder, and a FIFO (which would block a reader), are no settings files.
    ASSERT_EQ(::mkdir(folder.file("taken").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (const char* name : { "taken", "fifo" }) {
        SettingsFileStore notAFile(folder.file(name));
        EXPECT_FALSE(notAFile.checkReadable()) << name;
        EXPECT_FALSE(notAFile.writeValue("A", RegistryValue::dword(1))) << name;
        ASSERT_FALSE(notAFile.lastStatus()) << name;
        EXPECT_EQ(notAFile.lastStatus().error().kind, ErrorKind::WrongFileType) << name;
    }
}

TEST_F(SettingsFileStoreTest, WritersAtTheSameTimeKeepEachOthersValues)
{
    // Each writer adds values of its own; a read-change-write of the other in between
    // would drop one.
    auto writer = [&](std::string name) {
        SettingsFileStore store(path);
        for (int i = 0; i < 25; ++i)
            EXPECT_TRUE(store.writeValue(name + std::to_string(i), RegistryValue::dword(1)));
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    first.join();
    second.join();
    SettingsFileStore store(path);
    for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(store.readValue("First" + std::to_string(i))) << i;
        EXPECT_TRUE(store.readValue("Second" + std::to_string(i))) << i;
    }
}

TEST_F(SettingsFileStoreTest, LoadAndSaveEachReplaceTheFileOnceAndSurviveARestart)
{
    const std::string dir = folder.file("config/Brindleworks/Velmorak");
    const std::string file = dir + "/settings.reg";
    FailingFileCalls calls;
    SettingsFileStore store(file, &calls);
    auto renames = [&] { return std::count(calls.log.begin(), calls.log.end(), "rename"); };
    RegistrySettings settings(store);
    AppSettings saved;
    saved.load(settings);
    EXPECT_EQ(renames(), 1) << "the six missing view flags in one write";
    saved.load(settings);
    EXPECT_EQ(renames(), 1) << "nothing missing, nothing written";
    saved.sound = false;
    saved.servers[1].handle = "player";
    saved.servers[1].password = "secret";
    saved.engine = "VelmoEngine.vme";
    EXPECT_TRUE(saved.save(settings)) << store.lastStatus().error().message;
    EXPECT_EQ(renames(), 2);
    EXPECT_EQ(modeOf(file), 0600u) << "the file may hold passwords";
    EXPECT_EQ(modeOf(dir), 0700u);

    SettingsFileStore restarted(file);
    RegistrySettings reread(restarted);
    AppSettings options;
    options.load(reread);
    for (const OptionSpec& option : AppSettings::table())
        EXPECT_EQ(options.displayValue(option), saved.displayValue(option)) << option.name;
    EXPECT_EQ(options.servers[1].password, "secret") << "shown hidden, so compared here";

    calls.failCall = "rename";
    const std::string before = TempFolder::read(file);
    saved.sound = true;
    EXPECT_FALSE(saved.save(settings)) << "a lost save is reported";
    EXPECT_EQ(TempFolder::read(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1)
        << "the temporary file is removed";
}

TEST_F(SettingsFileStoreTest, AWriteRemovesTheCopiesThatKilledWritesLeft)
{
    for (const char* name :
        { "settings.reg.tmp-4242-1", "settings.reg.tmp-17-3", "settings.reg.tmp" })
        TempFolder::write(folder.file(name), "a copy with a password");
    TempFolder::write(folder.file("settings.reg.tmp-mine"), "not a name the writer gives");
    SettingsFileStore store(path);
    ASSERT_TRUE(store.writeValue("IDC_CBSOUND", RegistryValue::dword(0)))
        << store.lastStatus().error().message;
    EXPECT_EQ(folder.entryCount(), 2) << "the settings and the file of another name";
    EXPECT_NE(TempFolder::read(folder.file("settings.reg.tmp-mine")), "");
}

TEST_F(SettingsFileStoreTest, DefaultPathFollowsTheEnvironment)
{
    ScopedEnvironment home("HOME", "/home/u");
    ScopedEnvironment xdg("XDG_CONFIG_HOME", std::nullopt);
    {
        ScopedEnvironment config("VELMORAK_CONFIG", "/x/settings.reg");
        EXPECT_EQ(defaultSettingsPath(), "/x/settings.reg");
    }
    ScopedEnvironment config("VELMORAK_CONFIG", std::nullopt);
    EXPECT_EQ(defaultSettingsPath(), "/home/u/.config/Brindleworks/Velmorak/settings.reg");
    ScopedEnvironment cfg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(defaultSettingsPath(), "/cfg/Brindleworks/Velmorak/settings.reg");
}

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
        if (row.message && !written.ok())
            EXPECT_NE(written.error().message.find(row.message), std::string::npos)
                << written.error().message;
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
