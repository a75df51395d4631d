#pragma once

#include <set>
#include <string>
#include <vector>

#include "sound/SoundOutput.h"

namespace velmorak {

// Records every request in order, for tests: "async move3", "default", "file <path>".
// playFileSync succeeds for the paths in `existingFiles`, or for every path when that set
// is empty.
class RecordingSoundOutput : public SoundOutput {
public:
    void playNamedAsync(std::string_view name) override
    {
        events.push_back("async " + std::string(name));
    }
    void playSystemDefault() override { events.push_back("default"); }
    bool playFileSync(const std::string& path) override
    {
        events.push_back("file " + path);
        return existingFiles.empty() || existingFiles.count(path) > 0;
    }

    std::vector<std::string> events;
    std::set<std::string> existingFiles;
};

} // namespace velmorak
