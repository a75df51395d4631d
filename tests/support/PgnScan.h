#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "record/PgnInput.h"

// The end offset of every game of `input` as the database index finds them, in file order
// (each game starts where the previous one ends, the first at 0).
std::vector<std::int64_t> scanGameEnds(velmorak::PgnInput& input);
std::vector<std::int64_t> scanGameEnds(std::string_view text);
