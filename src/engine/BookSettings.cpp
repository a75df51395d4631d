#include "engine/BookSettings.h"

#include "engine/OpeningBook.h"
#include "settings/SettingsStore.h"

namespace velmorak {

std::optional<std::string> readBookSetting(SettingsStore& store, std::string_view name)
{
    std::optional<RegistryValue> value = store.readValue(name);
    if (!value || value->type != RegistryType::String)
        return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
}

std::string bookPath(SettingsStore& store, std::string_view name)
{
    std::optional<std::string> stored = readBookSetting(store, name);
    return stored ? *stored : defaultBookPath();
}

bool writeBookSetting(SettingsStore& store, std::string_view name, const std::string& path)
{
    return store.writeValue(name, RegistryValue::string(path));
}

} // namespace velmorak
