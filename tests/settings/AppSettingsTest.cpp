#include "settings/AppSettings.h"

#include <set>

#include <gtest/gtest.h>

#include "settings/RegistryFile.h"
#include "support/MemorySettingsStore.h"
#include "support/TableFile.h"

using namespace velmorak;

namespace {

constexpr int kScreenLayout = 3;
const std::string kCases = VELMORAK_SOURCE_DIR "/tests/settings/settings-cases.txt";

const char* const kViewFlags[] = { "IDC_CBGAMETAGS", "IDC_CBGAMECOMMENTS", "IDC_CBGAMEVARIATIONS",
    "IDC_CBTAGS", "IDC_CBCOMMENTS", "IDC_CBVARIATIONS" };

TEST(AppSettings, EmptyStoreGivesTheDefaultsAndWritesTheViewFlags)
{
    MemorySettingsStore store;
    RegistrySettings settings(store);
    AppSettings options(kScreenLayout);
    options.autoAnswer = false;
    options.engine = "left over";
    options.load(settings);

    // Loading starts from the defaults, whatever the fields held.
    for (const OptionSpec& option : AppSettings::table())
        EXPECT_TRUE(options.isDefault(option)) << option.name;
    EXPECT_EQ(options.boardTextureBitmap(), 155);
    EXPECT_EQ(options.boardSize, kScreenLayout);
    EXPECT_EQ(options.servers[1].port, 5026);

    std::set<std::string> written;
    for (const auto& [name, value] : store.values) {
        written.insert(name);
        EXPECT_EQ(value, RegistryValue::dword(1)) << name;
    }
    EXPECT_EQ(written, std::set<std::string>(std::begin(kViewFlags), std::end(kViewFlags)));

    // A stored view flag is read, not rewritten.
    store.values["IDC_CBTAGS"] = RegistryValue::dword(0);
    int writesBefore = store.writeCount;
    options.load(settings);
    EXPECT_FALSE(options.tags);
    EXPECT_EQ(store.writeCount, writesBefore);
}

TEST(AppSettings, LoadRulesAndStoredTypes)
{
    const auto rows = readTableFile(kCases, "load");
    ASSERT_GE(rows.size(), 13u);
    for (const TableRow& row : rows) {
        RegistryFile file; // the stored value written as in the settings file
        file.parse(
            "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n\"V\"=" + row.at(3));
        ASSERT_TRUE(file.value("V")) << row[1];
        MemorySettingsStore store;
        store.values[row.at(2)] = *file.value("V");
        RegistrySettings settings(store);
        AppSettings options(kScreenLayout);
        options.load(settings);
        const OptionSpec* option = AppSettings::find(row[2]);
        ASSERT_NE(option, nullptr) << row[1];
        EXPECT_EQ(options.displayValue(*option), row.at(4)) << row[1];
    }
}

TEST(AppSettings, SaveAndLoadRoundTripEveryOption)
{
    AppSettings changed(kScreenLayout);
    // Give every option a value other than its default.
    for (const OptionSpec& option : AppSettings::table()) {
        std::string text;
        if (option.kind == OptionKind::Bool)
            text.assign(1, option.defaultNumber ? '0' : '1');
        else if (option.kind == OptionKind::String)
            text = std::string(option.name).append(" text");
        else
            text = std::to_string(
                option.defaultNumber == option.maximum ? option.minimum : option.maximum);
        if (option.name == "IDM_SIZE_BOARD")
            text = "9";
        ASSERT_TRUE(changed.setFromText(option, text).ok()) << option.name;
        EXPECT_FALSE(changed.isDefault(option)) << option.name;
    }
    MemorySettingsStore store;
    RegistrySettings settings(store);
    changed.save(settings);
    EXPECT_EQ(store.values.size(), AppSettings::table().size());
    EXPECT_EQ(store.values["IDC_CBSOUND"], RegistryValue::dword(0)) << "Bool as dword 0 or 1";
    EXPECT_EQ(store.values["ICC.IDC_STHANDLE"].type, RegistryType::Binary);

    AppSettings reloaded(kScreenLayout);
    reloaded.load(settings);
    for (const OptionSpec& option : AppSettings::table())
        EXPECT_EQ(reloaded.displayValue(option), changed.displayValue(option)) << option.name;
    EXPECT_EQ(reloaded.servers[1].password, "ICC.IDC_STPASSWORD text");
    EXPECT_EQ(reloaded.displayValue(*AppSettings::find("ICC.IDC_STPASSWORD")), "(set, hidden)");
}

TEST(AppSettings, SettingFromTextChecksTheValue)
{
    const auto rows = readTableFile(kCases, "set");
    ASSERT_GE(rows.size(), 15u);
    for (const TableRow& row : rows) {
        const OptionSpec* option = AppSettings::find(row.at(1));
        ASSERT_NE(option, nullptr) << row[1];
        AppSettings options;
        const std::string before = options.displayValue(*option);
        Status set = options.setFromText(*option, row.at(2));
        EXPECT_EQ(set.ok(), row.at(3) == "taken") << row[1] << " " << row[2];
        if (!set.ok()) {
            EXPECT_NE(set.error().message.find(row[3]), std::string::npos) << set.error().message;
            EXPECT_EQ(options.displayValue(*option), before) << "a refusal changes nothing";
        }
    }
    // A line break cannot be written in the case table.
    AppSettings options;
    Status twoLines = options.setFromText(*AppSettings::find("IDC_CBENGINE"), "two\nlines");
    ASSERT_FALSE(twoLines);
    EXPECT_NE(twoLines.error().message.find("cannot hold line breaks"), std::string::npos);
    EXPECT_EQ(AppSettings::find("idc_cbsound"), AppSettings::find("IDC_CBSOUND"));
    EXPECT_EQ(AppSettings::find("LEVEL_MODE"), nullptr) << "owned by the clocks, not listed";
}

} // namespace
