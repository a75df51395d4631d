#include "gui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/DgtPortDialog.h"
#include "gui/QtPrompts.h"
#include "gui/QtText.h"

namespace velmorak::gui {

namespace {

// The preview's squares: a rank of pieces on both colours.
constexpr int kPreviewFiles = 4;
constexpr int kPreviewRanks = 2;
constexpr int kPreviewSquare = 40;
constexpr PieceCode kPreviewPieces[kPreviewRanks][kPreviewFiles] = {
    { kBlackRook, kBlackKnight, kBlackQueen, kBlackKing },
    { kWhiteKing, kWhiteQueen, kWhiteBishop, kWhitePawn },
};

// `text` with a mnemonic on its first letter no other control of the page has taken.
QString withMnemonic(const QString& text, QString& taken)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i].toLower();
        if (c.isLetter() && !taken.contains(c)) {
            taken += c;
            QString marked = text;
            marked.insert(i, QLatin1Char('&'));
            return marked;
        }
    }
    return text;
}

} // namespace

OptionsPreview::OptionsPreview(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Preview of the board and pieces"));
}

void OptionsPreview::choose(int pieceSet, int texture)
{
    m_artwork.choose(pieceSet, texture);
    update();
}

QSize OptionsPreview::sizeHint() const
{
    return { kPreviewFiles * kPreviewSquare, kPreviewRanks * kPreviewSquare };
}

void OptionsPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Drawn in device pixels, as the board is, so no picture is scaled by Qt.
    const double dpr = devicePixelRatioF();
    painter.scale(1.0 / dpr, 1.0 / dpr);
    const int squarePx = int(kPreviewSquare * dpr);
    for (int rank = 0; rank < kPreviewRanks; ++rank)
        for (int file = 0; file < kPreviewFiles; ++file) {
            const QRect r(file * squarePx, rank * squarePx, squarePx, squarePx);
            painter.fillRect(r, m_artwork.squareBrush(file, rank, r.topLeft(), squarePx));
            const QPixmap& picture = m_artwork.piece(kPreviewPieces[rank][file], squarePx);
            if (!picture.isNull())
                painter.drawPixmap(r.topLeft(), picture);
        }
}

OptionsDialog::OptionsDialog(
    QWidget* parent, Application& application, std::function<void()> changed)
    : ChessDialog(parent, application.controller(), QStringLiteral("Options"),
          "Velmorak.htm#Options", QDialogButtonBox::Close | QDialogButtonBox::RestoreDefaults)
    , m_app(application)
    , m_changed(std::move(changed))
{
    build();
    QPushButton* restore = buttons()->button(QDialogButtonBox::RestoreDefaults);
    restore->setText(QStringLiteral("&Restore defaults"));
    connect(restore, &QPushButton::clicked, this, [this] {
        report(m_sheet->restoreDefaults());
        refresh();
    });
    QPushButton* close = buttons()->button(QDialogButtonBox::Close);
    close->setDefault(true);
}

void OptionsDialog::build()
{
    const int page = m_tabs ? m_tabs->currentIndex() : 0;
    // Never called from a control's own signal, so the old controls can go at once.
    delete m_tabs;
    m_controls.clear();
    m_preview = nullptr;
    m_sheet = std::make_unique<OptionSheet>(m_app);
    m_sheet->onChanged = [this](const OptionItem& option) {
        if (option.key() == "IDC_CBSQUARES" || option.key() == "IDC_CBPIECESET" ||
            option.key() == "UCI_LimitStrength")
            refresh();
        // The control that changed is still in its signal: the tabs go after it returns.
        if (option.key() == "IDC_CBENGINE")
            QMetaObject::invokeMethod(this, &OptionsDialog::build, Qt::QueuedConnection);
        if (m_changed)
            m_changed();
    };
    m_tabs = new QTabWidget(this);
    // The tabs' letters first: no control of a page may take one.
    QString tabLetters;
    QStringList tabTitles;
    for (const OptionPage& sheetPage : m_sheet->pages())
        tabTitles << withMnemonic(toQString(sheetPage.title), tabLetters);
    for (std::size_t i = 0; i < m_sheet->pages().size(); ++i)
        m_tabs->addTab(makePage(m_sheet->pages()[i], tabLetters), tabTitles[qsizetype(i)]);
    m_tabs->setCurrentIndex(page);
    body()->addWidget(m_tabs);
    refresh();
}

QWidget* OptionsDialog::makePage(const OptionPage& page, const QString& tabLetters)
{
    auto* widget = new QWidget;
    auto* row = new QHBoxLayout(widget);
    auto* form = new QFormLayout;
    row->addLayout(form, 1);
    // The buttons' letters are the page's too: R for "Restore defaults", C for Close.
    QString taken = tabLetters + QStringLiteral("rc");
    for (const OptionItem& item : page.items) {
        const QString label = toQString(item.label);
        QWidget* control = nullptr;
        switch (item.control) {
        case OptionControl::Check: {
            auto* box = new QCheckBox(withMnemonic(label, taken), widget);
            connect(box, &QCheckBox::toggled, this,
                [this, &item](bool on) { report(m_sheet->setChecked(item, on)); });
            form->addRow(box);
            control = box;
            break;
        }
        case OptionControl::Choice: {
            auto* box = new QComboBox(widget);
            for (const std::string& text : item.choices)
                box->addItem(toQString(text));
            connect(box, &QComboBox::activated, this,
                [this, &item](int index) { report(m_sheet->choose(item, index)); });
            if (item.key() == "IDC_CBDGT") {
                // The ports are paths a user rarely knows: the button finds the board.
                auto* title = new QLabel(withMnemonic(label, taken), widget);
                title->setBuddy(box);
                auto* find =
                    new QPushButton(withMnemonic(QStringLiteral("Find board..."), taken), widget);
                find->setObjectName(QStringLiteral("findDgtBoard"));
                connect(find, &QPushButton::clicked, this, [this, &item] { findDgtBoard(item); });
                auto* line = new QHBoxLayout;
                line->addWidget(box, 1);
                line->addWidget(find);
                form->addRow(title, line);
            } else {
                form->addRow(withMnemonic(label, taken), box);
            }
            control = box;
            break;
        }
        case OptionControl::Number: {
            auto* box = new QSpinBox(widget);
            box->setRange(item.minimum, item.maximum);
            box->setKeyboardTracking(false);
            connect(box, &QSpinBox::valueChanged, this,
                [this, &item](int value) { report(m_sheet->setNumber(item, value)); });
            form->addRow(withMnemonic(label, taken), box);
            control = box;
            break;
        }
        }
        control->setObjectName(toQString(item.key()));
        control->setToolTip(toQString(item.hint));
        m_controls.push_back({ &item, control });
        if (item.key() == "IDC_CBPIECESET") {
            m_preview = new OptionsPreview(widget);
            row->addWidget(m_preview, 0, Qt::AlignTop);
        }
    }
    return widget;
}

void OptionsDialog::findDgtBoard(const OptionItem& item)
{
    DgtPortDialog dialog(
        this, m_app, [this, &item](int option) { return m_sheet->choose(item, option); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The ports' entries name their paths, and one has changed. The button is still in its
    // signal: the tabs go after it returns.
    QMetaObject::invokeMethod(
        this,
        [this] {
            build();
            if (auto* ports = m_tabs->findChild<QWidget*>(QStringLiteral("IDC_CBDGT")))
                ports->setFocus();
        },
        Qt::QueuedConnection);
}

void OptionsDialog::refresh()
{
    for (const Control& control : m_controls) {
        QSignalBlocker quiet(control.widget);
        if (auto* box = qobject_cast<QCheckBox*>(control.widget))
            box->setChecked(m_sheet->checked(*control.item));
        else if (auto* choice = qobject_cast<QComboBox*>(control.widget))
            choice->setCurrentIndex(m_sheet->choice(*control.item));
        else if (auto* number = qobject_cast<QSpinBox*>(control.widget))
            number->setValue(m_sheet->number(*control.item));
        // The rating counts only while the strength is limited.
        if (control.item->key() == "UCI_Elo")
            if (const OptionItem* limit = m_sheet->find("UCI_LimitStrength"))
                control.widget->setEnabled(m_sheet->checked(*limit));
    }
    if (m_preview) {
        const AppSettings& options = controller().options();
        m_preview->choose(options.pieceSet, options.boardTextureBitmap());
    }
}

void OptionsDialog::report(const Status& status)
{
    if (status)
        return;
    QtPrompts(this).showMessage(kProgramTitle, status.error().message, MessageIcon::Exclamation);
    refresh();
}

} // namespace velmorak::gui
