#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// The texts a template's `%` codes captured, in template order.
using PatternCaptures = std::vector<std::string>;

// Lines longer than this are not offered to templates with more than one `*`: each `*`
// retries the rest of the template at every position, so two or more of them cost the
// square or cube of the line's length, and no line a server sends that such a template is
// meant for comes near this length.
inline constexpr std::size_t kMaxMultiWildcardLineLength = 4096;

// A template with more `*` than this (a trailing one not counted) never matches: each
// retries the rest at every position of the line, and no server line needs more than four.
inline constexpr std::size_t kMaxRetryingWildcards = 8;

// A template captures at most this many runs; a template with more `%` codes never matches.
inline constexpr std::size_t kMaxPatternCaptures = 48;

// Matches the whole of `line` against the server template `pattern`:
//   `*`          any run, shortest first;
//   `%` + class  the longest non-empty run of the class, captured and never shortened;
//   `%%`, `%*`   a literal percent sign or asterisk;
//   `%` + other  fails;
//   anything else itself, case-sensitive.
// Classes: N digits; n digits and "+-"; s letters; S letters, digits, "_-"; a letters and
// "()*"; A letters, digits, "_()*"; b blank and tab; r letters, digits and the punctuation
// ()[]{}.,;:!@#$%^&*_-+=\|<>?/~; t letters, digits, "_", blank, tab; T as t with "-";
// C blank, tab and "(". Bytes outside 7-bit ASCII belong to no class.
// `captures` is cleared first and filled only on success. The line is read in place; only
// the captured texts are allocated (the vector's capacity is reused across calls).
bool matchPattern(std::string_view line, std::string_view pattern, PatternCaptures& captures);

} // namespace velmorak
