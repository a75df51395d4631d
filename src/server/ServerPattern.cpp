#include "server/ServerPattern.h"

#include <array>
#include <cstdint>
#include <vector>

namespace velmorak {
namespace {

using ClassMask = std::uint16_t;

constexpr ClassMask kDigits = 1 << 0; // %N
constexpr ClassMask kSigned = 1 << 1; // %n
constexpr ClassMask kLetters = 1 << 2; // %s
constexpr ClassMask kName = 1 << 3; // %S
constexpr ClassMask kTitleLetters = 1 << 4; // %a
constexpr ClassMask kTitledName = 1 << 5; // %A
constexpr ClassMask kBlank = 1 << 6; // %b
constexpr ClassMask kToken = 1 << 7; // %r
constexpr ClassMask kText = 1 << 8; // %t
constexpr ClassMask kDashedText = 1 << 9; // %T
constexpr ClassMask kRatingGap = 1 << 10; // %C

constexpr void addTo(std::array<ClassMask, 256>& table, std::string_view chars, ClassMask mask)
{
    for (char c : chars)
        table[static_cast<unsigned char>(c)] |= mask;
}

constexpr std::array<ClassMask, 256> makeClassTable()
{
    std::array<ClassMask, 256> table {};
    constexpr std::string_view kDigitChars = "0123456789";
    constexpr std::string_view kLetterChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    addTo(
        table, kDigitChars, kDigits | kSigned | kName | kTitledName | kToken | kText | kDashedText);
    addTo(table, kLetterChars,
        kLetters | kName | kTitleLetters | kTitledName | kToken | kText | kDashedText);
    addTo(table, "+", kSigned);
    addTo(table, "-", kSigned | kName | kDashedText);
    addTo(table, "_", kName | kTitledName | kText | kDashedText);
    addTo(table, "()*", kTitleLetters | kTitledName);
    addTo(table, " \t", kBlank | kText | kDashedText | kRatingGap);
    addTo(table, "(", kRatingGap);
    addTo(table, "()[]{}.,;:!@#$%^&*_-+=\\|<>?/~", kToken);
    return table;
}

constexpr std::array<ClassMask, 256> kClassTable = makeClassTable();

// The mask of a class letter, 0 for a letter that names no class.
constexpr ClassMask classOf(char letter)
{
    switch (letter) {
    case 'N':
        return kDigits;
    case 'n':
        return kSigned;
    case 's':
        return kLetters;
    case 'S':
        return kName;
    case 'a':
        return kTitleLetters;
    case 'A':
        return kTitledName;
    case 'b':
        return kBlank;
    case 'r':
        return kToken;
    case 't':
        return kText;
    case 'T':
        return kDashedText;
    case 'C':
        return kRatingGap;
    default:
        return 0;
    }
}

class Matcher {
public:
    // `retrying` wildcards beyond the first get a table of the positions already tried.
    Matcher(std::string_view line, std::string_view pattern, std::size_t retrying)
        : m_line(line)
        , m_pattern(pattern)
    {
        if (retrying > 1)
            m_failed.assign(retrying * (line.size() + 1), false);
    }

    // Every successful path visits every `%` code once, in template order, so a run
    // written into m_runs by an abandoned attempt is always overwritten by the winning one.
    // `star` counts the retrying wildcards passed: with `from`, it names the state, and a
    // state that failed once fails again, so each is tried once and the cost stays
    // polynomial whatever the template.
    bool match(std::size_t at, std::size_t from, std::size_t capture, std::size_t star = 0)
    {
        while (true) {
            if (from == m_pattern.size())
                return at == m_line.size();
            char element = m_pattern[from];
            if (element == '*') {
                // A trailing `*` takes whatever is left; elsewhere a literal after it lets
                // every position where that literal cannot start be skipped.
                if (from + 1 == m_pattern.size())
                    return true;
                // Before a class run, a position inside a run already tried gives the same
                // run end and so the same failure: one try per run keeps this linear.
                char next = m_pattern[from + 1];
                bool literalNext = next != '*' && next != '%';
                ClassMask runClass = next == '%' && from + 2 < m_pattern.size()
                    ? classOf(m_pattern[from + 2])
                    : ClassMask(0);
                for (std::size_t p = at; p <= m_line.size(); ++p) {
                    if (literalNext && (p == m_line.size() || m_line[p] != next))
                        continue;
                    if (p > at && runClass != 0 &&
                        (kClassTable[static_cast<unsigned char>(m_line[p - 1])] & runClass) != 0)
                        continue;
                    std::size_t state = star * (m_line.size() + 1) + p;
                    if (!m_failed.empty() && m_failed[state])
                        continue;
                    if (match(p, from + 1, capture, star + 1))
                        return true;
                    if (!m_failed.empty())
                        m_failed[state] = true;
                }
                return false;
            }
            if (element == '%') {
                if (from + 1 == m_pattern.size())
                    return false;
                char code = m_pattern[from + 1];
                if (code == '%' || code == '*') {
                    if (at == m_line.size() || m_line[at] != code)
                        return false;
                    ++at;
                    from += 2;
                    continue;
                }
                ClassMask mask = classOf(code);
                if (mask == 0 || capture == kMaxPatternCaptures)
                    return false;
                std::size_t end = at;
                while (end < m_line.size() &&
                    (kClassTable[static_cast<unsigned char>(m_line[end])] & mask) != 0)
                    ++end;
                if (end == at)
                    return false;
                m_runs[capture] = m_line.substr(at, end - at);
                ++capture;
                at = end;
                from += 2;
                continue;
            }
            if (at == m_line.size() || m_line[at] != element)
                return false;
            ++at;
            ++from;
        }
    }

    std::size_t countCaptures() const
    {
        std::size_t count = 0;
        for (std::size_t i = 0; i + 1 < m_pattern.size(); ++i)
            if (m_pattern[i] == '%') {
                if (m_pattern[i + 1] != '%' && m_pattern[i + 1] != '*')
                    ++count;
                ++i;
            }
        return count;
    }

    std::string_view run(std::size_t index) const { return m_runs[index]; }

private:
    std::string_view m_line;
    std::string_view m_pattern;
    std::array<std::string_view, kMaxPatternCaptures> m_runs {};
    std::vector<bool> m_failed;
};

// Wildcards that retry positions: a trailing `*` costs nothing and is not counted.
std::size_t countRetryingWildcards(std::string_view pattern)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%')
            ++i;
        else if (pattern[i] == '*' && i + 1 < pattern.size())
            ++count;
    }
    return count;
}

} // namespace

bool matchPattern(std::string_view line, std::string_view pattern, PatternCaptures& captures)
{
    captures.clear();
    std::size_t retrying = countRetryingWildcards(pattern);
    if (retrying > kMaxRetryingWildcards ||
        (line.size() > kMaxMultiWildcardLineLength && retrying > 1))
        return false;
    Matcher matcher(line, pattern, retrying);
    if (!matcher.match(0, 0, 0))
        return false;
    std::size_t count = matcher.countCaptures();
    for (std::size_t i = 0; i < count; ++i)
        captures.emplace_back(matcher.run(i));
    return true;
}

} // namespace velmorak
