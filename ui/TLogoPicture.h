#pragma once
// The 250 x 150 logo as a control, drawn for the pixel ratio of the screen it is on.
#include <QWidget>

class TLogoPicture : public QWidget {
    Q_OBJECT
public:
    explicit TLogoPicture(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
