#pragma once
// A folder or file field of a dialog: a text field with a flat browse button beside it. A
// file field keeps the texts it has shown in a history drop-down.
#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;

class TPathField : public QWidget {
    Q_OBJECT
public:
    enum class TKind { Folder, File };
    TPathField(TKind kind, const QString& name, QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    TKind Kind() const { return FieldKind; }
    QLineEdit* Edit() const { return Line; }
    QToolButton* BrowseButton() const { return Button; }

signals:
    // The input focus left the text for another control of the window.
    void Exited();
    void BrowseClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TKind FieldKind;
    QComboBox* History = nullptr;  // file fields only
    QLineEdit* Line = nullptr;
    QToolButton* Button = nullptr;
};
