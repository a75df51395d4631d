// The settings file: its reading, its atomic writes under the lock, and its place.
#include "platform/SettingsFileStore.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/AppSettings.h"
#include "support/FailingFileCalls.h"
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

} // namespace
