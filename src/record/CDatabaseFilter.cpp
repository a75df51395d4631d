#include "CDatabaseFilter.h"

#include <algorithm>

namespace velmorak {

namespace {
char fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Raises the decimal number in text by one: the last digit goes up, a 9 becomes 0 and
// carries to the digit before it; other characters are passed over. False when the
// carry runs off the front.
bool incrementDecimal(std::string& text)
{
    for (std::size_t i = text.size(); i-- > 0;) {
        char& c = text[i];
        if (c < '0' || c > '9')
            continue;
        if (c != '9') {
            ++c;
            return true;
        }
        c = '0';
    }
    return false;
}
} // namespace

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    if (part.empty())
        return true;
    if (part.size() > text.size())
        return false;
    const char first = fold(part[0]);
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (fold(text[i]) != first)
            continue;
        std::size_t j = 1;
        while (j < part.size() && fold(text[i + j]) == fold(part[j]))
            ++j;
        if (j == part.size())
            return true;
    }
    return false;
}

bool matchesYears(std::string_view date, std::string_view yearFrom, std::string_view yearTo)
{
    std::string_view from = yearFrom.empty() ? yearTo : yearFrom;
    if (from.empty())
        return true;
    std::string candidate(from);
    for (int tries = 0; tries < kMaxYearCandidates; ++tries) {
        if (date.find(candidate) != std::string_view::npos)
            return true;
        if (!incrementDecimal(candidate))
            return false;
        if (std::string_view(candidate) > yearTo)
            return false;
    }
    return false;
}

FilterMatcher::FilterMatcher(const CDatabaseFilter& filter)
    : m_filter(filter)
    , m_anyResult(filter.win || filter.draw || filter.loss || filter.line)
{
}

bool FilterMatcher::evaluate(Test test, std::string_view text) const
{
    const CDatabaseFilter& f = m_filter;
    switch (test) {
    case WhiteAsWhite:
    case BlackAsWhite:
        return containsIgnoringCase(text, test == WhiteAsWhite ? f.white : f.black);
    case WhiteAsBlack:
    case BlackAsBlack:
        return containsIgnoringCase(text, test == WhiteAsBlack ? f.white : f.black);
    case Event:
        return containsIgnoringCase(text, f.event);
    case Year:
        return matchesYears(text, f.yearFrom, f.yearTo);
    case Result:
        return (f.win && text.find("1-0") != std::string_view::npos) ||
            (f.draw && text.find("1/2") != std::string_view::npos) ||
            (f.loss && text.find("0-1") != std::string_view::npos) ||
            (f.line && text.find('*') != std::string_view::npos);
    case Eco:
        return containsIgnoringCase(text, f.eco);
    }
    return false;
}

bool FilterMatcher::test(Test which, std::uint32_t id, std::string_view text)
{
    std::vector<std::int8_t>& memo = m_memo[which];
    if (id >= memo.size())
        memo.resize(std::size_t(id) + 1 + memo.size() / 2, -1);
    if (memo[id] < 0)
        memo[id] = evaluate(which, text) ? 1 : 0;
    return memo[id] != 0;
}

bool FilterMatcher::matches(const CDatabaseEntry& e)
{
    const CDatabaseFilter& f = m_filter;
    auto check = [&](Test which, EntryField field) {
        return test(which, e.textId(field), e.text(field));
    };
    if (!f.white.empty() && !check(WhiteAsWhite, EntryField::White) &&
        !(f.ignoreColor && check(WhiteAsBlack, EntryField::Black)))
        return false;
    if (!f.black.empty() && !check(BlackAsBlack, EntryField::Black) &&
        !(f.ignoreColor && check(BlackAsWhite, EntryField::White)))
        return false;
    if (!f.event.empty() && !check(Event, EntryField::Event))
        return false;
    if ((!f.yearFrom.empty() || !f.yearTo.empty()) && !check(Year, EntryField::Date))
        return false;
    if (m_anyResult && !check(Result, EntryField::Result))
        return false;
    return f.eco.empty() || check(Eco, EntryField::Eco);
}

bool matchesFilter(const CDatabaseEntry& entry, const CDatabaseFilter& filter)
{
    FilterMatcher matcher(filter);
    return matcher.matches(entry);
}

} // namespace velmorak
