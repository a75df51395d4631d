// Indexes any bytes as a database file in stretches of a few bytes on several threads: the
// index is the one a single byte-by-byte scan gives.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "record/CDatabase.h"
#include "record/CPgnParser.h"

using namespace velmorak;

namespace {

const std::string& scratchFile()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/velmorak-fuzz-index-" +
            std::to_string(::getpid()) + ".pgn";
    }();
    return path;
}

std::string indexOf(const std::string& path, bool shortcuts, int threads)
{
    CPgnParser parser;
    parser.setShortcuts(shortcuts);
    CDatabase db(parser);
    OpenOptions options;
    options.threads = threads;
    options.minStretchBytes = 1;
    if (!db.open(path, options))
        std::abort();
    std::string text;
    for (const CDatabaseEntry& entry : db.getEntries()) {
        text += std::to_string(entry.number) + " " + std::to_string(entry.start) + " " +
            std::to_string(entry.end);
        for (int f = 0; f < kEntryFieldCount; ++f)
            text.append(1, '\0').append(entry.text(EntryField(f)));
        text += '\n';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = scratchFile();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    const std::string reference = indexOf(path, false, 1);
    for (int threads : { 2, 5 })
        if (indexOf(path, true, threads) != reference)
            std::abort();
    ::unlink(path.c_str());
    return 0;
}
