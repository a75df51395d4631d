// Where the program finds its shipped files and plug-ins: the installed layout around bin/
// when it is there, the executable's own folder (the build tree) when it is not.
#include "base/ProgramDirectory.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

using namespace velmorak;

namespace {

struct Layout {
    const char* name;
    std::vector<std::string> folders; // made under the tree's root besides bin/
    std::vector<std::string> files;
    const char* data; // expected, relative to the root
    const char* plugins;
};

TEST(ProgramDirectoryTest, FindsTheInstalledLayoutFromTheExecutablesFolder)
{
    const Layout layouts[] = {
        { "build tree", {}, {}, "bin", "bin" },
        { "installed tree", { "share/velmorak", "lib/velmorak/engines" }, {}, "share/velmorak",
            "lib/velmorak/engines" },
        { "data only", { "share/velmorak" }, {}, "share/velmorak", "bin" },
        { "plug-ins only", { "lib/velmorak/engines" }, {}, "bin", "lib/velmorak/engines" },
        // Another program's lib/ or a file where the folder would be is no installed tree.
        { "foreign folders", { "lib/other", "share" }, { "share/velmorak" }, "bin", "bin" },
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        TempFolder root;
        std::filesystem::create_directories(root.file("bin"));
        for (const std::string& folder : layout.folders)
            std::filesystem::create_directories(root.file(folder));
        for (const std::string& file : layout.files)
            TempFolder::write(root.file(file), "");
        const std::string bin = root.file("bin");
        EXPECT_EQ(dataDirectoryFor(bin), root.file(layout.data));
        EXPECT_EQ(pluginDirectoryFor(bin), root.file(layout.plugins));
    }
}

} // namespace
