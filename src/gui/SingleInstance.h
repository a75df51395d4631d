#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>

class QLocalServer;

namespace velmorak::gui {

// Keeps one desktop program per user. The first start listens on a per-user local socket
// ($XDG_RUNTIME_DIR/velmorak-<uid>, else velmorak-<uid> in the temporary folder); a later
// start hands its file arguments to it and ends. The bytes on the socket are the core's
// instance message; a peer that sends anything else, or nothing for too long, is dropped.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket's path, read from the environment when the object was made.
    const QString& socketPath() const { return m_path; }
    // How long a hand-over waits for the acknowledgement, and how long the running
    // instance gives a peer to finish its message.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // A second start: sends `files` (made absolute against the current folder; none asks
    // the running instance to raise its window) and waits for the acknowledgement. True
    // only when the running instance took them; false when none runs, when the socket
    // belongs to another user or is no socket (our paths are not shown to strangers), or
    // when the files cannot be sent. Runs a local event loop while it waits.
    bool handOver(const QStringList& files);

    // The first start: listens for later starts. A socket file left by a crashed instance
    // is removed, but only after a connection to it failed, so a live instance is never
    // cut off. False when another instance answers or the socket cannot be made; the
    // program can still run, alone.
    bool listen();
    bool isListening() const;

signals:
    // A later start's files, absolute; empty when it only asked for the window.
    void filesReceived(const QStringList& files);

private:
    void acceptConnections();

    QString m_path;
    QLocalServer* m_server = nullptr;
    std::chrono::milliseconds m_timeout { 3000 };
};

} // namespace velmorak::gui
