#include <QApplication>
#include <QCommandLineParser>
#include <QMetaObject>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "gui/DialogGallery.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/SingleInstance.h"
#include "platform/ExitSignals.h"

namespace {

using velmorak::gui::MainWindow;
using velmorak::gui::WindowStart;

constexpr int kStartFailed = 16;
constexpr int kUsage = 2;

int fail(const QString& text, int code)
{
    std::fprintf(stderr, "velmorak: %s\n", text.toLocal8Bit().constData());
    return code;
}

// Renders the window off screen into `path` once its first paint is done.
int takeScreenshot(MainWindow& window, const QString& path, QSize size)
{
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(size);
    window.show();
    QApplication::processEvents();
    QApplication::processEvents();
    if (!window.grab().save(path, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(path), 1);
    return 0;
}

// Renders dialog `name` over the window into `path`, at the size it takes by itself.
int takeDialogScreenshot(MainWindow& window, const QString& name, const QString& path)
{
    std::unique_ptr<velmorak::gui::ChessDialog> dialog =
        velmorak::gui::makeDialog(velmorak::gui::toBytes(name), window);
    if (!dialog)
        return fail(QStringLiteral("dialog %1 has nothing to show here").arg(name), 1);
    // A picture shows the dialog as it opens, without the window behind it.
    dialog->setAttribute(Qt::WA_DontShowOnScreen);
    dialog->settleForPicture();
    dialog->show();
    QApplication::processEvents();
    QApplication::processEvents();
    if (!dialog->grab().save(path, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(path), 1);
    return 0;
}

QSize firstWindowSize(const QScreen* screen)
{
    // A portrait board with its panel and a few lines of analysis below, as large as the
    // screen comfortably allows.
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int height = std::clamp(area.height() * 85 / 100, 400, 1000);
    return { std::min(area.width(), height * 72 / 100), height };
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmorak"));
    QApplication::setDesktopFileName(QStringLiteral("net.velmorak.Velmorak"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Velmorak, a chess program"));
    parser.addHelpOption();
    // Qt's own version option prints the display name "Velmorak"; scripts compare the
    // line with the command's name, as velmorak-cli prints it.
    QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("Print the version and exit."));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Render the window to a PNG file and exit."), QStringLiteral("file"));
    QCommandLineOption size(QStringLiteral("size"),
        QStringLiteral("Window size for --screenshot (default 480x640)."), QStringLiteral("WxH"));
    QCommandLineOption fen(
        QStringLiteral("fen"), QStringLiteral("Show this position."), QStringLiteral("FEN"));
    QCommandLineOption layout(QStringLiteral("layout"),
        QStringLiteral("Use layout N (0-15) whatever the window's size."), QStringLiteral("N"));
    QCommandLineOption engine(QStringLiteral("engine"),
        QStringLiteral("Load this engine plug-in instead of the chosen one."),
        QStringLiteral("name"));
    QStringList dialogs;
    for (std::string_view name : velmorak::gui::dialogNames())
        dialogs << QString::fromUtf8(name.data(), qsizetype(name.size()));
    QCommandLineOption dialog(QStringLiteral("dialog"),
        QStringLiteral("With --screenshot: render this dialog over the window instead (%1).")
            .arg(dialogs.join(QStringLiteral(", "))),
        QStringLiteral("name"));
    parser.addOptions({ version, screenshot, size, fen, layout, engine, dialog });
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("A PGN file or opening book."));
    // An unknown option or a missing value is a usage error, with the status velmorak-cli
    // gives it; process() alone would end with 1. It still shows --help and --help-all.
    if (!parser.parse(QApplication::arguments()))
        return fail(parser.errorText(), kUsage);
    parser.process(app);
    if (parser.isSet(version)) {
        std::fputs("velmorak " VELMORAK_VERSION "\n", stdout);
        return 0;
    }

    if (parser.isSet(dialog) && !parser.isSet(screenshot))
        return fail(QStringLiteral("--dialog goes with --screenshot"), kUsage);
    if (parser.isSet(dialog) && !dialogs.contains(parser.value(dialog)))
        return fail(QStringLiteral("no dialog named %1 (%2)")
                        .arg(parser.value(dialog), dialogs.join(QStringLiteral(", "))),
            kUsage);

    WindowStart start;
    for (const QString& file : parser.positionalArguments())
        start.arguments.push_back(velmorak::gui::toBytes(file));
    start.screenshot = parser.isSet(screenshot);
    if (parser.isSet(fen))
        start.fen = velmorak::gui::toBytes(parser.value(fen));
    if (parser.isSet(engine))
        start.engine = velmorak::gui::toBytes(parser.value(engine));
    if (parser.isSet(layout)) {
        bool ok = false;
        const int n = parser.value(layout).toInt(&ok);
        if (!ok || n < 0 || n > 15)
            return fail(QStringLiteral("--layout wants a number from 0 to 15"), kUsage);
        start.layout = n;
    }
    QSize shotSize(480, 640);
    if (parser.isSet(size)) {
        const QStringList parts = parser.value(size).split(QLatin1Char('x'));
        bool okW = false, okH = false;
        if (parts.size() == 2)
            shotSize = QSize(parts[0].toInt(&okW), parts[1].toInt(&okH));
        if (!okW || !okH || shotSize.width() < 100 || shotSize.height() < 100 ||
            shotSize.width() > 8000 || shotSize.height() > 8000)
            return fail(QStringLiteral("--size wants WIDTHxHEIGHT, 100 to 8000 each"), kUsage);
    }

    // A picture of the window writes nothing of the user's: its autosave goes to a folder
    // of its own, its settings stay in memory.
    QTemporaryDir scratch;
    std::optional<velmorak::gui::SingleInstance> instance;
    if (start.screenshot) {
        start.documentsFolder = velmorak::gui::toBytes(scratch.path());
    } else {
        instance.emplace();
        QStringList files;
        for (const QString& file : parser.positionalArguments())
            files << file;
        if (instance->handOver(files))
            return 0;
        instance->listen();
    }

    MainWindow window(start);
    if (velmorak::Status started = window.start(); !started)
        return fail(velmorak::gui::toQString(started.error().message), kStartFailed);
    if (start.screenshot && parser.isSet(dialog))
        return takeDialogScreenshot(window, parser.value(dialog), parser.value(screenshot));
    if (start.screenshot)
        return takeScreenshot(window, parser.value(screenshot), shotSize);

    QObject::connect(&*instance, &velmorak::gui::SingleInstance::filesReceived, &window,
        [&window](const QStringList& files) { window.openFiles(files); });
    // SIGTERM, SIGINT and SIGHUP close the window as its close button does, without a
    // question: the exit sequence runs.
    velmorak::ExitSignals exitSignals([&window](int) {
        QMetaObject::invokeMethod(
            &window, [&window] { window.closeOnSignal(); }, Qt::QueuedConnection);
    });
    exitSignals.start();
    if (!window.restoreWindowGeometry())
        window.resize(firstWindowSize(window.screen()));
    window.show();
    return QApplication::exec();
}
