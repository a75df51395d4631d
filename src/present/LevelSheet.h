#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "app/LevelRecord.h"

namespace velmorak {

// The pages of the "Levels..." sheet, each editing one kind of level.
enum class LevelPage { Tournament, Blitz, Fixed };

// Field indices of each page.
enum TournamentField {
    kMoves1Field,
    kMinutes1Field,
    kMoves2Field,
    kMinutes2Field,
    kMoves3Field,
    kMinutes3Field
};
enum BlitzField { kBlitzMinutesField, kBlitzIncrementField };
enum FixedField { kFixedDepthField, kFixedSecondsField };

// A number field with its spin range. The range bounds the spin buttons only: a typed
// number outside it is kept and judged by the page's setter when the page is left.
struct LevelField {
    std::string_view label;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    bool enabled = true;
};

// An entry of a page's "Predefined" box: the values it puts in the page's fields, in field
// order (the tournament page uses six, the others two).
struct PredefinedLevel {
    std::string_view text;
    std::array<int, 6> values;
};

struct LevelSheetResult {
    LevelRecord level;
    // The level differs from the one the sheet was opened with.
    bool changed = false;
    bool loseOnTime = false;
    // Closed with OK.
    bool accepted = false;
};

// The "Levels..." property sheet as data and rules; a window shows its pages and fields and
// passes the user's actions on. The sheet works on a copy of the level: each page, when it
// is left (another page shown, or OK), applies its fields through its setter, which also
// sets the mode, so the page left last decides the kind of level. A field whose setter
// check fails leaves the copy as it was.
class LevelSheet {
public:
    static constexpr std::string_view kTitle = "Velmorak";
    static constexpr std::size_t kFieldCount = 6;

    explicit LevelSheet(const LevelRecord& level, bool loseOnTime = false);

    static LevelPage startPage(const LevelRecord& level);
    static std::string_view pageTitle(LevelPage page);
    // The help viewer's target, file and anchor ("Velmorak.htm#LevelBlitz").
    static std::string_view helpTarget(LevelPage page);
    // The tournament page's frames: "First time control", "Second ...", "Third ...".
    static std::span<const std::string_view> tournamentFrames();
    static std::span<const PredefinedLevel> predefined(LevelPage page);
    // The tournament page's small template fits these screen layouts.
    static bool usesSmallTournamentPage(int layout);

    LevelPage currentPage() const { return m_current; }
    std::span<const LevelField> fields(LevelPage page) const;
    // The level with every page left so far applied.
    const LevelRecord& level() const { return m_level; }
    // "Lose on time", below the pages: it holds for every kind of level with a clock.
    bool loseOnTime() const { return m_loseOnTime; }
    void setLoseOnTime(bool on) { m_loseOnTime = on; }

    // Shows another page; the current one is left first.
    void showPage(LevelPage page);
    // A field changed by its spin buttons or by typing; text that is not a number reads
    // as 0. On the tournament page, the second moves field becoming 0 disables the third
    // frame (showing 0 and 0), and becoming non-zero enables it with the level's third
    // period.
    void setField(LevelPage page, std::size_t index, int value);
    void setFieldText(LevelPage page, std::size_t index, std::string_view text);
    // Fills the page's fields from its predefined entry; an index past the list does nothing.
    void choosePredefined(LevelPage page, std::size_t entry);
    // Applies the page's fields to the level (see the class comment).
    void leavePage(LevelPage page);
    // Closes the sheet: OK leaves the current page and gives the edited level; Cancel gives
    // the level the sheet was opened with, unchanged.
    LevelSheetResult finish(bool ok);

private:
    std::array<LevelField, kFieldCount>& pageFields(LevelPage page);
    void showThirdPeriod(bool enabled);

    LevelRecord m_original;
    LevelRecord m_level;
    bool m_originalLoseOnTime;
    bool m_loseOnTime;
    LevelPage m_current;
    std::array<std::array<LevelField, kFieldCount>, 3> m_fields;
};

class GameController;

// The sheet over the controller's level; the level guard has warned before.
LevelSheet levelSheetFor(const GameController& controller);
// After the sheet closed: OK gives the controller the level (a changed level cancels its
// search, GameController::applyLevel) and "Lose on time", and stores both at once, so a
// crash later loses neither; Cancel changes nothing.
void applyLevelSheet(GameController& controller, const LevelSheetResult& result);

} // namespace velmorak
