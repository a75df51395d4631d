#include "server/ServerPattern.h"

#include <gtest/gtest.h>

#include "server/ServerDialect.h"
#include "server/ServerGameResult.h"

namespace velmorak {
namespace {

// Captures joined with "|", or "no match".
std::string matched(std::string_view line, std::string_view pattern)
{
    PatternCaptures captures { "stale" };
    if (!matchPattern(line, pattern, captures))
        return captures.empty() ? "no match" : "no match, captures left";
    std::string joined;
    for (std::size_t i = 0; i < captures.size(); ++i)
        joined += (i > 0 ? "|" : "") + captures[i];
    return joined;
}

struct PatternRow {
    const char* name;
    const char* pattern;
    const char* line;
    const char* expected;
};

TEST(ServerPatternTest, MatchesTheLanguage)
{
    const PatternRow rows[] = {
        { "a name run", "%S", "Guest-12", "Guest-12" },
        { "a name stops at a title", "%S(%S)", "Guest(U)", "Guest|U" },
        { "a title is required", "%S(%S)", "Name", "no match" },
        { "blank runs are captures", "%n%b%n", "1500 1600", "1500| |1600" },
        { "a run is never shortened", "%N5", "125", "no match" },
        { "the template covers the whole line", "abc", "abcd", "no match" },
        { "a trailing star allows more", "abc*", "abcd", "" },
        { "a star takes the shortest run", "a*b%s", "axbyb", "yb" },
        { "a star may take nothing", "*abc", "abc", "" },
        { "a literal percent and star", "100%% %*", "100% *", "" },
        { "an unknown code never matches", "%x", "x", "no match" },
        { "a lone percent never matches", "a%", "a%", "no match" },
        { "a run must not be empty", "a%Nb", "ab", "no match" },
        { "bytes beyond ASCII are in no class", "%s", "\xC3\xA9", "no match" },
        { "a titled name", "%A tells you:*", "Name(TM)(*) tells you: hi", "Name(TM)(*)" },
        { "a rating gap", "%S%C%r", "GuestAB (++++)", "GuestAB| (|++++)" },
        { "a signed run", "%n", "-12+", "-12+" },
        { "text with blanks", "[%t]", "[bu 5 0]", "bu 5 0" },
        { "a token", "%r", "(0:03.123)", "(0:03.123)" },
    };
    for (const PatternRow& row : rows)
        EXPECT_EQ(matched(row.line, row.pattern), row.expected) << row.name;
}

// Real server lines against the dialect templates they are meant for.
TEST(ServerPatternTest, ReadsRealServerLines)
{
    const auto dialects = makeServerDialects();
    const ServerDialect& fics = dialects[kFicsDialect];
    const ServerDialect& icc = dialects[kIccDialect];
    const PatternRow rows[] = {
        { "creating", fics.sGameCreate1.c_str(),
            "Creating: GuestAB (++++) GuestCD (1523) unrated blitz 5 0",
            "GuestAB| (|++++)| |GuestCD| (|1523)| |unrated| |blitz| |5| |0" },
        { "game number", fics.sGameCreate2.c_str(),
            "{Game 55 (mgatto vs. Thegermain) Creating unrated blitz match.}",
            "55|mgatto|Thegermain|unrated|blitz" },
        { "continuing is not creating", fics.sGameCreate2.c_str(),
            "{Game 55 (mgatto vs. Thegermain) Continuing unrated blitz match.}", "no match" },
        { "challenge", fics.sChallenge.c_str(),
            "Challenge: ggbtami (----) gbtami (1708) unrated blitz 5 0.",
            "ggbtami| (|----)| |gbtami| (|1708)| |unrated| |blitz| |5| |0" },
        { "kibitz", fics.sKibitzLine.c_str(),
            "LectureBot(TD)(----)[1] kibitzes: Let's back up and find the right 13th move.",
            "LectureBot(TD)(|1| " },
        { "move pair", fics.sMovesLine2.c_str(), "2.  d4      (0:01.617)      d5      (0:02.220)",
            "2|  |d4|      |(0:01.617)|      |d5|      |(0:02.220)" },
        { "observation ends", fics.sObserveStop.c_str(), "Removing game 127 from observation list.",
            "127" },
        { "registered login", fics.sLoginRegistered.c_str(),
            "**** Starting FICS session as GuestABCD ****", "GuestABCD| " },
        { "ICC guest login", icc.sLoginGuest.c_str(),
            "Your name for this session will be \"guest1234\".", "guest1234" },
        { "ICC draw offer", icc.sDrawOffer.c_str(), "Your opponent offers you a draw.",
            "opponent" },
        { "ICC seek sent", icc.sSeekSent.c_str(), "Your ad sent to 312 players.", "312" },
        { "prompt is not a template", fics.sPrompt.c_str(), "fics% ", "no match" },
    };
    for (const PatternRow& row : rows)
        EXPECT_EQ(matched(row.line, row.pattern), row.expected) << row.name;
}

// Several stars cost a power of the line's length: such templates never see a long line,
// while single-star ones still do, and a star before a class run stays linear.
TEST(ServerPatternTest, LongLinesSkipTemplatesWithSeveralStars)
{
    const ServerDialect fics = makeServerDialects()[kFicsDialect];
    std::string padding(kMaxMultiWildcardLineLength, 'x');
    std::string shortMate = "{Game 1 (a vs. b) b checkmated} 1-0";
    std::string longMate = "{Game 1 (a vs. b) " + padding + " checkmated} 1-0";
    PatternCaptures captures;
    EXPECT_TRUE(matchPattern(shortMate, fics.sReasonMate, captures));
    EXPECT_FALSE(matchPattern(longMate, fics.sReasonMate, captures));
    EXPECT_TRUE(matchPattern("<12> " + padding, fics.sStyle12Line, captures));
    EXPECT_TRUE(matchPattern("Notification:" + padding, fics.sNotificationLine, captures));

    std::string digits(1 << 20, '7');
    EXPECT_FALSE(matchPattern(digits, "*%n%bx", captures));
    EXPECT_TRUE(matchPattern(digits + " x", "*%n%bx", captures));
    EXPECT_EQ(captures.size(), 2u);

    // Without the table of tried positions these would try every way to place the stars.
    std::string xs(1000, 'x');
    EXPECT_FALSE(matchPattern(xs, "*x*x*x*x*x*x*x*y", captures));
    EXPECT_TRUE(matchPattern(xs + "y", "*x*x*x*x*x*x*x*y", captures));
    EXPECT_FALSE(matchPattern("abcdefghij", "*a*b*c*d*e*f*g*h*i*j", captures));
}

// A `%` code outside the classes makes a template silently never match. The prompt and
// the list ends equal to it are compared, not matched.
TEST(ServerPatternTest, DialectTemplatesUseOnlyKnownCodes)
{
    for (const ServerDialect& dialect : makeServerDialects())
        for (auto member : kServerDialectTemplates) {
            const std::string& pattern = dialect.*member;
            if (member == &ServerDialect::sPrompt || member == &ServerDialect::sStoredEnd ||
                member == &ServerDialect::sHistoryEnd)
                continue;
            EXPECT_FALSE(pattern.empty());
            for (std::size_t i = 0; i < pattern.size(); ++i)
                if (pattern[i] == '%') {
                    ASSERT_LT(i + 1, pattern.size()) << pattern;
                    EXPECT_NE(std::string_view("NnsSaAbrtTC%*").find(pattern[++i]),
                        std::string_view::npos)
                        << pattern;
                }
        }
}

struct ResultRow {
    int dialect;
    const char* line;
    std::optional<ServerGameResult> expected;
};

TEST(ServerPatternTest, ReadsGameResults)
{
    const auto dialects = makeServerDialects();
    const ResultRow rows[] = {
        { kFicsDialect, "{Game 107 (gbtami vs. ggbtami) gbtami checkmated} 0-1",
            ServerGameResult { 107, "0-1", "checkmated" } },
        { kFicsDialect, "{Game 5 (a vs. b) b forfeits on time} 1-0",
            ServerGameResult { 5, "1-0", "forfeits on time" } },
        { kFicsDialect,
            "{Game 117 (Hevonen vs. narutochess) narutochess ran out of time and Hevonen has no "
            "material to mate} 1/2-1/2",
            ServerGameResult { 117, "1/2-1/2",
                "narutochess ran out of time and Hevonen has no material to mate" } },
        { kFicsDialect, "{Game 111 (GuestGTFC vs. GuestRLJC) Game aborted on move 1} *",
            ServerGameResult { 111, "*", "Game aborted on move 1" } },
        { kFicsDialect, "{Game 84 (a vs. b) a lost connection; game adjourned} *   extra",
            ServerGameResult { 84, "*", "lost contact, game adjourned" } },
        { kIccDialect, "{Game 9 (a vs. b) Game adjourned when b disconnected} *",
            ServerGameResult { 9, "*", "lost contact, game adjourned" } },
        { kFicsDialect, "{Game 2 (a vs. b) Game adjourned by mutual agreement} *",
            ServerGameResult { 2, "*", "mutual adjourn" } },
        { kFicsDialect, "{Game 99999999999 (a vs. b) a resigns} 0-1",
            ServerGameResult { -1, "0-1", "resigns" } },
        { kFicsDialect, "{Game 55 (mgatto vs. Thegermain) Creating unrated blitz match.}",
            std::nullopt },
        { kFicsDialect, "{Game 5 (a vs. b) a resigns} 1-", std::nullopt },
    };
    for (const ResultRow& row : rows)
        EXPECT_EQ(parseGameResult(row.line, dialects[std::size_t(row.dialect)]), row.expected)
            << row.line;
}

} // namespace
} // namespace velmorak
