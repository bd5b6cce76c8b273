#include "Tfrm_Welcome.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QTextDocument>
#include <algorithm>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QVBoxLayout>

#include "ErrorGuard.h"

namespace {
// Trailing blanks are part of the text.
const char* const WelcomeLines[] = {
    "Вы запустили программу tomeria. Она предназначена для визуализации разнообразной ",
    "документации, хранимой в открытом XML-базированном формате DockBook (увы, слегка ",
    "видоизменённом).",
    "",
    "Коллектив разработчиков открыт для диалога и стремится учесть все ваши пожелания.",
    "",
    "Мы будем рады, если этот программный продукт поможет вам в учёбе, работе и жизни",
    "",
    "Сейчас вы можете начать работу, нажав на кнопку 'Закрыть' или же перейти к настройкам, ",
    "нажав кнопку 'Настройки.'",
};
// Wide enough for the longest line, so that no line breaks where the text does not.
int TextWidth(const QPlainTextEdit& edit) {
    int widest = 0;
    for (const char* line : WelcomeLines)
        widest = std::max(widest, edit.fontMetrics().horizontalAdvance(QString::fromUtf8(line)));
    const int margins = 2 * (edit.frameWidth() + static_cast<int>(edit.document()->documentMargin())) +
                        edit.contentsMargins().left() + edit.contentsMargins().right();
    return widest + margins + edit.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
}

}  // namespace

QString Tfrm_Welcome::WelcomeText() {
    QStringList lines;
    for (const char* line : WelcomeLines)
        lines << QString::fromUtf8(line);
    return lines.join(QLatin1Char('\n'));
}

Tfrm_Welcome::Tfrm_Welcome(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frm_Welcome"));
    setWindowTitle(QStringLiteral("Добро пожаловать"));

    me_Welcome = new QPlainTextEdit(this);
    me_Welcome->setObjectName(QStringLiteral("me_Welcome"));
    me_Welcome->setReadOnly(true);
    me_Welcome->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    me_Welcome->setBackgroundRole(QPalette::Window);  // greyed: the text is not for editing
    me_Welcome->viewport()->setBackgroundRole(QPalette::Window);
    me_Welcome->setPlainText(WelcomeText());

    auto* strip = new QWidget(this);
    strip->setFixedHeight(34);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 4, 4, 4);
    btn_Settings = new QPushButton(QStringLiteral("Настройки"), strip);
    btn_Close = new QPushButton(QStringLiteral("Закрыть"), strip);
    btn_Close->setDefault(true);
    stripLayout->addWidget(btn_Settings);
    stripLayout->addStretch();
    stripLayout->addWidget(btn_Close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(me_Welcome, 1);
    layout->addWidget(strip);

    setFixedSize(std::max(484, TextWidth(*me_Welcome)), 292);
    move(227, 200);

    connect(btn_Close, &QPushButton::clicked, this, Guarded([this] { CloseWith(ResultClose); }));
    connect(btn_Settings, &QPushButton::clicked, this, Guarded([this] { CloseWith(ResultSettings); }));
    // A window shortcut fires before the focused control sees the key.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, Guarded([this] { CloseWith(ResultClose); }));
}

// exec() returns the code as well; the close box rejects, which leaves the code at none.
void Tfrm_Welcome::CloseWith(uint8_t code) {
    Result = code;
    done(code);
}
