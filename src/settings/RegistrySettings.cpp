#include "RegistrySettings.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstring>

namespace velmorak {

namespace {
constexpr std::size_t kDoubleSize = 8;

RegistryValue binaryText(std::string_view text)
{
    return RegistryValue::binary(text.data(), text.size());
}
} // namespace

RegistrySettings::RegistrySettings(SettingsStore& store)
    : m_store(&store)
{
}

RegistrySettings::~RegistrySettings() = default;

bool RegistrySettings::readBool(std::string_view name, bool& value)
{
    int number = 0;
    if (!readInt(name, number))
        return false;
    value = number != 0;
    return true;
}

bool RegistrySettings::readInt(std::string_view name, int& value)
{
    std::optional<RegistryValue> stored = m_store->readValue(name);
    if (!stored || stored->type != RegistryType::Dword || stored->data.size() != 4)
        return false;
    value = static_cast<int>(stored->dwordValue());
    return true;
}

bool RegistrySettings::readDouble(std::string_view name, double& value)
{
    std::optional<RegistryValue> stored = m_store->readValue(name);
    if (!stored || stored->type != RegistryType::Binary || stored->data.size() != kDoubleSize)
        return false;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < kDoubleSize; ++i)
        bits |= std::uint64_t(stored->data[i]) << (8 * i);
    value = std::bit_cast<double>(bits);
    return true;
}

std::optional<std::string> RegistrySettings::readText(std::string_view name)
{
    std::optional<RegistryValue> stored = m_store->readValue(name);
    if (!stored || stored->type == RegistryType::Dword)
        return std::nullopt;
    std::size_t length = std::min(stored->data.size(), kMaxStringRead);
    std::string text(reinterpret_cast<const char*>(stored->data.data()), length);
    // A value written with its terminator ends there.
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool RegistrySettings::readString(std::string_view name, std::string& value)
{
    std::optional<std::string> text = readText(name);
    if (!text)
        return false;
    value = std::move(*text);
    return true;
}

bool RegistrySettings::readBlob(
    std::string_view name, std::span<std::uint8_t> buffer, std::size_t& length)
{
    std::optional<RegistryValue> stored = m_store->readValue(name);
    if (!stored || stored->type != RegistryType::Binary || stored->data.size() > buffer.size())
        return false;
    if (!stored->data.empty())
        std::memcpy(buffer.data(), stored->data.data(), stored->data.size());
    length = stored->data.size();
    return true;
}

int RegistrySettings::readBoolList(std::string_view name, std::span<bool> values)
{
    std::optional<std::string> text = readText(name);
    if (!text)
        return 0;
    std::size_t count = 0;
    for (char c : *text) {
        if (count == values.size())
            break;
        if (c == '1' || c == '0')
            values[count++] = c == '1';
    }
    return static_cast<int>(count);
}

int RegistrySettings::readIntList(std::string_view name, std::span<int> values)
{
    std::optional<std::string> text = readText(name);
    if (!text)
        return 0;
    std::size_t count = 0;
    const std::string& s = *text;
    for (std::size_t i = 0; i < s.size() && count < values.size();) {
        if (s[i] < '0' || s[i] > '9') {
            ++i;
            continue;
        }
        bool negative = i > 0 && s[i - 1] == '-';
        long long number = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            number = std::min<long long>(number * 10 + (s[i] - '0'), 1LL << 32);
        if (negative)
            number = -number;
        values[count++] = static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
    }
    return static_cast<int>(count);
}

int RegistrySettings::readDoubleList(std::string_view, std::span<double>)
{
    return 0;
}

int RegistrySettings::readStringList(std::string_view name, std::span<std::string> values)
{
    std::optional<std::string> text = readText(name);
    if (!text)
        return 0;
    std::size_t count = 0;
    const std::string& s = *text;
    std::size_t i = 0;
    while (count < values.size()) {
        std::size_t open = s.find('"', i);
        if (open == std::string::npos)
            break;
        std::string element;
        bool closed = false;
        for (i = open + 1; i < s.size(); ++i) {
            if (s[i] != '"') {
                element += s[i];
            } else if (i + 1 < s.size() && s[i + 1] == '"') {
                element += '"';
                ++i;
            } else {
                closed = true;
                ++i;
                break;
            }
        }
        if (!closed)
            break; // an element cut off by the read limit is not one
        values[count++] = std::move(element);
    }
    return static_cast<int>(count);
}

bool RegistrySettings::writeBool(std::string_view name, bool value)
{
    return writeInt(name, value ? 1 : 0);
}

bool RegistrySettings::writeInt(std::string_view name, int value)
{
    return m_store->writeValue(name, RegistryValue::dword(static_cast<std::uint32_t>(value)));
}

bool RegistrySettings::writeDouble(std::string_view name, double value)
{
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    std::uint8_t bytes[kDoubleSize];
    for (std::size_t i = 0; i < kDoubleSize; ++i)
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return m_store->writeValue(name, RegistryValue::binary(bytes, kDoubleSize));
}

bool RegistrySettings::writeString(std::string_view name, std::string_view value)
{
    return m_store->writeValue(name, binaryText(value));
}

bool RegistrySettings::writeBlob(std::string_view name, std::span<const std::uint8_t> bytes)
{
    return m_store->writeValue(name, RegistryValue::binary(bytes.data(), bytes.size()));
}

bool RegistrySettings::writeBoolList(std::string_view name, std::span<const bool> values)
{
    std::string text;
    for (bool value : values)
        text += value ? '1' : '0';
    return writeString(name, text);
}

bool RegistrySettings::writeIntList(std::string_view name, std::span<const int> values)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(values[i]);
    }
    return writeString(name, text);
}

bool RegistrySettings::writeDoubleList(std::string_view, std::span<const double>)
{
    // No reader exists for such a list, so storing one would only look like success.
    return false;
}

bool RegistrySettings::writeStringList(std::string_view name, std::span<const std::string> values)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ',';
        text += '"';
        for (char c : values[i]) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += '"';
    }
    return writeString(name, text);
}

bool writeWideString(SettingsStore& store, std::string_view name, std::string_view text)
{
    return store.writeValue(name, RegistryValue::string(std::string(text)));
}

} // namespace velmorak
