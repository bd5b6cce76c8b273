#pragma once
// A splitter whose handles report a click: a press and release without a drag.
#include <QSplitter>
#include <QSplitterHandle>

class TClickSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    TClickSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint PressPos;
    bool Pressed = false;
    bool Dragging = false;
};

class TClickSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit TClickSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

signals:
    // A handle was clicked (not dragged).
    void HandleClicked();

protected:
    QSplitterHandle* createHandle() override;
};
