#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmorak {

// The three kinds of value the settings key holds. Values of any other kind found in a
// settings file are kept in the file but read as missing.
enum class RegistryType : std::uint8_t {
    Dword, // a 32-bit number ("dword:" in the file)
    Binary, // raw bytes ("hex:")
    String, // text, as written by the wide-string writer (a quoted string)
};

struct RegistryValue {
    RegistryType type = RegistryType::Binary;
    // Dword: 4 bytes, little-endian. Binary: the bytes. String: the text's bytes, no terminator.
    std::vector<std::uint8_t> data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;

    static RegistryValue dword(std::uint32_t number);
    static RegistryValue binary(const void* bytes, std::size_t length);
    static RegistryValue string(const std::string& text);
    // The number of a Dword value; 0 for other kinds or a short value.
    std::uint32_t dwordValue() const;
};

} // namespace velmorak
