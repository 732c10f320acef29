// "Vortragsdauer": no plan, a length in minutes or an end time, and the last minutes the timer
// warns in. Small, so that it can stay open beside a running talk.
#pragma once

#include "pacing/PaceTarget.h"

#include <QDialog>

class QRadioButton;
class QSpinBox;
class QTimeEdit;

class PaceDialog : public QDialog {
    Q_OBJECT
public:
    PaceDialog(const PaceTarget& current, QWidget* parent);

    // What the fields say now.
    PaceTarget target() const;

    QRadioButton* noneButton;
    QRadioButton* lengthButton;
    QRadioButton* endButton;
    QSpinBox* lengthField;
    QTimeEdit* endField;
    QSpinBox* lastMinutesField;

signals:
    // "Übernehmen" was pressed.
    void chosen(const PaceTarget& target);
};
