#include "settings/RegistryFile.h"

#include <gtest/gtest.h>

#include "support/TableFile.h"

using namespace velmorak;

namespace {

const std::string kKeyLine = "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]";

RegistryFile parsed(const std::string& text)
{
    RegistryFile file;
    file.parse(text);
    return file;
}

std::string fileWith(const std::string& lines)
{
    return "Windows Registry Editor Version 5.00\n\n" + kKeyLine + "\n" + lines;
}

TEST(RegistryFile, ReadsEachKindOfValueUnderTheSettingsKeyOnly)
{
    const std::uint8_t bytes[] = { 0x01, 0xFF, 0x7A, 0x04 };
    const std::pair<const char*, std::optional<RegistryValue>> rows[] = {
        { "Int", RegistryValue::dword(42) },
        { "int", RegistryValue::dword(42) }, // value names ignore case
        { "Neg", RegistryValue::dword(0xFFFFFFFF) },
        { "Bytes", RegistryValue::binary(bytes, 3) },
        { "Long", RegistryValue::binary(bytes, 4) },
        { "Empty", RegistryValue::binary(nullptr, 0) },
        { "Text", RegistryValue::string("say \"hi\" C:\\dir") },
        { "Twice", RegistryValue::dword(2) }, // the later definition wins
        { "Other", std::nullopt },
        { "Missing", std::nullopt },
    };
    RegistryFile file = parsed("Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\software\\Other]\n\"Other\"=dword:00000001\n\n"
                               "[hkey_current_user\\SOFTWARE\\brindleworks\\velmorak\\settings]\r\n"
                               "\"Int\"=dword:0000002a\r\n"
                               "\"Neg\"=dword:ffffffff\n"
                               "\"Bytes\"=hex:01,ff,7a\n"
                               "\"Long\"=hex:01,ff,\\\n  7a,04\n"
                               "\"Empty\"=hex:\n"
                               "\"Text\"=\"say \\\"hi\\\" C:\\\\dir\"\n"
                               "\"Twice\"=dword:00000001\n\"twice\"=dword:00000002\n");
    for (const auto& [name, value] : rows)
        EXPECT_EQ(file.value(name), value) << name;
}

TEST(RegistryFile, DamagedValuesReadAsMissing)
{
    const auto rows =
        readTableFile(VELMORAK_SOURCE_DIR "/tests/settings/settings-cases.txt", "damaged");
    ASSERT_GE(rows.size(), 12u);
    for (const TableRow& row : rows)
        EXPECT_FALSE(parsed(fileWith(row.at(2) + "\n")).value("V")) << row[1];
}

TEST(RegistryFile, RewriteKeepsEveryLineItDoesNotChange)
{
    const std::string original = "Windows Registry Editor Version 5.00\n"
                                 "; a comment someone wrote\n\n"
                                 "[HKEY_CURRENT_USER\\software\\Other]\n"
                                 "\"IDC_CBSOUND\"=dword:00000005\n\n" +
        kKeyLine +
        "\n"
        "\"FutureList\"=hex(7):41,00,00,00,00,00\n"
        "\"IDC_CBSOUND\"=dword:00000001\n"
        "garbage line ==\n"
        "\"FutureQword\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"Wrapped\"=hex:01,02,\\\n"
        "  03\n"
        "\n"
        "[HKEY_CURRENT_USER\\software\\Later]\n"
        "\"X\"=\"y\"\n";
    RegistryFile file = parsed(original);
    EXPECT_EQ(file.text(), original) << "reading alone changes nothing";

    ASSERT_TRUE(file.setValue("IDC_CBSOUND", RegistryValue::dword(0)));
    ASSERT_TRUE(file.setValue("NewValue", RegistryValue::string("new")));
    std::string expected = original;
    expected.replace(
        expected.find("\"IDC_CBSOUND\"=dword:00000001"), 28, "\"IDC_CBSOUND\"=dword:00000000");
    expected.insert(
        expected.find("\n\n[HKEY_CURRENT_USER\\software\\Later]") + 1, "\"NewValue\"=\"new\"\n");
    EXPECT_EQ(file.text(), expected)
        << "the changed value stays in place; a new one ends the key's block";
}

TEST(RegistryFile, WritesLeaveOneDefinitionAndMakeTheKeyWhenMissing)
{
    const std::pair<const char*, std::string> rows[] = {
        { "later definitions", fileWith("\"A\"=dword:00000001\n\"a\"=dword:00000002\n") },
        { "empty file", "" },
        { "another key only",
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n\"A\"=dword:5\n" },
        { "a dangling continuation", fileWith("\"Cut\"=hex:01,\\") },
    };
    for (const auto& [name, before] : rows) {
        RegistryFile file = parsed(before);
        ASSERT_TRUE(file.setValue("A", RegistryValue::dword(9))) << name;
        const std::string text = file.text();
        EXPECT_EQ(parsed(text).value("A"), RegistryValue::dword(9)) << name;
        EXPECT_FALSE(parsed(text).value("Cut")) << name;
    }
    RegistryFile twice = parsed(rows[0].second);
    ASSERT_TRUE(twice.setValue("A", RegistryValue::dword(9)));
    EXPECT_EQ(twice.text(), fileWith("\"A\"=dword:00000009\n")) << "in place, the other dropped";
    RegistryFile empty;
    ASSERT_TRUE(empty.setValue("A", RegistryValue::dword(1)));
    EXPECT_EQ(empty.text(), fileWith("\"A\"=dword:00000001\n"));
}

TEST(RegistryFile, ValuesRoundTripOrAreRefused)
{
    RegistryFile file;
    const std::string odd = "quote\" back\\slash \\\" end\\";
    ASSERT_TRUE(file.setValue(odd, RegistryValue::string(odd)));
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    RegistryValue big = RegistryValue::binary(bytes.data(), bytes.size());
    ASSERT_TRUE(file.setValue("Big", big));
    std::string text = file.text();
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        EXPECT_LE(end - start, 80u) << "binary values are wrapped like a registry export";
    }
    EXPECT_EQ(parsed(text).value(odd), RegistryValue::string(odd));
    EXPECT_EQ(parsed(text).value("Big"), big);

    EXPECT_FALSE(file.setValue("two\nlines", RegistryValue::dword(1)));
    EXPECT_FALSE(file.setValue("A", RegistryValue::string("two\nlines")));
    EXPECT_EQ(file.text(), text);
}

} // namespace
