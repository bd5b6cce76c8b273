#pragma once
// The busy cursor while the reader waits for a transformation: shown and taken back with the
// runner's busy state, and taken back when this goes, whatever that state was then.
#include <QObject>

class TBusyCursor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TBusyCursor() override;
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    void Show(bool busy);

private:
    bool Shown = false;
};
