#pragma once
// The welcome dialog of the first start: a few words about the program, and the way to the
// settings.
#include <QDialog>
#include <cstdint>

class QPlainTextEdit;
class QPushButton;

class Tfrm_Welcome : public QDialog {
    Q_OBJECT
public:
    // How the dialog was left: none yet (also the title bar's close box), "Закрыть" or
    // Escape, "Настройки".
    static constexpr uint8_t ResultNone = 0;
    static constexpr uint8_t ResultClose = 1;
    static constexpr uint8_t ResultSettings = 2;

    explicit Tfrm_Welcome(QWidget* parent = nullptr);

    // The text the dialog shows, line by line.
    static QString WelcomeText();

    uint8_t ResultCode() const { return Result; }

    QPlainTextEdit* me_Welcome = nullptr;
    QPushButton* btn_Settings = nullptr;
    QPushButton* btn_Close = nullptr;

private:
    void CloseWith(uint8_t code);

    uint8_t Result = ResultNone;
};
