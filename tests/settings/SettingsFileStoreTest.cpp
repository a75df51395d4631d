#include "platform/SettingsFileStore.h"

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "settings/AppSettings.h"
#include "support/FailingFileCalls.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info { };
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(SettingsFileStore, SettingsSurviveARestartInARealFile)
{
    TempFolder folder;
    std::string path = folder.file("config/Brindleworks/Velmorak/settings.reg");
    {
        SettingsFileStore store(path);
        RegistrySettings settings(store);
        AppSettings options;
        options.load(settings);
        options.sound = false;
        options.announceMode = 2;
        options.servers[1].handle = "player";
        options.servers[1].password = "secret";
        options.engine = "VelmoEngine.vme";
        options.save(settings);
        EXPECT_EQ(store.lastError(), "");
    }
    SettingsFileStore store(path);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_FALSE(options.sound);
    EXPECT_EQ(options.announceMode, 2);
    EXPECT_EQ(options.servers[1].handle, "player");
    EXPECT_EQ(options.servers[1].password, "secret");
    EXPECT_EQ(options.engine, "VelmoEngine.vme");

    EXPECT_EQ(modeOf(path), 0600u) << "the file may hold passwords";
    EXPECT_EQ(modeOf(folder.file("config/Brindleworks/Velmorak")), 0700u);
    std::string text = TempFolder::read(path);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("\"IDC_CBSOUND\"=dword:00000000\n"), std::string::npos);
}

TEST(SettingsFileStore, ValuesOfANewerVersionSurviveAndALinkStaysLinked)
{
    TempFolder folder;
    std::string target = folder.file("kept-elsewhere.reg");
    std::string link = folder.file("settings.reg");
    TempFolder::write(target,
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"
        "\"FutureOption\"=hex(7):41,00,00,00\n"
        "\"IDC_CBSOUND\"=dword:00000000\n"
        "\"FutureText\"=\"kept\"\n");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    SettingsFileStore store(link);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_FALSE(options.sound);
    options.announceMode = 2;
    options.save(settings);
    struct stat info { };
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    std::string text = TempFolder::read(target);
    EXPECT_NE(text.find("\"FutureOption\"=hex(7):41,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"FutureText\"=\"kept\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"IDC_CBANNOUNCE\"=dword:00000002\n"), std::string::npos);
}

TEST(SettingsFileStore, MissingFileReadsAsEmptyAndAnUnreadableOneIsNeverReplaced)
{
    TempFolder folder;
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
        EXPECT_NE(notAFile.lastError(), "") << name;
    }
}

TEST(SettingsFileStore, WritersAtTheSameTimeKeepEachOthersValues)
{
    TempFolder folder;
    const std::string path = folder.file("settings.reg");
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

TEST(SettingsFileStore, LoadAndSaveEachReplaceTheFileOnce)
{
    TempFolder folder;
    std::string path = folder.file("settings.reg");
    FailingFileCalls calls;
    SettingsFileStore store(path, &calls);
    auto renames = [&] { return std::count(calls.log.begin(), calls.log.end(), "rename"); };
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_EQ(renames(), 1) << "the six missing view flags in one write";
    options.load(settings);
    EXPECT_EQ(renames(), 1) << "nothing missing, nothing written";
    options.sound = false;
    EXPECT_TRUE(options.save(settings));
    EXPECT_EQ(renames(), 2);

    AppSettings reloaded;
    reloaded.load(settings);
    EXPECT_FALSE(reloaded.sound);

    calls.failCall = "rename";
    std::string before = TempFolder::read(path);
    reloaded.sound = true;
    EXPECT_FALSE(reloaded.save(settings)) << "a lost save is reported";
    EXPECT_EQ(TempFolder::read(path), before);
    EXPECT_EQ(folder.entryCount(), 1) << "the temporary file is removed";
}

TEST(SettingsFileStore, DefaultPathFollowsTheEnvironment)
{
    std::string saved = std::getenv("VELMORAK_CONFIG") ? std::getenv("VELMORAK_CONFIG") : "";
    ::setenv("VELMORAK_CONFIG", "/x/settings.reg", 1);
    EXPECT_EQ(defaultSettingsPath(), "/x/settings.reg");
    ::unsetenv("VELMORAK_CONFIG");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(defaultSettingsPath(), "/cfg/Brindleworks/Velmorak/settings.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(defaultSettingsPath(), "/home/u/.config/Brindleworks/Velmorak/settings.reg");
    if (!saved.empty())
        ::setenv("VELMORAK_CONFIG", saved.c_str(), 1);
}

} // namespace
