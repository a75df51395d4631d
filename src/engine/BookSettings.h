#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/Error.h"

namespace velmorak {

class SettingsStore;

// The two book files live in the settings under these names: the program's own ".kbk" book
// and the engine's book, whose path is handed to the plug-in.
inline constexpr std::string_view kBookFileSetting = "Bookfilename";
inline constexpr std::string_view kEngineBookFileSetting = "EngineBookfilename";

// The engine's book when the setting is missing: Debian's gnuchess-book Polyglot file.
inline constexpr const char* kDebianPolyglotBook = "/usr/share/games/gnuchess/book.bin";

// The default of a book setting: the documents folder's "vmbook.kbk" for the program's book;
// for the engine's book the Polyglot file above when it is installed, else the same file.
std::string defaultBookPathFor(std::string_view settingName);

// Copies the default book shipped with the program ("vmbook.kbk" in `programFolder`) to
// the documents folder when no book is there yet. Returns the book's path in the documents
// folder, or why it is not there (a book already there is left alone and is no error).
Result<std::string> installDefaultBook(const std::string& programFolder);

// The stored text (in either string form of the settings store), or nullopt when the value
// is missing or a number. Book paths are written as the settings store writes its strings.
std::optional<std::string> readBookSetting(SettingsStore& store, std::string_view name);
// The path to use: the stored text (an empty text means "no book"), or the default of the
// setting when the value is missing.
std::string bookPath(SettingsStore& store, std::string_view name);
bool writeBookSetting(SettingsStore& store, std::string_view name, const std::string& path);

// The two books: the program's own ".kbk" book and the engine's Polyglot ".bin" book.
enum class BookKind { Program, Engine };

struct BookKindTexts {
    std::string_view setting;
    // The file chooser's filter and the extension added to a name typed without one.
    std::string_view filter;
    std::string_view defaultSuffix;
    // The size of one entry of the file: a file of another length is cut or foreign.
    std::size_t entrySize;
};
BookKindTexts bookKindTexts(BookKind kind);
inline constexpr std::string_view kSelectBookTitle = "Select openingbook";

// Whether `path` holds a book of that kind that can be read: a regular file that opens,
// is not empty and holds whole entries. The error says why not, naming the file.
Status checkBookFile(BookKind kind, const std::string& path);

} // namespace velmorak
