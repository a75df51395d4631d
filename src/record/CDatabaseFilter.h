#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "CDatabaseEntry.h"

namespace velmorak {

// What the database list is filtered by. Texts match when they occur anywhere in the
// entry's text, letters compared without case; an empty text matches everything.
struct CDatabaseFilter {
    std::string white;
    std::string black;
    // A player text may match either colour.
    bool ignoreColor = true;
    std::string yearFrom;
    std::string yearTo;
    std::string event;
    std::string eco;
    // Results, from White's side; none set means every result.
    bool win = false;
    bool draw = false;
    bool loss = false;
    bool line = false;

    friend bool operator==(const CDatabaseFilter&, const CDatabaseFilter&) = default;
};

// Whether `text` contains `part`, ignoring the case of A to Z.
bool containsIgnoringCase(std::string_view text, std::string_view part);

// The year test alone: the date contains one of the years from yearFrom (or yearTo) up to
// yearTo, counted as decimal strings; at most kMaxYearCandidates years are tried.
inline constexpr int kMaxYearCandidates = 3001;
bool matchesYears(std::string_view date, std::string_view yearFrom, std::string_view yearTo);

// All six tests of the filter on one entry.
bool matchesFilter(const CDatabaseEntry& entry, const CDatabaseFilter& filter);

// The same tests for many entries of one index: each test runs once per distinct text (the
// entries' text numbers), so a million games cost a million lookups, not a million scans.
class FilterMatcher {
public:
    explicit FilterMatcher(const CDatabaseFilter& filter);
    bool matches(const CDatabaseEntry& entry);

private:
    enum Test { WhiteAsWhite, WhiteAsBlack, BlackAsBlack, BlackAsWhite, Event, Year, Result, Eco };
    bool test(Test test, std::uint32_t id, std::string_view text);
    bool evaluate(Test test, std::string_view text) const;

    const CDatabaseFilter& m_filter;
    bool m_anyResult;
    std::vector<std::int8_t> m_memo[8];
};

} // namespace velmorak
