#pragma once
// Watches the memory of a page's render process from a timer of the user-interface thread
// and stops the process once it holds more than its limit: a page that allocates without
// end cannot take the machine's memory. The engine then reports the process as killed.
#include <QObject>
#include <QTimer>

class QWebEnginePage;

class TRenderWatch : public QObject {
    Q_OBJECT
public:
    TRenderWatch(QWebEnginePage& page, QObject* parent);

    // A quarter of the machine's physical memory.
    static qint64 DefaultLimit();
    // The resident memory of a process in bytes, or -1 when it cannot be read.
    static qint64 ResidentBytes(qint64 pid);

    void SetLimit(qint64 bytes) { LimitBytes = bytes; }
    qint64 Limit() const { return LimitBytes; }
    // The memory the process held when the watch stopped it; 0 when the last end of the
    // process was not the watch's doing. Forget() clears it once the end has been reported.
    qint64 StoppedAt() const { return StoppedBytes; }
    void Forget() { StoppedBytes = 0; }

private:
    void Check();

    QWebEnginePage& Page;
    QTimer Timer;
    qint64 LimitBytes;
    qint64 StoppedBytes = 0;
};
