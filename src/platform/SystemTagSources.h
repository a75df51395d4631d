#pragma once

#include <string>
#include <string_view>

#include "record/TagCompletion.h"

namespace velmorak {

// Tag completion from the system: the owner is the user running the program, by the full
// name of the password database, else by the login name; the date and time are the system
// clock's in the local time zone.
class SystemTagSources : public TagCompletionSources {
public:
    // Empty only when the system knows no name for the user.
    std::string ownerName() override;
    LocalDateTime now() override;
};

// The owner's name from a password entry: the full name (the comment field up to its first
// ',', the rest being office and telephone numbers), or the login name when that is empty.
std::string ownerNameFromPasswordEntry(std::string_view gecos, std::string_view login);

} // namespace velmorak
