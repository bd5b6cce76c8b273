#pragma once
// The hand-over between copies: the running copy listens on a local socket beside its
// single-instance lock; a second copy started with a book sends the book's path there and
// ends. One line of UTF-8 per request, answered by "ok".
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The socket beside a lock file: the lock's path followed by ".socket".
QString InstanceSocketPath(const QString& lockPath);

class TInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit TInstanceServer(QString socketPath, QObject* parent = nullptr);

    // Starts listening. Only the holder of the lock calls it, so a socket file that is
    // already there was left by a copy that died and is removed first. False when the
    // socket cannot be made; the copy then runs without hand-over.
    bool Listen();
    QString ErrorText() const;

signals:
    void DocumentReceived(const QString& path);

private:
    void AcceptConnection();
    void ReadRequest(QLocalSocket* socket);

    QString SocketPath;
    QLocalServer* Server = nullptr;  // child of this object
};

// Sends the path to the running copy and waits, at most timeoutMs, for its answer (given once
// the book is open). False when no copy could be reached in that time.
bool SendDocumentToRunningCopy(const QString& socketPath, const QString& path, int timeoutMs);
