#include "gui/Icons.h"

#include <functional>

#include <gtest/gtest.h>

#include "ArtImages.h"

using namespace velmorak::gui;

TEST(Icons, EveryIconIsDrawnAndIndexesOutsideTheRangeGiveNone)
{
    struct Row {
        const char* name;
        std::function<QIcon(int)> icon;
        int count;
    };
    const Row rows[] = {
        { "command bar", commandBarIcon, 8 },
        { "layout button", layoutButtonIcon, 18 },
        { "application", [](int) { return applicationIcon(); }, 1 },
    };
    for (const Row& row : rows) {
        for (int index = 0; index < row.count; ++index) {
            SCOPED_TRACE(testing::Message() << row.name << " " << index);
            const QIcon icon = row.icon(index);
            ASSERT_FALSE(icon.isNull());
            for (int px : { 16, 32 }) {
                const QImage normal = icon.pixmap(px, px).toImage();
                EXPECT_EQ(normal.size(), QSize(px, px));
                EXPECT_GT(inkBounds(normal).width(), px / 2);
            }
            const QImage disabled = icon.pixmap(32, 32, QIcon::Disabled).toImage();
            EXPECT_GT(meanDifference(disabled, icon.pixmap(32, 32).toImage()), 5.0);
        }
    }
    EXPECT_TRUE(commandBarIcon(-1).isNull());
    EXPECT_TRUE(commandBarIcon(8).isNull());
    EXPECT_TRUE(layoutButtonIcon(18).isNull());
}
