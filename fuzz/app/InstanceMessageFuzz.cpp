// Reads any bytes as a message from another start of the program: never crashes, and a
// message read as complete holds only paths the sender could have sent and is written back
// byte for byte; each shorter prefix of it is an unfinished message, not an error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/InstanceMessage.h"

using namespace velmorak;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Result<InstanceMessageRead> read = readInstanceMessage(bytes);
    if (!read || !read->complete) {
        check(read || !read.error().message.empty());
        return 0;
    }
    check(read->files.size() <= kMaxInstanceFiles);
    Result<std::string> again = encodeInstanceMessage(read->files);
    check(again.ok() && *again == bytes);
    Result<InstanceMessageRead> part = readInstanceMessage(bytes.substr(0, size - 1));
    check(part.ok() && !part->complete);
    return 0;
}
