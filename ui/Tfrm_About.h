#pragma once
// The about box: the logo and the credits.
#include <QDialog>

class QLabel;
class QPushButton;

class Tfrm_About : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_About(QWidget* parent = nullptr);

    // The credit entries as the box shows them.
    static QString CreditsText();

    QLabel* lbl_Credits = nullptr;
    QPushButton* btn_Close = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
