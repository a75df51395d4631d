#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "engine/BookSettings.h"

namespace velmorak {

class GameController;
class RegistrySettings;

// "Select book...": which file each book is, and how book moves are chosen. Every change is
// stored at once; the engine reads both settings before each search, so it takes effect at
// the next move.
class BookChoice {
public:
    BookChoice(GameController& controller, RegistrySettings& settings);

    // The book in use as its name ("vmbook", "none"); a book that cannot be read says so
    // ("vmbook (cannot be read: ...)"). A missing setting shows the default book, which is the
    // one the program then uses.
    std::string shownName(BookKind kind) const;
    // A chosen file: refused, changing nothing, when it cannot be read as a book of its kind.
    // Otherwise it becomes the book, the engine's hash tables are cleared (not while the
    // engine searches or ponders: it is not disturbed), and the program plays book moves
    // itself for its own book and leaves them to the engine for the engine's.
    Status choose(BookKind kind, const std::string& path);
    // "No book": an empty setting.
    void clear(BookKind kind);

    // The book mode of both books: 0 "Off", 1 "Best move", 2 "Good move", 3 "Random".
    static std::span<const std::string_view> modeNames();
    int mode() const;
    void setMode(int mode);

private:
    void storeOption(std::string_view name);

    GameController& m_controller;
    RegistrySettings& m_settings;
};

} // namespace velmorak
