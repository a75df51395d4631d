#pragma once

#include <map>
#include <memory>
#include <string>

#include "settings/SettingsStore.h"

namespace velmorak::gui {

// Reads the user's settings, keeps every write to itself: a picture of the window follows
// the user's texture and piece set, and changes nothing of theirs.
class SnapshotSettingsStore : public SettingsStore {
public:
    explicit SnapshotSettingsStore(std::unique_ptr<SettingsStore> source)
        : m_source(std::move(source))
    {
    }

    std::optional<RegistryValue> readValue(std::string_view name) override
    {
        if (auto written = m_written.find(std::string(name)); written != m_written.end())
            return written->second;
        return m_source->readValue(name);
    }

    bool writeValue(std::string_view name, const RegistryValue& value) override
    {
        m_written[std::string(name)] = value;
        return true;
    }

private:
    std::unique_ptr<SettingsStore> m_source;
    std::map<std::string, RegistryValue> m_written;
};

} // namespace velmorak::gui
