#pragma once
// The dialog a page's alert, confirm or prompt shows. It may offer the reader to silence the
// page: a page that calls alert() in an endless loop must not trap the program.
#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

class TPageDialog : public QDialog {
    Q_OBJECT
public:
    enum class TKind { Alert, Confirm, Prompt };
    // offerSilence: show the box that silences the page's further dialogs.
    TPageDialog(TKind kind, const QString& message, const QString& defaultValue, bool offerSilence, QWidget* parent);

    QString Value() const;      // the prompt's text
    bool SilenceAsked() const;  // the reader ticked the box

    QLabel* lb_Message = nullptr;
    QLineEdit* ed_Value = nullptr;      // prompts only
    QCheckBox* cb_Silence = nullptr;    // when offered
    QDialogButtonBox* Buttons = nullptr;
};
