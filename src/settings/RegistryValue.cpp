#include "RegistryValue.h"

namespace velmorak {

RegistryValue RegistryValue::dword(std::uint32_t number)
{
    RegistryValue value;
    value.type = RegistryType::Dword;
    for (int shift = 0; shift < 32; shift += 8)
        value.data.push_back(static_cast<std::uint8_t>(number >> shift));
    return value;
}

RegistryValue RegistryValue::binary(const void* bytes, std::size_t length)
{
    RegistryValue value;
    value.type = RegistryType::Binary;
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    if (length > 0)
        value.data.assign(begin, begin + length);
    return value;
}

RegistryValue RegistryValue::string(const std::string& text)
{
    RegistryValue value;
    value.type = RegistryType::String;
    value.data.assign(text.begin(), text.end());
    return value;
}

std::uint32_t RegistryValue::dwordValue() const
{
    if (type != RegistryType::Dword || data.size() < 4)
        return 0;
    return std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
        std::uint32_t(data[3]) << 24;
}

} // namespace velmorak
