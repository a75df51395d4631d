#include "settings/RegistryFile.h"

#include <gtest/gtest.h>

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

TEST(RegistryFile, ReadsEachKindOfValue)
{
    RegistryFile file = parsed(fileWith("\"Int\"=dword:0000002a\n"
                                        "\"Neg\"=dword:ffffffff\n"
                                        "\"Bytes\"=hex:01,ff,7a\n"
                                        "\"Empty\"=hex:\n"
                                        "\"Text\"=\"say \\\"hi\\\" C:\\\\dir\"\n"));
    EXPECT_EQ(file.value("Int"), RegistryValue::dword(42));
    EXPECT_EQ(file.value("Neg"), RegistryValue::dword(0xFFFFFFFF));
    const std::uint8_t bytes[] = { 0x01, 0xFF, 0x7A };
    EXPECT_EQ(file.value("Bytes"), RegistryValue::binary(bytes, 3));
    EXPECT_EQ(file.value("Empty"), RegistryValue::binary(nullptr, 0));
    EXPECT_EQ(file.value("Text"), RegistryValue::string("say \"hi\" C:\\dir"));
    EXPECT_EQ(file.value("int"), RegistryValue::dword(42)) << "value names ignore case";
    EXPECT_FALSE(file.value("Missing"));
}

TEST(RegistryFile, DamagedValuesReadAsMissing)
{
    struct Row {
        const char* name;
        const char* line;
    };
    const Row rows[] = {
        { "dword with nine digits", "\"V\"=dword:123456789" },
        { "dword without digits", "\"V\"=dword:" },
        { "dword with a bad digit", "\"V\"=dword:0000g000" },
        { "hex with a bad digit", "\"V\"=hex:01,0g" },
        { "hex with a three-digit byte", "\"V\"=hex:01,123" },
        { "hex with an empty byte", "\"V\"=hex:01,,02" },
        { "hex cut off after a continuation", "\"V\"=hex:01,02,\\" },
        { "unterminated string", "\"V\"=\"text" },
        { "text after a string", "\"V\"=\"text\" more" },
        { "another registry type", "\"V\"=hex(7):41,00,00,00" },
        { "a deletion", "\"V\"=-" },
        { "no data", "\"V\"=" },
    };
    for (const Row& row : rows) {
        RegistryFile file = parsed(fileWith(std::string(row.line) + "\n"));
        EXPECT_FALSE(file.value("V")) << row.name;
    }
}

TEST(RegistryFile, ReadsOnlyTheSettingsKey)
{
    RegistryFile file = parsed("Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\software\\Other]\n"
                               "\"A\"=dword:00000001\n\n"
                               "[hkey_current_user\\SOFTWARE\\brindleworks\\velmorak\\settings]\r\n"
                               "\"B\"=dword:00000002\r\n");
    EXPECT_FALSE(file.value("A"));
    EXPECT_EQ(file.value("B"), RegistryValue::dword(2)) << "key names ignore case; CR LF read";
}

TEST(RegistryFile, ContinuedBinaryValuesAndLongValuesRoundTrip)
{
    RegistryFile file = parsed(fileWith("\"Long\"=hex:01,02,\\\n  03,04\n"));
    const std::uint8_t four[] = { 1, 2, 3, 4 };
    EXPECT_EQ(file.value("Long"), RegistryValue::binary(four, 4));

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
    EXPECT_EQ(parsed(text).value("Big"), big);
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
    RegistryFile reread = parsed(file.text());
    EXPECT_EQ(reread.value("IDC_CBSOUND"), RegistryValue::dword(0));
    EXPECT_EQ(reread.value("NewValue"), RegistryValue::string("new"));
}

TEST(RegistryFile, LaterDefinitionsWinAndAWriteLeavesOne)
{
    RegistryFile file =
        parsed(fileWith("\"A\"=dword:00000001\n\"a\"=dword:00000002\n\"B\"=dword:00000003\n"));
    EXPECT_EQ(file.value("A"), RegistryValue::dword(2));
    ASSERT_TRUE(file.setValue("A", RegistryValue::dword(9)));
    EXPECT_EQ(file.text(), fileWith("\"A\"=dword:00000009\n\"B\"=dword:00000003\n"));
}

TEST(RegistryFile, CreatesHeaderAndKeyWhenMissing)
{
    RegistryFile empty = parsed("");
    ASSERT_TRUE(empty.setValue("A", RegistryValue::dword(1)));
    EXPECT_EQ(empty.text(), fileWith("\"A\"=dword:00000001\n"));

    RegistryFile other = parsed("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n"
                                "\"A\"=dword:00000005\n");
    ASSERT_TRUE(other.setValue("A", RegistryValue::dword(1)));
    RegistryFile reread = parsed(other.text());
    EXPECT_EQ(reread.value("A"), RegistryValue::dword(1));
    EXPECT_NE(reread.text().find("\"A\"=dword:00000005"), std::string::npos);
}

TEST(RegistryFile, ANewValueAfterADanglingContinuationIsNotSwallowed)
{
    RegistryFile file = parsed(fileWith("\"Cut\"=hex:01,\\"));
    ASSERT_TRUE(file.setValue("A", RegistryValue::dword(7)));
    RegistryFile reread = parsed(file.text());
    EXPECT_EQ(reread.value("A"), RegistryValue::dword(7));
    EXPECT_FALSE(reread.value("Cut"));
}

TEST(RegistryFile, NamesAndTextsRoundTripOrAreRefused)
{
    RegistryFile file;
    const std::string odd = "quote\" back\\slash \\\" end\\";
    ASSERT_TRUE(file.setValue(odd, RegistryValue::string(odd)));
    EXPECT_EQ(parsed(file.text()).value(odd), RegistryValue::string(odd));

    std::string before = file.text();
    EXPECT_FALSE(file.setValue("two\nlines", RegistryValue::dword(1)));
    EXPECT_FALSE(file.setValue("A", RegistryValue::string("two\nlines")));
    EXPECT_EQ(file.text(), before);
}

} // namespace
