#pragma once

#include <map>
#include <string>

#include "settings/SettingsStore.h"

namespace velmorak {

// A settings key held in memory, for tests of everything that reads or writes settings.
// `failWrites` makes every write fail without changing anything.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<RegistryValue> readValue(std::string_view name) override
    {
        auto found = values.find(std::string(name));
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }

    bool writeValue(std::string_view name, const RegistryValue& value) override
    {
        ++writeCount;
        if (failWrites)
            return false;
        values[std::string(name)] = value;
        return true;
    }

    std::map<std::string, RegistryValue, std::less<>> values;
    bool failWrites = false;
    int writeCount = 0;
};

} // namespace velmorak
