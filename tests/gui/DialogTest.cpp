#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "gui/DialogGallery.h"
#include "gui/Manual.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// The manual anchors asked for while it lives, instead of a browser.
struct ManualRecorder {
    ManualRecorder()
    {
        gui::setManualOpener([this](const QUrl& url) {
            asked << url.fragment();
            return true;
        });
    }
    ~ManualRecorder() { gui::setManualOpener({}); }
    QStringList asked;
};

TEST(Dialogs, EachHoldsTheGameStillAndOpensItsOwnPageOfTheManual)
{
    WindowHarness h;
    // A move to comment.
    h.enter("e2 e4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    ManualRecorder manual;
    QFile page(VELMORAK_BIN_DIR "/Velmorak.htm");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    for (std::string_view name : gui::dialogNames()) {
        SCOPED_TRACE(std::string(name));
        std::unique_ptr<gui::ChessDialog> dialog = gui::makeDialog(name, h.window());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(h.window().controller().dialogOpen());
        const QString anchor = QString::fromStdString(dialog->helpAnchor()).section(u'#', 1);
        EXPECT_TRUE(html.contains(("id=\"" + anchor + "\"").toUtf8())) << anchor.toStdString();

        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->buttons()->button(QDialogButtonBox::Help)->click();
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        EXPECT_EQ(manual.asked, (QStringList { anchor, anchor }));
        manual.asked.clear();
        dialog.reset();
        EXPECT_FALSE(h.window().controller().dialogOpen());
    }
    EXPECT_EQ(gui::makeDialog("no such dialog", h.window()), nullptr);
}

TEST(Dialogs, AboutTellsTheEngineAndTheBook)
{
    WindowHarness h;
    bool shown = false;
    h.whenDialogShows(QStringLiteral("Velmorak"), [&](QWidget& dialog) {
        shown = true;
        const auto* text = dialog.findChild<QLabel*>(QStringLiteral("aboutText"));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->text().contains(
            QString::fromStdString("Chessengine " + h.window().application().host().engineName())));
        static_cast<QDialog&>(dialog).accept();
    });
    h.window().runCommand(cmd::kAbout);
    EXPECT_TRUE(shown);
}

} // namespace
