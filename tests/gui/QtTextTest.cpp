#include "gui/QtText.h"

#include <QApplication>
#include <QFontMetrics>

#include <gtest/gtest.h>

using velmorak::gui::elidedBetweenWords;

namespace {

TEST(QtText, ALineTooLongLosesWholeMovesFromItsMiddle)
{
    const QFontMetrics metrics(QApplication::font());
    const QString line = QStringLiteral("D24 +12.20 10..Qxh4 11.Nc3 c4 12.dxc4 Nf6 13.Rae1 Nd7");
    const int width = metrics.horizontalAdvance(line) * 2 / 3;
    const QString shown = elidedBetweenWords(metrics, line, width);
    EXPECT_LE(metrics.horizontalAdvance(shown), width);
    ASSERT_TRUE(shown.contains(QStringLiteral(" \u2026 "))) << shown.toStdString();
    // Every word left is one of the line's, whole; the ends stay.
    const QStringList words = line.split(u' ');
    for (const QString& word : shown.split(u' '))
        EXPECT_TRUE(word == QStringLiteral("\u2026") || words.contains(word)) << word.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("D24 ")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral(" Nd7")));

    EXPECT_EQ(elidedBetweenWords(metrics, line, metrics.horizontalAdvance(line)), line);
    const QString word = QStringLiteral("Featherstonehaugh-Cholmondeley");
    EXPECT_LE(metrics.horizontalAdvance(elidedBetweenWords(metrics, word, 60)), 60);
}

} // namespace
