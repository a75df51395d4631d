#pragma once

#include <string>

#include "CGame.h"

namespace velmorak {

struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Where tag completion gets the device owner's name and the local time from.
class TagCompletionSources {
public:
    virtual ~TagCompletionSources() = default;
    virtual std::string ownerName() = 0;
    virtual LocalDateTime now() = 0;
};

// What the controller knows about its current position when it completes the tags.
struct TagCompletionRequest {
    // Fill empty White and Black (the controller says when: not in a mate or stalemate).
    bool namePlayers = true;
    // The side that gets the owner's name: the side to move in the current position.
    bool ownerPlaysWhite = true;
    std::string programName = "Velmorak";
    // Before an autosave the Time tag is set as well.
    bool forAutosave = false;
    // SAN text of the current node and whether Black is to move after it.
    std::string currentSan;
    bool blackToMove = false;
};

// Fills what a saved game must carry: both player names when both are empty, an empty Date
// (YYYY.MM.DD), Time (HH:MM:SS) before an autosave, and an empty Result after a mate.
void completeTags(CGame& game, const TagCompletionRequest& request, TagCompletionSources& sources);

} // namespace velmorak
