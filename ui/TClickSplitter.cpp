#include "TClickSplitter.h"

#include <QApplication>
#include <QMouseEvent>

TClickSplitterHandle::TClickSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void TClickSplitterHandle::mousePressEvent(QMouseEvent* event) {
    Pressed = event->button() == Qt::LeftButton;
    Dragging = false;
    PressPos = event->globalPosition().toPoint();
    QSplitterHandle::mousePressEvent(event);
}

void TClickSplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    // A jitter smaller than the drag distance neither moves the splitter nor spoils the click.
    if (Pressed && !Dragging &&
        (event->globalPosition().toPoint() - PressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    Dragging = true;
    QSplitterHandle::mouseMoveEvent(event);
}

void TClickSplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    QSplitterHandle::mouseReleaseEvent(event);
    const bool click = Pressed && !Dragging && event->button() == Qt::LeftButton;
    Pressed = false;
    Dragging = false;
    if (click) emit Clicked();
}

TClickSplitter::TClickSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {}

QSplitterHandle* TClickSplitter::createHandle() {
    auto* handle = new TClickSplitterHandle(orientation(), this);
    connect(handle, &TClickSplitterHandle::Clicked, this, &TClickSplitter::HandleClicked);
    return handle;
}
