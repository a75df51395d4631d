#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/Error.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

class AppSettings;

enum class OptionKind { Bool, Int, String };

// What loading does beyond "a stored value replaces the default".
enum class OptionRule {
    None,
    // Any stored value outside 0..1 reads as 0.
    ServerIndex,
    // A stored value outside min..max is ignored and the default stays.
    Range,
    // A missing value is written as 1 straight away.
    ViewFlag,
    // Stored as plain text for old files; never shown.
    Secret,
};

using OptionField = std::variant<bool*, int*, std::string*>;

// One row of the option table: every option the application loads at start-up and writes
// back at exit, with its type and default. Values other subsystems own (level, books,
// databases, training, autosave) are not listed here; they read and write their own.
struct OptionSpec {
    std::string_view name;
    OptionKind kind;
    // Bool and Int default (the board layout's default comes from the screen instead).
    int defaultNumber;
    std::string_view defaultText;
    OptionRule rule;
    // Accepted numbers when set by the user (and, for OptionRule::Range, when loaded).
    int minimum;
    int maximum;
    std::string_view meaning;
    OptionField (*field)(AppSettings&);
};

// The two server dialects, each with its own port, login name and password under keys
// prefixed by the dialect's name.
struct ServerLoginSettings {
    int port = 0;
    std::string handle;
    std::string password;
};

// The engine's hash table sizes offered and accepted, in KB: 64 KB to 1 GB.
inline constexpr std::int64_t kMinHashSizeKb = 64;
inline constexpr std::int64_t kMaxHashSizeKb = 1048576;

inline constexpr std::array<std::string_view, 2> kServerDialectNames { "FICS", "ICC" };
inline constexpr std::array<int, 2> kServerDefaultPorts { 5000, 5026 };

// The application's options, owned by the application object for the whole run: load()
// at start-up (defaults first, then each stored value), save() at exit. The options dialogs
// change the fields in memory only. save() writes only what this object changed since it
// loaded or saved, so a value another program stored meanwhile (velmorak-cli settings set,
// a second program) survives this program's exit.
class AppSettings {
public:
    static constexpr int kBoardLayoutCount = 16;

    // `screenLayout`: the board layout chosen for the screen, used when none is stored.
    explicit AppSettings(int screenLayout = 0);

    void load(RegistrySettings& settings);
    // Writes, as one change of the store, every option whose value differs from the one
    // load() found or the last save() stored (every option when nothing was loaded); false
    // when some were not stored (those are tried again by the next save).
    bool save(RegistrySettings& settings);
    bool saveOption(RegistrySettings& settings, const OptionSpec& option) const;

    static std::span<const OptionSpec> table();
    // Exact name match, then one ignoring ASCII case; nullptr when unknown.
    static const OptionSpec* find(std::string_view name);

    // The value as text: "1"/"0" for Bool; a secret shows only whether it is set.
    std::string displayValue(const OptionSpec& option) const;
    bool isDefault(const OptionSpec& option) const;
    // Sets an option from user text. Refuses, changing nothing, text that is not of the
    // option's type or a number outside the option's minimum..maximum (the message names
    // the range).
    Status setFromText(const OptionSpec& option, std::string_view text);

    // The board texture bitmap of the squares option; 137 for an unknown index.
    int boardTextureBitmap() const;
    static int boardTextureBitmap(int squaresIndex);

    bool autoAnswer = true;
    bool coach = false;
    bool highlightLastMove = true;
    bool highlightLegalMoves = false;
    bool oneClick = true;
    bool pondering = false;
    bool guiBook = true;
    bool scoreWhite = false;
    bool keepAlive = false;
    int hashTableSize = 64;
    int animation = 2;
    int announceMode = 0;
    int bookMode = 2;
    int variationMode = 0;
    int replaySeconds = 6;
    bool mainLine = true;
    bool sound = true;
    int dgtPort = 0;
    int server = 0;
    std::array<ServerLoginSettings, 2> servers {};
    int seekColor = 0;
    int seekTime = 2;
    int seekIncrement = 12;
    int seekEloMin = 0;
    int seekEloMax = 9999;
    bool seekRated = false;
    bool seekManual = false;
    bool seekFormula = false;
    bool sortSeek = false;
    int seekSortMode = 1;
    int observeSortMode = 3;
    int adjournSortMode = 3;
    int historySortMode = 3;
    int databaseSortMode = 1;
    bool enableSipButton = true;
    bool gameTags = true;
    bool gameComments = true;
    bool gameVariations = true;
    bool tags = true;
    bool comments = true;
    bool variations = true;
    int squares = 6;
    int pieceSet = 0;
    bool flipBoard = false;
    int boardSize = 0;
    std::string engine;

private:
    // An option's value in one comparable form: Bool and Int as numbers.
    using StoredValue = std::variant<int, std::string>;

    void setDefaults();
    int defaultNumber(const OptionSpec& option) const;
    StoredValue valueOf(const OptionSpec& option) const;
    // The values as loaded or last stored, one per table row; empty before load().
    std::vector<StoredValue> m_stored;

    int m_screenLayout;
};

} // namespace velmorak
