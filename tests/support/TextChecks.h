#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace velmorak::test {

// Whether `part` occurs in `text`; a failure shows both, so the output a test searched
// (a whole session, a log) is in the report without a trailing `<< text`.
inline ::testing::AssertionResult contains(std::string_view text, std::string_view part)
{
    if (text.find(part) != std::string_view::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not found in:\n" << text;
}

} // namespace velmorak::test
