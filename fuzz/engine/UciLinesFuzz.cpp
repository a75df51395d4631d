// Any bytes as a UCI engine's output, in chunks of any size: lines are assembled within their
// limit, and every line is read as "info" and "bestmove" without reading past it; a line
// never holds a line break.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/UciProcess.h"
#include "engine/UciProtocol.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t chunk = data[0] % 64 + 1;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    UciLineBuffer buffer;
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        buffer.feed(bytes.substr(i, chunk));
        while (std::optional<std::string> line = buffer.takeLine()) {
            if (line->size() > UciLineBuffer::kMaxLineLength ||
                line->find('\n') != std::string::npos)
                __builtin_trap();
            if (std::optional<UciInfo> info = parseUciInfo(*line))
                for (const std::string& move : info->pv)
                    if (move.empty())
                        __builtin_trap();
            parseUciBestMove(*line);
        }
    }
    return 0;
}
