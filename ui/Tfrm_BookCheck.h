#pragma once
// "Проверка книги": the check of the open book as it runs (progress and a stop) and the
// problems it found, one a line in the form "file:line:column: message"; a double-click on one
// asks to show it.
#include <QDialog>
#include <functional>
#include <vector>

#include "TBookCheck.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

class Tfrm_BookCheck : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_BookCheck(QWidget* parent = nullptr);

    // A check has started: the list is emptied and the progress shown.
    void Started();
    void Progress(int done, int total);
    void Ended(const TBookCheckReport& report);

    // Asked to stop the check, and to show a problem (its part, its file's place).
    std::function<void()> OnStop;
    std::function<void(const TCheckProblem& problem)> OnShowProblem;

    QProgressBar* pb_Check = nullptr;
    QPushButton* btn_Stop = nullptr;
    QLabel* lbl_Summary = nullptr;
    QListWidget* lv_Problems = nullptr;

private:
    std::vector<TCheckProblem> Problems;
};
