#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "record/CGame.h"

namespace velmorak {

class GameController;

// The "Game details" dialog's fields over a game: White, Black, Event, Site, Date, Result
// and a copy of the remaining tags. Nothing reaches the game before store(), which writes
// only what the user changed, so a value the fields cannot show (a Result outside the four,
// a very long name) survives the dialog untouched.
class GameDetails {
public:
    // The Result drop-down.
    static constexpr std::string_view kResults[] = { "1-0", "1/2-1/2", "0-1", "*" };

    // `knownNames`: the player names the program knows (device owner, engine, program).
    GameDetails(const CGame& game, const std::vector<std::string>& knownNames);
    // The dialog over the controller's current game, its tags completed first.
    static GameDetails forCurrentGame(GameController& controller);

    std::string white;
    std::string black;
    std::string event;
    std::string site;
    std::string date;
    std::string result;

    // The White and Black drop-downs: the game's players, then the known names, each once.
    const std::vector<std::string>& playerNames() const { return m_names; }
    // The remaining tags as edited so far (Round among them), in the game's order with new
    // ones at the end.
    const TagList& otherTags() const { return m_others; }
    std::string otherValue(std::string_view name) const;
    // A value for the tag chosen or typed in the drop-down. A new name becomes a tag when it
    // gets a value. False (nothing changes) for a name a PGN file cannot carry (anything but
    // letters, digits and '_') or one of the six with fields of their own.
    bool setOtherTag(std::string_view name, std::string_view value);
    static bool isValidTagName(std::string_view name);
    // "Undo": every field as the game has it.
    void undo();
    // Closing: writes the fields and tags that differ from the game; true when any did.
    bool store(CGame& game) const;

private:
    const CGame& m_game;
    std::vector<std::string> m_names;
    TagList m_others;
};

} // namespace velmorak
