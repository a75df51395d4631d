#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmorak {

class SettingsStore;

// The two book files live in the settings under these names: the program's own ".kbk" book
// and the engine's book, whose path is handed to the plug-in.
inline constexpr std::string_view kBookFileSetting = "Bookfilename";
inline constexpr std::string_view kEngineBookFileSetting = "EngineBookfilename";

// The stored text, or nullopt when the value is missing or not text.
std::optional<std::string> readBookSetting(SettingsStore& store, std::string_view name);
// The path to use: the stored text (an empty text means "no book"), or the default book
// in the documents folder when the value is missing.
std::string bookPath(SettingsStore& store, std::string_view name);
bool writeBookSetting(SettingsStore& store, std::string_view name, const std::string& path);

} // namespace velmorak
