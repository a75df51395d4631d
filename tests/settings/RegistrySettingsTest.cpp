#include "settings/RegistrySettings.h"

#include <array>
#include <cstring>

#include <gtest/gtest.h>

#include "support/MemorySettingsStore.h"

using namespace velmorak;

namespace {

RegistryValue text(const std::string& s)
{
    return RegistryValue::binary(s.data(), s.size());
}

class RegistrySettingsTest : public ::testing::Test {
protected:
    MemorySettingsStore store;
    RegistrySettings settings { store };
};

TEST_F(RegistrySettingsTest, EveryTypeHasItsStorageFormAndReadsBack)
{
    settings.writeBool("Bool", true);
    settings.writeInt("Int", -2);
    settings.writeDouble("Double", 1.5);
    settings.writeString("String", "C:\\path with spaces");
    const std::uint8_t blob[] = { 0, 1, 2 };
    settings.writeBlob("Blob", blob);
    const bool bools[] = { true, false, true };
    settings.writeBoolList("BoolList", bools);
    const std::array<int, 4> ints { 12, 0, -7, 2147483647 };
    settings.writeIntList("IntList", ints);
    const std::array<std::string, 3> strings { "a,b", "say \"hi\"", "" };
    settings.writeStringList("StringList", strings);

    const std::uint8_t onePointFive[] = { 0, 0, 0, 0, 0, 0, 0xF8, 0x3F };
    EXPECT_EQ(store.values,
        (decltype(store.values) { { "Blob", RegistryValue::binary(blob, 3) },
            { "Bool", RegistryValue::dword(1) }, { "BoolList", text("101") },
            { "Double", RegistryValue::binary(onePointFive, 8) },
            { "Int", RegistryValue::dword(0xFFFFFFFE) }, { "IntList", text("12,0,-7,2147483647") },
            { "String", text("C:\\path with spaces") },
            { "StringList", text("\"a,b\",\"say \"\"hi\"\"\",\"\"") } }));

    bool flag = false;
    int number = 0;
    double real = 0;
    std::string s;
    std::array<std::string, 5> stringsRead;
    EXPECT_TRUE(settings.readBool("Bool", flag) && flag);
    EXPECT_TRUE(settings.readInt("Int", number) && number == -2);
    EXPECT_TRUE(settings.readDouble("Double", real) && real == 1.5);
    EXPECT_TRUE(settings.readString("String", s) && s == "C:\\path with spaces");
    EXPECT_EQ(settings.readStringList("StringList", stringsRead), 3);
    EXPECT_TRUE(std::equal(strings.begin(), strings.end(), stringsRead.begin()));
}

TEST_F(RegistrySettingsTest, ListReadingRules)
{
    struct Row {
        const char *name, *stored;
        std::vector<int> ints;
    };
    const Row intRows[] = {
        { "plain list", "12,0,7", { 12, 0, 7 } },
        { "every run of digits is a number", "a1b22 333", { 1, 22, 333 } },
        { "a minus sign belongs to its digits", "-5,3", { -5, 3 } },
        { "a number too large saturates", "99999999999,1", { 2147483647, 1 } },
        { "empty text", "", {} },
        { "a longer list is cut at the capacity", "1,2,3,4,5", { 1, 2, 3 } },
    };
    for (const Row& row : intRows) {
        store.values["L"] = text(row.stored);
        std::array<int, 3> values {};
        int count = settings.readIntList("L", values);
        EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + count), row.ints) << row.name;
    }

    store.values["B"] = text("1x0");
    std::array<bool, 4> bools { false, true, true, true };
    EXPECT_EQ(settings.readBoolList("B", bools), 2) << "other characters are skipped";
    EXPECT_EQ(bools, (std::array<bool, 4> { true, false, true, true }))
        << "elements past the count are untouched";

    store.values["S"] = text("junk\"one\" , \"two\"\"x\"tail\"cut");
    std::array<std::string, 4> strings;
    EXPECT_EQ(settings.readStringList("S", strings), 2) << "an unclosed element is dropped";
    EXPECT_EQ(strings[0], "one");
    EXPECT_EQ(strings[1], "two\"x");

    std::array<double, 2> doubles { 1, 2 };
    const double some[] = { 1.0, 2.0 };
    EXPECT_FALSE(settings.writeDoubleList("D", some));
    EXPECT_EQ(store.values.count("D"), 0u);
    store.values["D"] = text("1.5,2.5");
    EXPECT_EQ(settings.readDoubleList("D", doubles), 0);
}

TEST_F(RegistrySettingsTest, WrongOrDamagedValuesLeaveTheOutputUntouched)
{
    store.values["Text"] = text("abc");
    store.values["Seven"] = RegistryValue::binary("1234567", 7);
    store.values["Dword"] = RegistryValue::dword(5);
    int number = 77;
    double real = 7.5;
    std::string s = "keep";
    bool flag = false;
    std::array<std::uint8_t, 2> small { 9, 9 };
    std::size_t length = 99;
    EXPECT_FALSE(settings.readInt("Text", number) || settings.readInt("Missing", number) ||
        settings.readDouble("Seven", real) || settings.readDouble("Dword", real) ||
        settings.readString("Dword", s) || settings.readBlob("Text", small, length));
    EXPECT_EQ(number, 77);
    EXPECT_EQ(real, 7.5);
    EXPECT_EQ(s, "keep");
    EXPECT_EQ(small[0], 9);
    EXPECT_EQ(length, 99u);
    EXPECT_TRUE(settings.readBool("Dword", flag) && flag) << "any non-zero number is true";
}

TEST_F(RegistrySettingsTest, StringsAreReadThroughTheLimitAndNothingIsCached)
{
    const std::pair<RegistryValue, std::string> rows[] = {
        { text(std::string(3000, 'x')), std::string(RegistrySettings::kMaxStringRead, 'x') },
        { RegistryValue::binary("abc\0def", 7), "abc" },
        { RegistryValue::string("typed by hand"), "typed by hand" },
    };
    for (const auto& [stored, expected] : rows) {
        store.values["S"] = stored;
        std::string s;
        EXPECT_TRUE(settings.readString("S", s) && s == expected) << expected.substr(0, 20);
    }
    settings.writeInt("A", 1);
    store.values["A"] = RegistryValue::dword(2);
    store.failWrites = true;
    EXPECT_FALSE(settings.writeInt("A", 3));
    int number = 0;
    EXPECT_TRUE(settings.readInt("A", number) && number == 2);
}

} // namespace
