#include "TInstanceChannel.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {

constexpr qint64 MaxRequestBytes = 64 * 1024;  // a longer line is no path: the peer is dropped
constexpr int PeerTimeoutMs = 10000;           // a peer that sends nothing is dropped after this
const QByteArray Answer = "ok\n";

int Remaining(const QDeadlineTimer& deadline) { return int(std::max<qint64>(1, deadline.remainingTime())); }

}  // namespace

QString InstanceSocketPath(const QString& lockPath) { return lockPath + QStringLiteral(".socket"); }

TInstanceServer::TInstanceServer(QString socketPath, QObject* parent)
    : QObject(parent), SocketPath(std::move(socketPath)), Server(new QLocalServer(this)) {
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(Server, &QLocalServer::newConnection, this, &TInstanceServer::AcceptConnection);
}

bool TInstanceServer::Listen() {
    if (Server->listen(SocketPath)) return true;
    if (Server->serverError() != QAbstractSocket::AddressInUseError) return false;
    QLocalServer::removeServer(SocketPath);
    return Server->listen(SocketPath);
}

QString TInstanceServer::ErrorText() const { return Server->errorString(); }

void TInstanceServer::AcceptConnection() {
    while (QLocalSocket* socket = Server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        QTimer::singleShot(PeerTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0) ReadRequest(socket);
    }
}

void TInstanceServer::ReadRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxRequestBytes) socket->abort();
        return;
    }
    QByteArray line = socket->readLine(MaxRequestBytes);
    if (line.endsWith('\n')) line.chop(1);
    const QString path = QString::fromUtf8(line);
    // Answered once the book is taken in (opened, or queued during start-up); opening runs
    // event loops of its own, in which the peer may go.
    const QPointer<QLocalSocket> peer(socket);
    if (!path.isEmpty()) emit DocumentReceived(path);
    if (!peer) return;
    peer->write(Answer);
    peer->flush();
    peer->disconnectFromServer();
}

bool SendDocumentToRunningCopy(const QString& socketPath, const QString& path, int timeoutMs) {
    // The running copy may still be starting and not listen yet: try again until the deadline.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(Remaining(deadline))) {
            socket.write(path.toUtf8() + '\n');
            if (!socket.waitForBytesWritten(Remaining(deadline))) return false;
            // Sent: the running copy has the book. Its answer comes once the book is open; a
            // long open only ends the wait.
            while (!socket.canReadLine())
                if (deadline.hasExpired() || !socket.waitForReadyRead(Remaining(deadline))) return true;
            return socket.readLine().trimmed() == "ok";
        }
        QThread::msleep(100);
    }
    return false;
}
