#include "TagCompletion.h"

#include <cstdio>

namespace velmorak {

void completeTags(CGame& game, const TagCompletionRequest& request, TagCompletionSources& sources)
{
    if (request.namePlayers && game.white().empty() && game.black().empty()) {
        std::string owner = sources.ownerName();
        game.setWhite(request.ownerPlaysWhite ? owner : request.programName);
        game.setBlack(request.ownerPlaysWhite ? request.programName : owner);
    }
    const bool needTime = request.forAutosave;
    if (game.date().empty() || needTime) {
        const LocalDateTime now = sources.now();
        char text[40];
        if (game.date().empty()) {
            std::snprintf(text, sizeof text, "%04d.%02d.%02d", now.year, now.month, now.day);
            game.setDate(text);
        }
        if (needTime) {
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
            game.setTag("Time", text);
        }
    }
    if (game.result().empty() && !request.currentSan.empty() && request.currentSan.back() == '#')
        game.setResult(request.blackToMove ? "1-0" : "0-1");
}

} // namespace velmorak
