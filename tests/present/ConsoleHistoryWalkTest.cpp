#include "present/ConsoleHistoryWalk.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

// The command field as the console's Up (U) and Down (D) keys leave it, one text per key.
std::vector<std::string> walk(ConsoleHistoryWalk& walker, const std::vector<std::string>& history,
    std::string field, std::string_view keys)
{
    std::vector<std::string> shown;
    for (char key : keys) {
        const auto next = key == 'U' ? walker.older(history, field) : walker.newer(history);
        if (next)
            field = *next;
        shown.push_back(field);
    }
    return shown;
}

TEST(ConsoleHistoryWalk, UpAndDownWalkTheTypedLinesAndGiveBackTheDraft)
{
    using Lines = std::vector<std::string>;
    const Lines history { "who", "finger mgatto", "sought" };
    struct Row {
        const char* name;
        Lines history;
        const char* keys;
        Lines shown;
    } rows[] = {
        { "up to the oldest and stays", history, "UUUU",
            { "sought", "finger mgatto", "who", "who" } },
        { "down past the newest gives the draft back", history, "UUDDD",
            { "sought", "finger mgatto", "sought", "obs", "obs" } },
        { "down without a walk keeps the field", history, "DD", { "obs", "obs" } },
        { "no history", {}, "UD", { "obs", "obs" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ConsoleHistoryWalk walker;
        EXPECT_EQ(walk(walker, row.history, "obs", row.keys), row.shown);
    }

    // A walk goes on over a history that changed under it, and starts anew when restarted.
    ConsoleHistoryWalk walker;
    EXPECT_EQ(walk(walker, history, "", "UUU"), (Lines { "sought", "finger mgatto", "who" }));
    EXPECT_EQ(walk(walker, { "who" }, "who", "DU"), (Lines { "", "who" }));
    walker.restart();
    EXPECT_EQ(walk(walker, history, "x", "U"), (Lines { "sought" }));
}

} // namespace
