#include "gui/Icons.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "present/CommandTable.h"

using namespace velmorak;
using namespace velmorak::gui;

TEST(Icons, EveryIconTheCommandsAskForIsDrawnAndOthersAreNone)
{
    struct Row {
        std::string name;
        QIcon icon;
    };
    std::vector<Row> rows;
    for (const CommandBarButton& button : commandBarButtons())
        rows.push_back({ std::string(button.tooltip), commandBarIcon(button.image) });
    for (bool connected : { false, true })
        for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
             ++button)
            rows.push_back({ std::string(layoutButtonAction(button, connected)->tooltip),
                layoutButtonIcon(layoutButtonAction(button, connected)->icon) });
    rows.push_back({ "application", applicationIcon() });
    ASSERT_EQ(rows.size(), 8u + 18u + 1u);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.icon.isNull());
        for (int px : { 16, 32 }) {
            const QImage normal = row.icon.pixmap(px, px).toImage();
            EXPECT_EQ(normal.size(), QSize(px, px));
            EXPECT_GT(inkBounds(normal).width(), px / 2);
        }
        const QImage disabled = row.icon.pixmap(32, 32, QIcon::Disabled).toImage();
        EXPECT_GT(meanDifference(disabled, row.icon.pixmap(32, 32).toImage()), 5.0);
    }
    EXPECT_TRUE(commandBarIcon(-1).isNull());
    EXPECT_TRUE(commandBarIcon(8).isNull());
    EXPECT_TRUE(layoutButtonIcon(18).isNull());
}
