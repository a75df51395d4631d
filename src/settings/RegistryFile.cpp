#include "RegistryFile.h"

#include <algorithm>
#include <cstdio>

namespace velmorak {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// regedit wraps binary values before this column.
constexpr std::size_t kHexLineWidth = 76;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
        equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at text[0] == '"'. Backslash escapes a quote or a
// backslash; any other backslash stands for itself. Sets `end` past the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& end)
{
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
            result += text[++i];
        } else if (c == '"') {
            end = i + 1;
            return result;
        } else {
            result += c;
        }
    }
    return std::nullopt;
}

std::optional<RegistryValue> readDword(std::string_view digits)
{
    digits = trim(digits);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (char c : digits) {
        int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | static_cast<std::uint32_t>(digit);
    }
    return RegistryValue::dword(number);
}

// Comma-separated bytes of one or two hex digits; blanks and the line breaks of
// continuation lines are allowed between them.
std::optional<RegistryValue> readHexBytes(std::string_view list)
{
    RegistryValue value;
    value.type = RegistryType::Binary;
    if (trim(list).empty())
        return value;
    while (true) {
        std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && (isBlank(item.front()) || item.front() == '\n'))
            item.remove_prefix(1);
        item = trim(item);
        if (item.empty() || item.size() > 2)
            return std::nullopt;
        int byte = 0;
        for (char c : item) {
            int digit = hexDigit(c);
            if (digit < 0)
                return std::nullopt;
            byte = byte * 16 + digit;
        }
        value.data.push_back(static_cast<std::uint8_t>(byte));
        if (comma == std::string_view::npos)
            return value;
        list.remove_prefix(comma + 1);
    }
}

std::optional<RegistryValue> readData(std::string_view data)
{
    data = trim(data);
    if (startsWithIgnoringCase(data, "dword:"))
        return readDword(data.substr(6));
    if (startsWithIgnoringCase(data, "hex:"))
        return readHexBytes(data.substr(4));
    if (!data.empty() && data.front() == '"') {
        std::size_t end = 0;
        std::optional<std::string> text = readQuoted(data, end);
        if (!text || end != data.size())
            return std::nullopt;
        return RegistryValue::string(*text);
    }
    // hex(7):..., "-" (a deletion) and anything else: not a value this program reads.
    return std::nullopt;
}

bool writable(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string quoted(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    result += '"';
    return result;
}

std::string_view withoutLineBreaks(std::string_view raw)
{
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r' || isBlank(raw.back())))
        raw.remove_suffix(1);
    return raw;
}

bool isBlankLine(std::string_view raw)
{
    return trim(withoutLineBreaks(raw)).empty();
}

bool endsWithBackslash(std::string_view raw)
{
    raw = withoutLineBreaks(raw);
    return !raw.empty() && raw.back() == '\\';
}
} // namespace

RegistryFile::RegistryFile(std::string keyPath)
    : m_keyPath(std::move(keyPath))
{
}

void RegistryFile::parse(std::string_view text)
{
    m_entries.clear();
    m_byteOrderMark = text.substr(0, 3) == kByteOrderMark;
    if (m_byteOrderMark)
        text.remove_prefix(3);
    // Each physical line with its own line break, so that a rewrite keeps them exactly.
    struct Line {
        std::string_view content;
        std::string_view whole;
    };
    std::vector<Line> lines;
    while (!text.empty()) {
        std::size_t newline = text.find('\n');
        std::size_t length = newline == std::string_view::npos ? text.size() : newline + 1;
        std::string_view whole = text.substr(0, length);
        std::string_view content = whole;
        if (!content.empty() && content.back() == '\n') {
            content.remove_suffix(1);
            if (!content.empty() && content.back() == '\r')
                content.remove_suffix(1);
        }
        lines.push_back({ content, whole });
        text.remove_prefix(length);
    }
    bool inKey = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view trimmed = trim(lines[i].content);
        Entry entry;
        entry.raw = std::string(lines[i].whole);
        entry.inKey = inKey;
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            entry.kind = EntryKind::Section;
            inKey = equalsIgnoringCase(trimmed.substr(1, trimmed.size() - 2), m_keyPath);
            entry.inKey = inKey;
        } else if (!trimmed.empty() && trimmed.front() == '"') {
            std::size_t end = 0;
            std::optional<std::string> name = readQuoted(trimmed, end);
            std::string_view rest = name ? trim(trimmed.substr(end)) : std::string_view();
            if (name && !rest.empty() && rest.front() == '=') {
                entry.kind = EntryKind::Value;
                entry.name = std::move(*name);
                std::string data(trim(rest.substr(1)));
                bool damaged = false;
                if (startsWithIgnoringCase(data, "hex")) {
                    // Binary values continue on the next line after a final backslash.
                    while (!data.empty() && data.back() == '\\') {
                        data.pop_back();
                        if (i + 1 >= lines.size()) {
                            damaged = true; // the file ends where more bytes were announced
                            break;
                        }
                        ++i;
                        entry.raw += lines[i].whole;
                        data += '\n';
                        data += trim(lines[i].content);
                    }
                }
                if (!damaged)
                    entry.value = readData(data);
            }
        }
        m_entries.push_back(std::move(entry));
    }
}

std::string RegistryFile::text() const
{
    std::string result(m_byteOrderMark ? kByteOrderMark : std::string_view());
    for (const Entry& entry : m_entries)
        result += entry.raw;
    return result;
}

bool RegistryFile::hasKey() const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
        [](const Entry& e) { return e.kind == EntryKind::Section && e.inKey; });
}

std::optional<RegistryValue> RegistryFile::value(std::string_view name) const
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
        if (entry->kind == EntryKind::Value && entry->inKey &&
            equalsIgnoringCase(entry->name, name))
            return entry->value;
    return std::nullopt;
}

std::string RegistryFile::formatValue(std::string_view name, const RegistryValue& value)
{
    if (!writable(name))
        return {};
    std::string line = quoted(name) + "=";
    switch (value.type) {
    case RegistryType::Dword: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.dwordValue()));
        line += "dword:";
        line += digits;
        break;
    }
    case RegistryType::Binary: {
        line += "hex:";
        std::size_t column = line.size();
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(value.data[i]));
            bool last = i + 1 == value.data.size();
            line += byte;
            column += 2;
            if (!last) {
                line += ',';
                ++column;
                if (column + 3 > kHexLineWidth) {
                    line += "\\\n  ";
                    column = 2;
                }
            }
        }
        break;
    }
    case RegistryType::String: {
        std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size());
        if (!writable(text))
            return {};
        line += quoted(text);
        break;
    }
    }
    return line;
}

std::size_t RegistryFile::insertionPoint()
{
    // After the last non-blank line of the last copy of the key.
    std::size_t section = m_entries.size();
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].kind == EntryKind::Section && m_entries[i].inKey)
            section = i;
    if (section == m_entries.size()) {
        if (m_entries.empty())
            m_entries.push_back(
                Entry { std::string(kHeader) + "\n", EntryKind::Other, false, {}, {} });
        if (!isBlankLine(m_entries.back().raw) || endsWithBackslash(m_entries.back().raw))
            insertLine(m_entries.size(), Entry { "\n", EntryKind::Other, false, {}, {} });
        insertLine(
            m_entries.size(), Entry { "[" + m_keyPath + "]\n", EntryKind::Section, true, {}, {} });
        return m_entries.size();
    }
    std::size_t at = section + 1;
    for (std::size_t i = section + 1; i < m_entries.size(); ++i) {
        if (m_entries[i].kind == EntryKind::Section)
            break;
        if (!isBlankLine(m_entries[i].raw))
            at = i + 1;
    }
    return at;
}

void RegistryFile::insertLine(std::size_t at, Entry entry)
{
    // The file's last line may lack its line break.
    if (at > 0 && !m_entries[at - 1].raw.empty() && m_entries[at - 1].raw.back() != '\n')
        m_entries[at - 1].raw += '\n';
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

bool RegistryFile::setValue(std::string_view name, const RegistryValue& value)
{
    std::string line = formatValue(name, value);
    if (line.empty())
        return false;
    Entry entry { line + "\n", EntryKind::Value, true, std::string(name), value };

    auto matches = [&](const Entry& e) {
        return e.kind == EntryKind::Value && e.inKey && equalsIgnoringCase(e.name, name);
    };
    auto first = std::find_if(m_entries.begin(), m_entries.end(), matches);
    if (first != m_entries.end()) {
        *first = std::move(entry);
        m_entries.erase(std::remove_if(first + 1, m_entries.end(), matches), m_entries.end());
        return true;
    }
    std::size_t at = insertionPoint();
    // A damaged binary value that ends in a backslash would swallow the next line.
    if (at > 0 && endsWithBackslash(m_entries[at - 1].raw))
        insertLine(at++, Entry { "\n", EntryKind::Other, true, {}, {} });
    insertLine(at, std::move(entry));
    return true;
}

} // namespace velmorak
