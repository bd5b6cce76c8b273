#pragma once
// The tabs of a tab widget as flat buttons in as many rows as the width needs, so that every
// tab stays in sight; the tab widget's own bar, which would scroll, is hidden.
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QTabWidget;

class TTabRows : public QWidget {
    Q_OBJECT
public:
    // width: the room the rows have. The tabs must all have been added.
    TTabRows(QTabWidget& tabs, int width, QWidget* parent = nullptr);

    // The button of tab index; nullptr past the last tab.
    QAbstractButton* Button(int index) const;

private:
    QButtonGroup* Group = nullptr;
};
