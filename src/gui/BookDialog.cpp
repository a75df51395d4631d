#include "gui/BookDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtPrompts.h"
#include "gui/QtText.h"

namespace velmorak::gui {

BookDialog::BookDialog(QWidget* parent, GameController& controller, RegistrySettings& settings)
    : ChessDialog(parent, controller, QStringLiteral("Select book"), "Velmorak.htm#SelectBook",
          QDialogButtonBox::Close)
    , m_choice(controller, settings)
    , m_mode(new QComboBox(this))
{
    addBook(BookKind::Program, QStringLiteral("Program's book (.kbk)"),
        QStringLiteral("&Choose..."), QStringLiteral("&No book"));
    addBook(BookKind::Engine, QStringLiteral("Engine's book (.bin)"), QStringLiteral("Ch&oose..."),
        QStringLiteral("No boo&k"));

    m_mode->setObjectName(QStringLiteral("bookMode"));
    for (std::string_view name : BookChoice::modeNames())
        m_mode->addItem(toQString(name));
    m_mode->setCurrentIndex(m_choice.mode());
    connect(m_mode, &QComboBox::activated, this, [this](int mode) { m_choice.setMode(mode); });
    auto* form = new QFormLayout;
    auto* label = new QLabel(QStringLiteral("Book &mode:"), this);
    label->setBuddy(m_mode);
    form->addRow(label, m_mode);
    body()->addLayout(form);
    showNames();
}

void BookDialog::addBook(
    BookKind kind, const QString& title, const QString& choose, const QString& none)
{
    auto* box = new QGroupBox(title, this);
    auto* layout = new QHBoxLayout(box);
    auto* name = new QLabel(box);
    name->setObjectName(
        kind == BookKind::Program ? QStringLiteral("programBook") : QStringLiteral("engineBook"));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name->setWordWrap(true);
    name->setMinimumWidth(fontMetrics().averageCharWidth() * 24);
    layout->addWidget(name, 1);
    auto* chooseButton = new QPushButton(choose, box);
    auto* noneButton = new QPushButton(none, box);
    chooseButton->setAutoDefault(false);
    noneButton->setAutoDefault(false);
    layout->addWidget(chooseButton);
    layout->addWidget(noneButton);
    connect(chooseButton, &QPushButton::clicked, this, [this, kind] { chooseFile(kind); });
    connect(noneButton, &QPushButton::clicked, this, [this, kind] {
        m_choice.clear(kind);
        showNames();
    });
    m_names[int(kind)] = name;
    body()->addWidget(box);
}

void BookDialog::chooseFile(BookKind kind)
{
    const BookKindTexts texts = bookKindTexts(kind);
    QFileDialog files(this, toQString(kSelectBookTitle), QString(), toQString(texts.filter));
    // The same dialog on every desktop, which a keyboard and a test can drive alike.
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setFileMode(QFileDialog::ExistingFile);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    files.setDefaultSuffix(toQString(texts.defaultSuffix));
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty())
        return;
    if (Status chosen = m_choice.choose(kind, toBytes(files.selectedFiles().first())); !chosen)
        QtPrompts(this).showMessage(kProgramTitle,
            "This book cannot be used: " + chosen.error().message, MessageIcon::Exclamation);
    showNames();
}

void BookDialog::showNames()
{
    for (BookKind kind : { BookKind::Program, BookKind::Engine })
        m_names[int(kind)]->setText(toQString(m_choice.shownName(kind)));
}

} // namespace velmorak::gui
