// Any bytes as a chess server's output, in chunks of any size: the lines are those of the
// whole input fed at once, each within its limit and free of line breaks and NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "server/ServerLineAssembler.h"

using namespace velmorak;

namespace {

std::vector<ServerInput> assemble(std::string_view bytes, std::size_t chunk, bool timeseal)
{
    ServerLineAssembler assembler("fics% ", timeseal);
    std::vector<ServerInput> items;
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        assembler.splitServerText(bytes.substr(i, chunk));
        while (std::optional<ServerInput> item = assembler.take())
            items.push_back(*item);
    }
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t chunk = data[0] % 64 + 1;
    const bool timeseal = (data[0] & 64) != 0;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<ServerInput> items = assemble(bytes, chunk, timeseal);
    for (const ServerInput& item : items) {
        // A held long line grows by continuations up to the limit too.
        if (item.text.size() > ServerLineAssembler::kMaxLineLength ||
            item.text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            __builtin_trap();
        if (item.kind == ServerInput::Kind::TimesealRequest && (!timeseal || !item.text.empty()))
            __builtin_trap();
    }
    if (items != assemble(bytes, bytes.size() + 1, timeseal))
        __builtin_trap();
    return 0;
}
