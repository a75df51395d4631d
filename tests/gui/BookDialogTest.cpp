#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "engine/BookSettings.h"
#include "present/CommandTable.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

QPushButton* button(QWidget& dialog, const QString& text)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

// Clicks `text` and answers the file chooser it opens with `path`.
void chooseFile(WindowHarness& h, QWidget& dialog, const QString& text, const std::string& path)
{
    h.whenDialogShows(QStringLiteral("Select openingbook"), [path](QWidget& chooser) {
        // Typed as a user would: the list of the folder may not be read yet.
        auto* name = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));
        static_cast<QDialog&>(chooser).accept();
    });
    button(dialog, text)->click();
}

std::string stored(WindowHarness& h, std::string_view name)
{
    std::string value = "(missing)";
    h.window().application().settings().readString(name, value);
    return value;
}

TEST(BookDialog, ChosenBooksAndTheModeAreStoredAtOnceAnUnreadableOneIsRefused)
{
    WindowHarness h;
    const std::string book = VELMORAK_BIN_DIR "/vmbook.kbk";
    const std::string empty = h.folder().file("empty.kbk");
    std::ofstream { empty };
    AppSettings& options = h.window().controller().options();
    options.guiBook = false;
    bool shown = false;
    h.whenDialogShows(QStringLiteral("Select book"), [&](QWidget& dialog) {
        shown = true;
        chooseFile(h, dialog, QStringLiteral("&Choose..."), book);
        EXPECT_EQ(stored(h, kBookFileSetting), book);
        EXPECT_TRUE(options.guiBook) << "the program plays from its own book";
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("programBook"))->text(), "vmbook");

        chooseFile(h, dialog, QStringLiteral("&Choose..."), empty);
        EXPECT_EQ(stored(h, kBookFileSetting), book) << "an unreadable book changes nothing";
        ASSERT_EQ(h.messages.size(), 1);
        EXPECT_TRUE(h.messages.takeFirst().contains("is empty"));

        button(dialog, QStringLiteral("N&o book"))->click();
        EXPECT_EQ(stored(h, kEngineBookFileSetting), "");
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("engineBook"))->text(), "none");

        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("bookMode"));
        mode->setCurrentIndex(3);
        emit mode->activated(3);
        static_cast<QDialog&>(dialog).reject();
    });
    h.window().runCommand(cmd::kSelectBook);
    EXPECT_TRUE(shown);
    EXPECT_EQ(options.bookMode, 3);
    int storedMode = -1;
    h.window().application().settings().readInt("IDC_CBBOOKMODE", storedMode);
    EXPECT_EQ(storedMode, 3);
}

} // namespace
