#include "TBusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

TBusyCursor::~TBusyCursor() { Show(false); }

void TBusyCursor::Show(bool busy) {
    if (busy == Shown) return;
    Shown = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}
