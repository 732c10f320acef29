// The dialog that offers the timers a search found: one radio button per choice and "Anzeigen".
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <optional>

class QPushButton;
class QRadioButton;

class TimerChoiceDialog : public QDialog {
    Q_OBJECT
public:
    // Modal to `parent` (the console), which keeps its presenter keys meanwhile.
    TimerChoiceDialog(const QStringList& titles, int preselected, QWidget* parent);

    QList<QRadioButton*> radioButtons() const { return radios; }
    QPushButton* showButton() const { return confirm; }
    // The first radio button that is on, if any.
    std::optional<int> checkedIndex() const;

signals:
    // "Anzeigen" was pressed while the choice at this position was on.
    void chosen(int index);

private:
    QList<QRadioButton*> radios;
    QPushButton* confirm;
};
