#include "AppSettings.h"

#include <charconv>
#include <climits>

namespace velmorak {

namespace {
// A table field is a captureless function, so the table can be a constant.
#define VELMORAK_FIELD(member) [](AppSettings& s) -> OptionField { return &s.member; }
#define VELMORAK_SERVER(index, member)                                                             \
    [](AppSettings& s) -> OptionField { return &s.servers[index].member; }

using K = OptionKind;
using R = OptionRule;
constexpr int kAny = INT_MIN;
constexpr int kAnyMax = INT_MAX;

// clang-format off
    constexpr OptionSpec kOptions[] = {
        { "IDC_CBAUTOANSWER", K::Bool, 1, {}, R::None, 0, 1, "engine answers each move (one-player mode)", VELMORAK_FIELD(autoAnswer) },
        { "IDC_CBCOACH", K::Bool, 0, {}, R::None, 0, 1, "coach", VELMORAK_FIELD(coach) },
        { "IDC_CBHIGHLIGHTLASTMOVE", K::Bool, 1, {}, R::None, 0, 1, "mark the last move", VELMORAK_FIELD(highlightLastMove) },
        { "IDC_CBHIGHLIGHTLEGALMOVES", K::Bool, 0, {}, R::None, 0, 1, "mark legal targets", VELMORAK_FIELD(highlightLegalMoves) },
        { "IDC_CBONECLICK", K::Bool, 1, {}, R::None, 0, 1, "one-tap move entry", VELMORAK_FIELD(oneClick) },
        { "IDC_CBPONDERING", K::Bool, 0, {}, R::None, 0, 1, "engine thinks on the opponent's time", VELMORAK_FIELD(pondering) },
        { "IDC_CBGUIBOOK", K::Bool, 1, {}, R::None, 0, 1, "use the program's own book", VELMORAK_FIELD(guiBook) },
        { "IDC_CBSCOREWHITE", K::Bool, 0, {}, R::None, 0, 1, "scores from white's side", VELMORAK_FIELD(scoreWhite) },
        { "IDC_CBKEEPALIVE", K::Bool, 0, {}, R::None, 0, 1, "keep the computer awake", VELMORAK_FIELD(keepAlive) },
        { "IDC_CBHASHTABLESIZE", K::Int, 64, {}, R::None, int(kMinHashSizeKb), int(kMaxHashSizeKb), "engine hash size in KB", VELMORAK_FIELD(hashTableSize) },
        { "IDC_CBANIMATION", K::Int, 2, {}, R::None, 0, kAnyMax, "animation speed index", VELMORAK_FIELD(animation) },
        { "IDC_CBANNOUNCE", K::Int, 0, {}, R::None, 0, 3, "announce mode: 0 off, 1 brief, 2 verbose, 3 all", VELMORAK_FIELD(announceMode) },
        { "IDC_CBBOOKMODE", K::Int, 2, {}, R::None, 0, 3, "book move choice: 0 off, 1 best move, 2 good move, 3 random", VELMORAK_FIELD(bookMode) },
        { "IDC_CBVARIATIONMODE", K::Int, 0, {}, R::None, 0, 3, "move leaving the main line: 0 ask, 1 replace, 2 add main line, 3 add line", VELMORAK_FIELD(variationMode) },
        { "IDC_STREPLAY_SECONDS", K::Int, 6, {}, R::None, 1, 99, "replay speed; one step every (value + 1) x 250 ms", VELMORAK_FIELD(replaySeconds) },
        { "IDC_CBMAINLINE", K::Bool, 1, {}, R::None, 0, 1, "show the engine's main line", VELMORAK_FIELD(mainLine) },
        { "IDC_CBSOUND", K::Bool, 1, {}, R::None, 0, 1, "move sounds", VELMORAK_FIELD(sound) },
        { "IDC_CBDGT", K::Int, 0, {}, R::None, 0, 5, "DGT port: 0 none, 1..5 a serial device", VELMORAK_FIELD(dgtPort) },
        { "IDC_CBSERVER", K::Int, 0, {}, R::ServerIndex, 0, 1, "server dialect: 0 FICS, 1 ICC", VELMORAK_FIELD(server) },
        { "FICS.IDC_STPORT", K::Int, 5000, {}, R::None, 1, 65535, "FICS server port", VELMORAK_SERVER(0, port) },
        { "FICS.IDC_STHANDLE", K::String, 0, "", R::None, 0, 0, "FICS login name", VELMORAK_SERVER(0, handle) },
        { "FICS.IDC_STPASSWORD", K::String, 0, "", R::Secret, 0, 0, "FICS password", VELMORAK_SERVER(0, password) },
        { "ICC.IDC_STPORT", K::Int, 5026, {}, R::None, 1, 65535, "ICC server port", VELMORAK_SERVER(1, port) },
        { "ICC.IDC_STHANDLE", K::String, 0, "", R::None, 0, 0, "ICC login name", VELMORAK_SERVER(1, handle) },
        { "ICC.IDC_STPASSWORD", K::String, 0, "", R::Secret, 0, 0, "ICC password", VELMORAK_SERVER(1, password) },
        { "IDC_CBSEEKCOLOR", K::Int, 0, {}, R::None, kAny, kAnyMax, "seek colour", VELMORAK_FIELD(seekColor) },
        { "IDC_STSEEKTIME", K::Int, 2, {}, R::None, 0, kAnyMax, "seek minutes", VELMORAK_FIELD(seekTime) },
        { "IDC_STSEEKINCREMENT", K::Int, 12, {}, R::None, 0, kAnyMax, "seek increment seconds", VELMORAK_FIELD(seekIncrement) },
        { "IDC_STSEEKELOMIN", K::Int, 0, {}, R::None, 0, 9999, "seek rating lower bound", VELMORAK_FIELD(seekEloMin) },
        { "IDC_STSEEKELOMAX", K::Int, 9999, {}, R::None, 0, 9999, "seek rating upper bound", VELMORAK_FIELD(seekEloMax) },
        { "IDC_CBSEEKRATED", K::Bool, 0, {}, R::None, 0, 1, "seek rated games", VELMORAK_FIELD(seekRated) },
        { "IDC_CBSEEKMANUAL", K::Bool, 0, {}, R::None, 0, 1, "seek with manual accept", VELMORAK_FIELD(seekManual) },
        { "IDC_CBSEEKFORMULA", K::Bool, 0, {}, R::None, 0, 1, "seek with formula", VELMORAK_FIELD(seekFormula) },
        { "IDC_SORTSEEK", K::Bool, 0, {}, R::None, 0, 1, "sort the seek list", VELMORAK_FIELD(sortSeek) },
        { "nSeekSortMode", K::Int, 1, {}, R::None, kAny, kAnyMax, "seek list sort column", VELMORAK_FIELD(seekSortMode) },
        { "nObserveSortMode", K::Int, 3, {}, R::None, kAny, kAnyMax, "observe list sort column", VELMORAK_FIELD(observeSortMode) },
        { "nAdjournSortMode", K::Int, 3, {}, R::None, kAny, kAnyMax, "adjourned list sort column", VELMORAK_FIELD(adjournSortMode) },
        { "nHistorySortMode", K::Int, 3, {}, R::None, kAny, kAnyMax, "history list sort column", VELMORAK_FIELD(historySortMode) },
        { "nDatabaseSortMode", K::Int, 1, {}, R::None, kAny, kAnyMax, "database sort column", VELMORAK_FIELD(databaseSortMode) },
        { "EnableSIPButton", K::Bool, 1, {}, R::None, 0, 1, "show the input-panel button", VELMORAK_FIELD(enableSipButton) },
        { "IDC_CBGAMETAGS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "game view shows tags", VELMORAK_FIELD(gameTags) },
        { "IDC_CBGAMECOMMENTS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "game view shows comments", VELMORAK_FIELD(gameComments) },
        { "IDC_CBGAMEVARIATIONS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "game view shows variations", VELMORAK_FIELD(gameVariations) },
        { "IDC_CBTAGS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "move list shows tags", VELMORAK_FIELD(tags) },
        { "IDC_CBCOMMENTS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "move list shows comments", VELMORAK_FIELD(comments) },
        { "IDC_CBVARIATIONS", K::Bool, 1, {}, R::ViewFlag, 0, 1, "move list shows variations", VELMORAK_FIELD(variations) },
        { "IDC_CBSQUARES", K::Int, 6, {}, R::None, 0, 10, "board texture index", VELMORAK_FIELD(squares) },
        { "IDC_CBPIECESET", K::Int, 0, {}, R::Range, 0, 5, "piece set index", VELMORAK_FIELD(pieceSet) },
        { "IDM_FLIP_BOARD", K::Bool, 0, {}, R::None, 0, 1, "board seen from black's side", VELMORAK_FIELD(flipBoard) },
        { "IDM_SIZE_BOARD", K::Int, 0, {}, R::Range, 0, AppSettings::kBoardLayoutCount - 1, "board layout index", VELMORAK_FIELD(boardSize) },
        { "IDC_CBENGINE", K::String, 0, "", R::None, 0, 0, "engine plug-in file name", VELMORAK_FIELD(engine) },
    };
// clang-format on
#undef VELMORAK_FIELD
#undef VELMORAK_SERVER

// Board texture bitmaps by squares index.
constexpr int kTextureBitmaps[] = { 137, 140, 141, 139, 138, 154, 155, 156, 165, 167, 166 };
constexpr int kUnknownTextureBitmap = 137;

bool isBoardLayout(const OptionSpec& option)
{
    return option.name == "IDM_SIZE_BOARD";
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::optional<bool> parseBool(std::string_view text)
{
    std::string lower;
    for (char c : text)
        lower += lowerAscii(c);
    if (lower == "1" || lower == "true" || lower == "on" || lower == "yes")
        return true;
    if (lower == "0" || lower == "false" || lower == "off" || lower == "no")
        return false;
    return std::nullopt;
}
} // namespace

AppSettings::AppSettings(int screenLayout)
    : m_screenLayout(screenLayout >= 0 && screenLayout < kBoardLayoutCount ? screenLayout : 0)
{
    setDefaults();
}

std::span<const OptionSpec> AppSettings::table()
{
    return kOptions;
}

const OptionSpec* AppSettings::find(std::string_view name)
{
    for (const OptionSpec& option : kOptions)
        if (option.name == name)
            return &option;
    for (const OptionSpec& option : kOptions) {
        if (option.name.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; same && i < name.size(); ++i)
            same = lowerAscii(option.name[i]) == lowerAscii(name[i]);
        if (same)
            return &option;
    }
    return nullptr;
}

int AppSettings::defaultNumber(const OptionSpec& option) const
{
    return isBoardLayout(option) ? m_screenLayout : option.defaultNumber;
}

void AppSettings::setDefaults()
{
    for (const OptionSpec& option : kOptions) {
        OptionField field = option.field(*this);
        if (bool** flag = std::get_if<bool*>(&field))
            **flag = defaultNumber(option) != 0;
        else if (int** number = std::get_if<int*>(&field))
            **number = defaultNumber(option);
        else
            *std::get<std::string*>(field) = std::string(option.defaultText);
    }
}

void AppSettings::load(RegistrySettings& settings)
{
    setDefaults();
    // Missing view flags are written as they are found; one change of the file for all.
    settings.beginWrites();
    for (const OptionSpec& option : kOptions) {
        OptionField field = option.field(*this);
        if (std::string** text = std::get_if<std::string*>(&field)) {
            settings.readString(option.name, **text);
            continue;
        }
        int number = 0;
        if (!settings.readInt(option.name, number)) {
            if (option.rule == OptionRule::ViewFlag)
                settings.writeBool(option.name, true);
            continue;
        }
        switch (option.rule) {
        case OptionRule::ServerIndex:
            if (number < 0 || number > 1)
                number = 0;
            break;
        case OptionRule::Range:
            if (number < option.minimum || number > option.maximum)
                continue;
            break;
        default:
            break;
        }
        if (bool** flag = std::get_if<bool*>(&field))
            **flag = number != 0;
        else
            *std::get<int*>(field) = number;
    }
    settings.endWrites();
    m_stored.clear();
    for (const OptionSpec& option : kOptions)
        m_stored.push_back(valueOf(option));
}

AppSettings::StoredValue AppSettings::valueOf(const OptionSpec& option) const
{
    OptionField field = option.field(const_cast<AppSettings&>(*this));
    if (bool** flag = std::get_if<bool*>(&field))
        return int(**flag);
    if (int** number = std::get_if<int*>(&field))
        return **number;
    return *std::get<std::string*>(field);
}

bool AppSettings::saveOption(RegistrySettings& settings, const OptionSpec& option) const
{
    OptionField field = option.field(const_cast<AppSettings&>(*this));
    if (bool** flag = std::get_if<bool*>(&field))
        return settings.writeBool(option.name, **flag);
    if (int** number = std::get_if<int*>(&field))
        return settings.writeInt(option.name, **number);
    return settings.writeString(option.name, *std::get<std::string*>(field));
}

bool AppSettings::save(RegistrySettings& settings)
{
    const bool loaded = !m_stored.empty();
    std::vector<std::size_t> written;
    settings.beginWrites();
    bool stored = true;
    for (std::size_t row = 0; row < std::size(kOptions); ++row) {
        const OptionSpec& option = kOptions[row];
        // An unchanged value is not ours to write: the store may hold a newer one by now.
        if (loaded && valueOf(option) == m_stored[row])
            continue;
        if (saveOption(settings, option))
            written.push_back(row);
        else
            stored = false;
    }
    if (!settings.endWrites())
        return false;
    if (loaded)
        for (std::size_t row : written)
            m_stored[row] = valueOf(kOptions[row]);
    return stored;
}

std::string AppSettings::displayValue(const OptionSpec& option) const
{
    OptionField field = option.field(const_cast<AppSettings&>(*this));
    if (bool** flag = std::get_if<bool*>(&field))
        return **flag ? "1" : "0";
    if (int** number = std::get_if<int*>(&field))
        return std::to_string(**number);
    const std::string& text = *std::get<std::string*>(field);
    if (option.rule == OptionRule::Secret)
        return text.empty() ? "(not set)" : "(set, hidden)";
    return "\"" + text + "\"";
}

bool AppSettings::isDefault(const OptionSpec& option) const
{
    OptionField field = option.field(const_cast<AppSettings&>(*this));
    if (bool** flag = std::get_if<bool*>(&field))
        return **flag == (defaultNumber(option) != 0);
    if (int** number = std::get_if<int*>(&field))
        return **number == defaultNumber(option);
    return *std::get<std::string*>(field) == option.defaultText;
}

Status AppSettings::setFromText(const OptionSpec& option, std::string_view text)
{
    OptionField field = option.field(*this);
    if (bool** flag = std::get_if<bool*>(&field)) {
        std::optional<bool> value = parseBool(text);
        if (!value)
            return Error { ErrorKind::InvalidInput,
                std::string(option.name) + " takes 1 or 0 (true/false, on/off)" };
        **flag = *value;
        return {};
    }
    if (int** number = std::get_if<int*>(&field)) {
        long long value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size() || value < option.minimum ||
            value > option.maximum) {
            return Error { ErrorKind::InvalidInput,
                std::string(option.name) + " takes a whole number from " +
                    std::to_string(option.minimum) + " to " + std::to_string(option.maximum) };
        }
        **number = static_cast<int>(value);
        return {};
    }
    if (text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
        return Error { ErrorKind::InvalidInput,
            std::string(option.name) + " cannot hold line breaks" };
    *std::get<std::string*>(field) = std::string(text);
    return {};
}

int AppSettings::boardTextureBitmap(int squaresIndex)
{
    if (squaresIndex < 0 || squaresIndex >= static_cast<int>(std::size(kTextureBitmaps)))
        return kUnknownTextureBitmap;
    return kTextureBitmaps[squaresIndex];
}

int AppSettings::boardTextureBitmap() const
{
    return boardTextureBitmap(squares);
}

} // namespace velmorak
