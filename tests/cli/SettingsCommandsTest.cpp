#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace {

TEST(CliSettings, SetRefusesValuesOutsideTheOptionsRangeAndKeepsTheFile)
{
    TempFolder folder;
    const std::string file = folder.file("settings.reg");
    const std::string set = "settings --file '" + file + "' set ";
    ASSERT_EQ(runCli(set + "IDC_CBBOOKMODE 3").exitCode, 0);
    const std::string stored = TempFolder::read(file);
    ASSERT_NE(stored.find("\"IDC_CBBOOKMODE\"=dword:00000003"), std::string::npos) << stored;
    for (const char* refused : { "IDC_CBBOOKMODE 7", "IDC_CBHASHTABLESIZE 0" }) {
        CliResult result = runCli(set + refused);
        EXPECT_EQ(result.exitCode, 2) << refused;
        EXPECT_NE(result.err.find("takes a whole number from "), std::string::npos) << result.err;
        EXPECT_EQ(TempFolder::read(file), stored) << refused;
    }
}

} // namespace
