#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "engine/BookSettings.h"
#include "present/CommandTable.h"

using namespace velmorak;

namespace {

TEST(BookDialog, ChosenBooksAndTheModeAreStoredAtOnceAnUnreadableOneIsRefused)
{
    test::WindowHarness h;
    RegistrySettings& settings = h.window().application().settings();
    auto stored = [&](std::string_view name) {
        std::string value = "(missing)";
        settings.readString(name, value);
        return value;
    };
    const std::string book = VELMORAK_BIN_DIR "/vmbook.kbk";
    const std::string empty = h.folder().file("empty.kbk");
    std::ofstream { empty };
    AppSettings& options = h.window().controller().options();
    options.guiBook = false;
    bool shown = false;
    h.whenDialogShows(QStringLiteral("Select book"), [&](QWidget& dialog) {
        shown = true;
        auto click = [&](const char* text) {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == QString::fromUtf8(text))
                    return b->click();
        };
        // Typed into the chooser as a user would: its list of the folder may not be read yet.
        auto choose = [&](const std::string& path) {
            h.whenDialogShows(QStringLiteral("Select openingbook"), [path](QWidget& chooser) {
                chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QString::fromStdString(path));
                static_cast<QDialog&>(chooser).accept();
            });
            click("&Choose...");
        };
        choose(book);
        EXPECT_EQ(stored(kBookFileSetting), book);
        EXPECT_TRUE(options.guiBook) << "the program plays from its own book";
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("programBook"))->text(), "vmbook");
        choose(empty);
        EXPECT_EQ(stored(kBookFileSetting), book) << "an unreadable book changes nothing";
        ASSERT_EQ(h.messages.size(), 1);
        EXPECT_TRUE(h.messages.takeFirst().contains("is empty"));
        click("No boo&k");
        EXPECT_EQ(stored(kEngineBookFileSetting), "");
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("engineBook"))->text(), "none");
        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("bookMode"));
        mode->setCurrentIndex(3);
        emit mode->activated(3);
        static_cast<QDialog&>(dialog).reject();
    });
    h.window().runCommand(cmd::kSelectBook);
    EXPECT_TRUE(shown);
    int storedMode = -1;
    settings.readInt("IDC_CBBOOKMODE", storedMode);
    EXPECT_EQ(storedMode, 3);
}

} // namespace
