#pragma once

#include "record/TagCompletion.h"

namespace velmorak {

// Tag completion at a fixed moment for a fixed owner, so completed tags can be compared.
struct FixedTagSources : TagCompletionSources {
    std::string ownerName() override { return owner; }
    LocalDateTime now() override { return moment; }

    std::string owner = "Ann Owner";
    LocalDateTime moment { 2004, 7, 5, 9, 3, 1 };
};

} // namespace velmorak
