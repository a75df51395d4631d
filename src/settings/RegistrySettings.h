#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsStore.h"

namespace velmorak {

// Typed values under the program's settings key. Each call opens and closes the key through
// the store; nothing is cached. Storage forms:
//
//   Bool, Int      dword; a Bool is 0 or 1 and any non-zero number reads as true
//   Double         8 binary bytes, the IEEE 754 double, little-endian
//   String         binary bytes of the narrow text, read through kMaxStringRead bytes
//   Blob           binary bytes
//   BoolList       as String: "1" or "0" per element; other characters are skipped
//   IntList        as String: decimal numbers joined by ","; each run of digits, with a
//                  directly preceding "-" as its sign, is one number
//   StringList     as String: each element in double quotes, joined by ","; a quote inside
//                  an element is written twice
//   DoubleList     not stored: reads find nothing, writes store nothing and fail
//
// Reads return false (lists: 0) when the key or value is missing, of another kind or
// damaged, and then leave the output untouched; list reads fill at most the span's size.
// Writes return false when the value was not stored; callers may ignore that.
class RegistrySettings {
public:
    // Strings and the lists stored as strings are cut to this many bytes when read.
    static constexpr std::size_t kMaxStringRead = 1024;

    // `store` must outlive this object.
    explicit RegistrySettings(SettingsStore& store);
    virtual ~RegistrySettings();

    virtual bool readBool(std::string_view name, bool& value);
    virtual bool readInt(std::string_view name, int& value);
    virtual bool readDouble(std::string_view name, double& value);
    virtual bool readString(std::string_view name, std::string& value);
    // Fails, leaving `buffer` untouched, when the value is longer than the buffer.
    virtual bool readBlob(
        std::string_view name, std::span<std::uint8_t> buffer, std::size_t& length);
    virtual int readBoolList(std::string_view name, std::span<bool> values);
    virtual int readIntList(std::string_view name, std::span<int> values);
    virtual int readDoubleList(std::string_view name, std::span<double> values);
    virtual int readStringList(std::string_view name, std::span<std::string> values);

    virtual bool writeBool(std::string_view name, bool value);
    virtual bool writeInt(std::string_view name, int value);
    virtual bool writeDouble(std::string_view name, double value);
    virtual bool writeString(std::string_view name, std::string_view value);
    virtual bool writeBlob(std::string_view name, std::span<const std::uint8_t> bytes);
    virtual bool writeBoolList(std::string_view name, std::span<const bool> values);
    virtual bool writeIntList(std::string_view name, std::span<const int> values);
    virtual bool writeDoubleList(std::string_view name, std::span<const double> values);
    virtual bool writeStringList(std::string_view name, std::span<const std::string> values);

    // Many writes as one change of the store (SettingsStore::beginWrites).
    void beginWrites() { m_store->beginWrites(); }
    bool endWrites() { return m_store->endWrites(); }

private:
    std::optional<std::string> readText(std::string_view name);

    SettingsStore* m_store;
};

// Writes a text value the way the registry's wide-string type holds it (a quoted string in
// the settings file). For entries that other programs read; the options use writeString.
bool writeWideString(SettingsStore& store, std::string_view name, std::string_view text);

} // namespace velmorak
