#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"

namespace velmorak {

// The message a second start of the program sends to the running one over the per-user
// local socket: the files named on its command line, as absolute paths (none: just raise
// the window). The bytes come from another process, so the reader trusts nothing in them.
//
//   "VMK-OPEN <count>\n" then, per file, "<length>:<path bytes>\n"
//
// Lengths make any byte but NUL legal in a path and let the reader know when the message
// is complete without the sender closing its end.

// A command line names one file; room for a desktop's multi-file open, not for a flood.
inline constexpr std::size_t kMaxInstanceFiles = 64;
// The longest path Linux hands to a program (PATH_MAX).
inline constexpr std::size_t kMaxInstancePathLength = 4096;
// The running instance's answer once it has taken the files.
inline constexpr std::string_view kInstanceAcknowledgement = "VMK-OK\n";

// The message for `files`. Fails with InvalidInput for an empty or relative path or one
// holding a NUL byte, with LimitExceeded past the limits above.
Result<std::string> encodeInstanceMessage(const std::vector<std::string>& files);

// What the bytes received so far amount to.
struct InstanceMessageRead {
    // False while the bytes are a valid beginning of a message: more must come.
    bool complete = false;
    std::vector<std::string> files;
};

// Reads the bytes received so far. Fails (InvalidInput, LimitExceeded) as soon as they can
// no longer become a message that encodeInstanceMessage would write, trailing bytes after
// a complete message included, so a reader never buffers more than one message's worth.
Result<InstanceMessageRead> readInstanceMessage(std::string_view bytes);

} // namespace velmorak
