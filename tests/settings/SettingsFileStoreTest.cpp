#include "platform/SettingsFileStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "settings/AppSettings.h"
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

TEST(SettingsFileStore, ValuesOfANewerVersionSurvive)
{
    TempFolder folder;
    std::string path = folder.file("settings.reg");
    TempFolder::write(path,
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"
        "\"FutureOption\"=hex(7):41,00,00,00\n"
        "\"IDC_CBSOUND\"=dword:00000000\n"
        "\"FutureText\"=\"kept\"\n");
    SettingsFileStore store(path);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_FALSE(options.sound);
    options.save(settings);
    std::string text = TempFolder::read(path);
    EXPECT_NE(text.find("\"FutureOption\"=hex(7):41,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"FutureText\"=\"kept\"\n"), std::string::npos);
}

TEST(SettingsFileStore, DamagedFileGivesDefaultsForWhatCannotBeRead)
{
    TempFolder folder;
    std::string path = folder.file("settings.reg");
    TempFolder::write(path,
        std::string(
            "\x01\x02 binary junk\n[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\"
            "Settings]\n\"IDC_CBCOACH\"=dword:1\n\"IDC_CBHASHTABLESIZE\"=hex:80,\n"
            "\"IDC_CBANIMATION\"=\"fast\"\n\"IDC_CBSOUND\"=dword:zz\n\"IDC_CBENGINE\"=hex:41,4"));
    SettingsFileStore store(path);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_TRUE(options.coach);
    EXPECT_EQ(options.hashTableSize, 64);
    EXPECT_EQ(options.animation, 2);
    EXPECT_TRUE(options.sound);
    EXPECT_EQ(options.engine, "A\x04");
}

TEST(SettingsFileStore, MissingFileReadsAsEmptyAndAnUnreadableOneIsNeverReplaced)
{
    TempFolder folder;
    SettingsFileStore missing(folder.file("none.reg"));
    EXPECT_FALSE(missing.readValue("IDC_CBSOUND"));

    std::string path = folder.file("taken");
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    SettingsFileStore notAFile(path);
    EXPECT_FALSE(notAFile.writeValue("A", RegistryValue::dword(1)));
    EXPECT_NE(notAFile.lastError(), "");
}

TEST(SettingsFileStore, AFailedWriteKeepsTheOldFile)
{
    TempFolder folder;
    std::string path = folder.file("settings.reg");
    SettingsFileStore store(path);
    ASSERT_TRUE(store.writeValue("A", RegistryValue::dword(1)));
    std::string before = TempFolder::read(path);

    class RenameFails : public FileSystemCalls {
        int rename(const char*, const char*) override
        {
            errno = EIO;
            return -1;
        }
    } renameFails;
    SettingsFileStore failing(path, &renameFails);
    EXPECT_FALSE(failing.writeValue("A", RegistryValue::dword(2)));
    EXPECT_EQ(TempFolder::read(path), before);
    EXPECT_EQ(folder.entryCount(), 1);
}

TEST(SettingsFileStore, ALinkedSettingsFileStaysLinked)
{
    TempFolder folder;
    std::string target = folder.file("kept-elsewhere.reg");
    std::string link = folder.file("settings.reg");
    TempFolder::write(target, "");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    SettingsFileStore store(link);
    ASSERT_TRUE(store.writeValue("A", RegistryValue::dword(1)));
    struct stat info { };
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_NE(TempFolder::read(target).find("\"A\"=dword:00000001"), std::string::npos);
}

// Counts the files put in place.
class CountingCalls : public FileSystemCalls {
public:
    int renames = 0;
    bool failRename = false;
    int rename(const char* from, const char* to) override
    {
        ++renames;
        if (failRename) {
            errno = EIO;
            return -1;
        }
        return FileSystemCalls::rename(from, to);
    }
};

TEST(SettingsFileStore, LoadAndSaveEachReplaceTheFileOnce)
{
    TempFolder folder;
    std::string path = folder.file("settings.reg");
    CountingCalls calls;
    SettingsFileStore store(path, &calls);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    EXPECT_EQ(calls.renames, 1) << "the six missing view flags in one write";
    options.load(settings);
    EXPECT_EQ(calls.renames, 1) << "nothing missing, nothing written";
    options.sound = false;
    EXPECT_TRUE(options.save(settings));
    EXPECT_EQ(calls.renames, 2);

    AppSettings reloaded;
    reloaded.load(settings);
    EXPECT_FALSE(reloaded.sound);

    calls.failRename = true;
    std::string before = TempFolder::read(path);
    reloaded.sound = true;
    EXPECT_FALSE(reloaded.save(settings)) << "a lost save is reported";
    EXPECT_EQ(TempFolder::read(path), before);
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
