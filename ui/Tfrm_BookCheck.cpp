#include "Tfrm_BookCheck.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString U(const char* text) { return QString::fromUtf8(text); }
}  // namespace

Tfrm_BookCheck::Tfrm_BookCheck(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_BookCheck"));
    setWindowTitle(U("Проверка книги"));
    resize(640, 360);
    pb_Check = new QProgressBar(this);
    pb_Check->setObjectName(QStringLiteral("pb_Check"));
    btn_Stop = new QPushButton(U("Остановить"), this);
    btn_Stop->setObjectName(QStringLiteral("btn_Stop"));
    lbl_Summary = new QLabel(this);
    lbl_Summary->setObjectName(QStringLiteral("lbl_Summary"));
    lbl_Summary->setWordWrap(true);
    lv_Problems = new QListWidget(this);
    lv_Problems->setObjectName(QStringLiteral("lv_Problems"));
    auto* line = new QHBoxLayout;
    line->addWidget(pb_Check, 1);
    line->addWidget(btn_Stop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addWidget(lbl_Summary);
    layout->addWidget(lv_Problems, 1);
    connect(btn_Stop, &QPushButton::clicked, this, [this] {
        if (OnStop) OnStop();
    });
    connect(lv_Problems, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int row = lv_Problems->row(item);
        if (OnShowProblem && row >= 0 && static_cast<std::size_t>(row) < Problems.size())
            OnShowProblem(Problems[static_cast<std::size_t>(row)]);
    });
}

void Tfrm_BookCheck::Started() {
    Problems.clear();
    lv_Problems->clear();
    pb_Check->setRange(0, 0);  // busy until the number of parts is known
    pb_Check->show();
    btn_Stop->setEnabled(true);
    lbl_Summary->setText(U("Книга проверяется..."));
}

void Tfrm_BookCheck::Progress(int done, int total) {
    pb_Check->setRange(0, total);
    pb_Check->setValue(done);
}

void Tfrm_BookCheck::Ended(const TBookCheckReport& report) {
    pb_Check->hide();
    btn_Stop->setEnabled(false);
    Problems = report.Problems;
    for (const TCheckProblem& problem : Problems)
        lv_Problems->addItem(QString::fromStdString(problem.Printable()));
    QString summary = !report.Checked  ? U("Книгу нельзя проверить.")
                      : report.Stopped ? U("Проверка остановлена. ")
                                       : QString();
    if (report.Checked)
        summary += U("Замечаний: %1, частей проверено: %2.").arg(Problems.size()).arg(report.PartCount);
    lbl_Summary->setText(summary);
}
