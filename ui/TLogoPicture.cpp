#include "TLogoPicture.h"

#include <QPainter>

#include "AppLogo.h"

TLogoPicture::TLogoPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("img_Logo"));
    setFixedSize(LogoWidth, LogoHeight);
}

void TLogoPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), LogoPixmap(devicePixelRatioF()));
}
