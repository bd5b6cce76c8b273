#pragma once
// A window of its own for pages that the browser opens in a new window.
#include <QWidget>

class QPushButton;
class QStatusBar;
class TWebBrowser;

class Tfrm_ExternalViewer : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_ExternalViewer(QWidget* parent = nullptr);

    TWebBrowser* wb_Browser = nullptr;
    QPushButton* btn_Save = nullptr;  // no function
    QPushButton* btn_Close = nullptr;
    QStatusBar* sb_Status = nullptr;
};
