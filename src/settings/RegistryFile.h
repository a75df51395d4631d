#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/RegistryValue.h"

namespace velmorak {

// The text of a settings file in the format of a registry export:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\software\Brindleworks\Velmorak\Settings]
//     "IDC_CBSOUND"=dword:00000001
//     "Bookfilename"=hex:76,6d,62,6f,6f,6b
//     "Name"="text"
//
// Reading is tolerant: a line it does not understand, a value of another key, a value of a
// kind it does not know (hex(7):...) and a damaged value are all kept, byte for byte, when
// the text is written back; a damaged value reads as missing. Key and value names compare
// without regard to ASCII case, as the registry does. Only values under the settings key
// are read or written.
class RegistryFile {
public:
    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
    static constexpr std::string_view kSettingsKey =
        "HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings";

    explicit RegistryFile(std::string keyPath = std::string(kSettingsKey));

    // Replaces the contents with `text`; never fails.
    void parse(std::string_view text);
    // The whole file, with every line this object did not change exactly as it was read;
    // new lines end in "\n".
    std::string text() const;

    bool hasKey() const;
    // The last readable-or-not definition of `name` under the key; nullopt when there is
    // none or it cannot be read.
    std::optional<RegistryValue> value(std::string_view name) const;
    // Replaces the value in place (dropping further definitions of the same name) or adds it
    // at the end of the key, creating the key when needed. False, and nothing changed, for a
    // name or string the format cannot hold (line breaks or NUL characters).
    bool setValue(std::string_view name, const RegistryValue& value);

    // The file line of a value, e.g. "\"IDC_CBSOUND\"=dword:00000001"; empty when the name
    // or string cannot be written.
    static std::string formatValue(std::string_view name, const RegistryValue& value);

private:
    enum class EntryKind { Other, Section, Value };
    // One logical line: a value with its continuation lines, or any other single line.
    struct Entry {
        // The bytes of the line(s) including their line breaks.
        std::string raw;
        EntryKind kind = EntryKind::Other;
        bool inKey = false;
        std::string name;
        std::optional<RegistryValue> value;
    };

    std::size_t insertionPoint();
    void insertLine(std::size_t at, Entry entry);

    std::string m_keyPath;
    std::vector<Entry> m_entries;
    bool m_byteOrderMark = false;
};

} // namespace velmorak
