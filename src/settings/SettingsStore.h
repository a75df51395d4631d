#pragma once

#include <optional>
#include <string_view>

#include "settings/RegistryValue.h"

namespace velmorak {

// The port to the place where the settings key lives. Production: a registry-export text
// file (platform/SettingsFileStore.h); tests: support/MemorySettingsStore.h.
//
// Each call opens the key, does its one read or write and closes the key again; nothing is
// cached between calls, so a value written by another instance is seen at the next read.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The value, or nullopt when the key or the value is missing or cannot be read.
    virtual std::optional<RegistryValue> readValue(std::string_view name) = 0;
    // Creates the key when needed and stores the value; false when it was not stored (the
    // value that was there before, if any, is then still there).
    virtual bool writeValue(std::string_view name, const RegistryValue& value) = 0;

    // Groups the writes up to the matching endWrites() into one change of the key, for
    // routines that write many values at once. Reads in between see the grouped writes.
    // Calls nest; endWrites() of the outermost returns false when the writes were lost.
    virtual void beginWrites() { }
    virtual bool endWrites() { return true; }
};

} // namespace velmorak
