#include "gui/SingleInstance.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtDebug>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/InstanceMessage.h"

namespace velmorak::gui {

namespace {

QString defaultSocketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/velmorak-") + QString::number(::getuid());
}

enum class SocketFile { Missing, Ours, Foreign };

// In a shared temporary folder another user may have put something at our socket's name:
// it is neither talked to nor removed.
SocketFile inspect(const QString& path)
{
    struct stat info { };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return SocketFile::Missing;
    return S_ISSOCK(info.st_mode) && info.st_uid == ::getuid() ? SocketFile::Ours
                                                               : SocketFile::Foreign;
}

QByteArray acknowledgement()
{
    return QByteArray(
        kInstanceAcknowledgement.data(), static_cast<qsizetype>(kInstanceAcknowledgement.size()));
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
    , m_path(defaultSocketPath())
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::handOver(const QStringList& files)
{
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(QFile::encodeName(QFileInfo(file).absoluteFilePath()).toStdString());
    Result<std::string> message = encodeInstanceMessage(paths);
    if (!message) {
        qWarning("velmorak: cannot hand the files to the running program: %s",
            message.error().message.c_str());
        return false;
    }
    if (inspect(m_path) != SocketFile::Ours)
        return false;

    QLocalSocket socket;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QByteArray answer;
    bool done = false;
    auto finish = [&] {
        done = true;
        loop.quit();
    };
    connect(&socket, &QLocalSocket::connected, &loop,
        [&] { socket.write(message->data(), static_cast<qint64>(message->size())); });
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        answer += socket.readAll();
        if (answer.size() >= acknowledgement().size())
            finish();
    });
    connect(&socket, &QLocalSocket::errorOccurred, &loop, finish);
    connect(&socket, &QLocalSocket::disconnected, &loop, finish);
    connect(&timer, &QTimer::timeout, &loop, finish);
    socket.connectToServer(m_path);
    if (socket.state() == QLocalSocket::UnconnectedState)
        return false;
    timer.start(m_timeout);
    if (!done)
        loop.exec();
    socket.abort();
    return answer.startsWith(acknowledgement());
}

bool SingleInstance::listen()
{
    if (isListening())
        return true;
    switch (inspect(m_path)) {
    case SocketFile::Foreign:
        qWarning("velmorak: %s belongs to someone else; running without the single-instance "
                 "check",
            qPrintable(m_path));
        return false;
    case SocketFile::Ours: {
        QLocalSocket probe;
        probe.connectToServer(m_path);
        if (probe.waitForConnected(static_cast<int>(m_timeout.count()))) {
            probe.abort();
            return false;
        }
        QLocalServer::removeServer(m_path);
        break;
    }
    case SocketFile::Missing:
        break;
    }
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_path)) {
        qWarning("velmorak: cannot listen on %s: %s", qPrintable(m_path),
            qPrintable(server->errorString()));
        return false;
    }
    m_server = server.release();
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        // A peer that stalls mid-message is not kept waiting on forever.
        QTimer::singleShot(m_timeout, peer, &QLocalSocket::abort);
        auto received = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this, [this, peer, received] {
            if (peer->state() != QLocalSocket::ConnectedState)
                return;
            *received += peer->readAll();
            Result<InstanceMessageRead> read = readInstanceMessage(std::string_view(
                received->constData(), static_cast<std::size_t>(received->size())));
            if (!read) {
                qWarning("velmorak: dropped a local connection: %s", read.error().message.c_str());
                peer->abort();
                return;
            }
            if (!read->complete)
                return;
            QStringList files;
            for (const std::string& path : read->files)
                files << QFile::decodeName(QByteArray::fromStdString(path));
            peer->write(acknowledgement());
            peer->flush();
            peer->disconnectFromServer();
            emit filesReceived(files);
        });
    }
}

} // namespace velmorak::gui
