#include "present/LevelSheet.h"

#include <charconv>
#include <climits>

#include "app/GameController.h"

namespace velmorak {

namespace {

// The fixed page's time field cannot show "no limit": it shows this, and anything above
// kLargestFixedTime is taken as no limit.
constexpr int kShownNoTimeLimit = 9999;
constexpr int kLargestFixedTime = 9998;
constexpr int kMaxFieldValue = 999;
constexpr int kSmallTournamentLayouts[] = { 5, 12, 14 };

constexpr std::size_t kPageFieldCount[] = { 6, 2, 2 };

constexpr PredefinedLevel kTournamentLevels[] = {
    { "40/120m,40/60m,rest/30m", { 40, 120, 40, 60, 0, 30 } },
    { "40/60m,40/60m,rest/60m", { 40, 60, 40, 60, 0, 60 } },
    { "40/100m,40/50m,rest/30m", { 40, 100, 40, 50, 0, 30 } },
    { "40/40m,40/40m,rest/40m", { 40, 40, 40, 40, 0, 40 } },
    { "40/20m,40/20m,40/20m", { 40, 20, 40, 20, 40, 20 } },
    { "40/20m,20/10m,rest/10m", { 40, 20, 20, 10, 0, 10 } },
    { "40/10m,40/10m,40/10m", { 40, 10, 40, 10, 40, 10 } },
    { "40/10m,20/5m,rest/5m", { 40, 10, 20, 5, 0, 5 } },
    { "40/5m,40/5m,40/5m", { 40, 5, 40, 5, 40, 5 } },
    { "40/3m,40/3m,40/3m", { 40, 3, 40, 3, 40, 3 } },
};

constexpr PredefinedLevel kBlitzLevels[] = {
    { "60min/game", { 60, 0 } },
    { "30min/game", { 30, 0 } },
    { "15min/game", { 15, 0 } },
    { "10min/game", { 10, 0 } },
    { " 5min/game", { 5, 0 } },
    { " 3min/game", { 3, 0 } },
    { " 2min/game", { 2, 0 } },
    { " 1min/game", { 1, 0 } },
    { "60min/game+10s/move", { 60, 10 } },
    { "30min/game+10s/move", { 30, 10 } },
    { "15min/game+ 5s/move", { 15, 5 } },
    { "10min/game+ 5s/move", { 10, 5 } },
    { " 5min/game+ 3s/move", { 5, 3 } },
    { " 3min/game+ 2s/move", { 3, 2 } },
    { " 2min/game+ 2s/move", { 2, 2 } },
};

constexpr PredefinedLevel kFixedLevels[] = {
    { "Novice", { 1, 9999 } },
    { "Beginner", { 2, 9999 } },
    { "Advanced", { 3, 9999 } },
    { "1sec/move", { 60, 1 } },
    { "2sec/move", { 60, 2 } },
    { "5sec/move", { 60, 5 } },
    { "10sec/move", { 60, 10 } },
    { "30sec/move", { 60, 30 } },
    { "1min/move", { 60, 60 } },
    { "Infinite", { 60, 9999 } },
};

constexpr std::string_view kTournamentFrames[] = { "First time control", "Second time control",
    "Third time control" };

std::size_t pageIndex(LevelPage page)
{
    return static_cast<std::size_t>(page);
}

// Minutes of a field as the seconds a setter takes; false when they do not fit in 32
// bits, so that a huge typed number fails like any value the setter refuses.
bool toSeconds(int minutes, int& seconds)
{
    long long value = 60LL * minutes;
    if (value > INT_MAX || value < INT_MIN)
        return false;
    seconds = static_cast<int>(value);
    return true;
}

} // namespace

LevelSheet::LevelSheet(const LevelRecord& level, bool loseOnTime)
    : m_original(level)
    , m_level(level)
    , m_originalLoseOnTime(loseOnTime)
    , m_loseOnTime(loseOnTime)
    , m_current(startPage(level))
{
    auto& t = pageFields(LevelPage::Tournament);
    t[kMoves1Field] = { "moves", level.moves1, 1, kMaxFieldValue, true };
    t[kMinutes1Field] = { "minutes", level.seconds1 / 60, 1, kMaxFieldValue, true };
    t[kMoves2Field] = { "moves", level.moves2, 0, kMaxFieldValue, true };
    t[kMinutes2Field] = { "minutes", level.seconds2 / 60, 1, kMaxFieldValue, true };
    t[kMoves3Field] = { "moves", 0, 0, kMaxFieldValue, true };
    t[kMinutes3Field] = { "minutes", 0, 0, kMaxFieldValue, true };
    showThirdPeriod(level.moves2 != 0);

    auto& b = pageFields(LevelPage::Blitz);
    b[kBlitzMinutesField] = { "minutes for the game", level.blitzSeconds / 60, 1, kMaxFieldValue,
        true };
    b[kBlitzIncrementField] = { "seconds increment", level.blitzIncrement, 0, kMaxFieldValue,
        true };

    auto& f = pageFields(LevelPage::Fixed);
    f[kFixedDepthField] = { "max. searchdepth (halfmoves)", level.fixedPlies, 1, kMaxFixedPlies,
        true };
    f[kFixedSecondsField] = { "max. time/move (seconds)",
        level.fixedSeconds == kNoTimeLimit ? kShownNoTimeLimit : level.fixedSeconds, 1,
        kShownNoTimeLimit, true };
}

LevelPage LevelSheet::startPage(const LevelRecord& level)
{
    if (level.mode == kBlitzLevel)
        return LevelPage::Blitz;
    if (level.mode == kFixedLevel)
        return LevelPage::Fixed;
    return LevelPage::Tournament;
}

std::string_view LevelSheet::pageTitle(LevelPage page)
{
    static constexpr std::string_view kTitles[] = { "Tournament", "Blitz", "Fixed" };
    return kTitles[pageIndex(page)];
}

std::string_view LevelSheet::helpTarget(LevelPage page)
{
    static constexpr std::string_view kTargets[] = { "Velmorak.htm#LevelTournament",
        "Velmorak.htm#LevelBlitz", "Velmorak.htm#LevelDepth" };
    return kTargets[pageIndex(page)];
}

std::span<const std::string_view> LevelSheet::tournamentFrames()
{
    return kTournamentFrames;
}

std::span<const PredefinedLevel> LevelSheet::predefined(LevelPage page)
{
    switch (page) {
    case LevelPage::Tournament:
        return kTournamentLevels;
    case LevelPage::Blitz:
        return kBlitzLevels;
    case LevelPage::Fixed:
        break;
    }
    return kFixedLevels;
}

bool LevelSheet::usesSmallTournamentPage(int layout)
{
    for (int small : kSmallTournamentLayouts)
        if (layout == small)
            return true;
    return false;
}

std::array<LevelField, LevelSheet::kFieldCount>& LevelSheet::pageFields(LevelPage page)
{
    return m_fields[pageIndex(page)];
}

std::span<const LevelField> LevelSheet::fields(LevelPage page) const
{
    return std::span<const LevelField>(m_fields[pageIndex(page)])
        .first(kPageFieldCount[pageIndex(page)]);
}

void LevelSheet::showThirdPeriod(bool enabled)
{
    auto& t = pageFields(LevelPage::Tournament);
    for (std::size_t index : { kMoves3Field, kMinutes3Field }) {
        t[index].enabled = enabled;
        t[index].maximum = enabled ? kMaxFieldValue : 0;
    }
    t[kMoves3Field].value = enabled ? m_level.moves3 : 0;
    t[kMinutes3Field].value = enabled ? m_level.seconds3 / 60 : 0;
}

void LevelSheet::showPage(LevelPage page)
{
    leavePage(m_current);
    m_current = page;
}

void LevelSheet::setField(LevelPage page, std::size_t index, int value)
{
    if (index >= fields(page).size())
        return;
    LevelField& field = pageFields(page)[index];
    const int before = field.value;
    field.value = value;
    if (page == LevelPage::Tournament && index == kMoves2Field && (before == 0) != (value == 0))
        showThirdPeriod(value != 0);
}

void LevelSheet::setFieldText(LevelPage page, std::size_t index, std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || last != end)
        value = 0;
    setField(page, index, value);
}

void LevelSheet::choosePredefined(LevelPage page, std::size_t entry)
{
    std::span<const PredefinedLevel> entries = predefined(page);
    if (entry >= entries.size())
        return;
    // In field order, so that the second moves field's rule runs before the third period
    // is filled, and the entry's third period is the one shown.
    for (std::size_t index = 0; index < fields(page).size(); ++index)
        setField(page, index, entries[entry].values[index]);
}

void LevelSheet::leavePage(LevelPage page)
{
    const auto& v = pageFields(page);
    switch (page) {
    case LevelPage::Tournament: {
        int s1 = 0, s2 = 0, s3 = m_level.seconds3, m3 = m_level.moves3;
        if (!toSeconds(v[kMinutes1Field].value, s1) || !toSeconds(v[kMinutes2Field].value, s2))
            return;
        // A second period for the rest of the game leaves the third as it was.
        if (v[kMoves2Field].value != 0) {
            m3 = v[kMoves3Field].value;
            if (!toSeconds(v[kMinutes3Field].value, s3))
                return;
        }
        m_level.setTournament(v[kMoves1Field].value, s1, v[kMoves2Field].value, s2, m3, s3);
        return;
    }
    case LevelPage::Blitz: {
        int seconds = 0;
        if (toSeconds(v[kBlitzMinutesField].value, seconds))
            m_level.setBlitz(seconds, v[kBlitzIncrementField].value);
        return;
    }
    case LevelPage::Fixed: {
        int depth = v[kFixedDepthField].value;
        int seconds = v[kFixedSecondsField].value;
        if (seconds > kLargestFixedTime)
            seconds = kNoTimeLimit;
        else
            depth = kMaxFixedPlies;
        m_level.setFixed(depth, seconds);
        return;
    }
    }
}

LevelSheetResult LevelSheet::finish(bool ok)
{
    if (!ok)
        return { m_original, false, m_originalLoseOnTime, false };
    leavePage(m_current);
    return { m_level, !(m_level == m_original), m_loseOnTime, true };
}

LevelSheet levelSheetFor(const GameController& controller)
{
    return LevelSheet(controller.level(), controller.loseOnTime());
}

void applyLevelSheet(GameController& controller, const LevelSheetResult& result)
{
    if (!result.accepted)
        return;
    controller.applyLevel(result.level);
    controller.setLoseOnTime(result.loseOnTime);
    controller.saveLevel();
}

} // namespace velmorak
