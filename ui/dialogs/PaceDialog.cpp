#include "ui/dialogs/PaceDialog.h"

#include "base/L10n.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTime>
#include <QTimeEdit>

namespace {

// What the length field offers when no length was set.
constexpr int usualLengthMinutes = 20;

} // namespace

PaceDialog::PaceDialog(const PaceTarget& current, QWidget* parent) : QDialog(parent) {
    setWindowTitle(L10n::lookup("Vortragsdauer"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(10);

    noneButton = new QRadioButton(L10n::lookup("Keine Vorgabe: der Timer zählt hoch"));
    lengthButton = new QRadioButton(L10n::lookup("Dauer:"));
    endButton = new QRadioButton(L10n::lookup("Ende um:"));
    auto* group = new QButtonGroup(this);
    for (QRadioButton* button : {noneButton, lengthButton, endButton})
        group->addButton(button);

    lengthField = new QSpinBox;
    lengthField->setRange(1, PaceTarget::longestMinutes);
    lengthField->setSuffix(L10n::lookup(" min"));
    lengthField->setValue(current.lengthMinutes.value_or(usualLengthMinutes));
    endField = new QTimeEdit;
    endField->setDisplayFormat(QStringLiteral("HH:mm"));
    // Without an end time, the next full hour: a value that is never already past.
    endField->setTime(
        current.endTime.value_or(QTime(QTime::currentTime().hour(), 0).addSecs(3600)));
    lastMinutesField = new QSpinBox;
    lastMinutesField->setRange(0, PaceTarget::longestMinutes);
    lastMinutesField->setSuffix(L10n::lookup(" min"));
    lastMinutesField->setValue(current.lastMinutes);

    if (current.lengthMinutes)
        lengthButton->setChecked(true);
    else if (current.endTime)
        endButton->setChecked(true);
    else
        noneButton->setChecked(true);
    const auto follow = [this] {
        lengthField->setEnabled(lengthButton->isChecked());
        endField->setEnabled(endButton->isChecked());
        lastMinutesField->setEnabled(!noneButton->isChecked());
    };
    follow();
    connect(group, &QButtonGroup::buttonToggled, this, follow);

    layout->addWidget(noneButton, 0, 0, 1, 2);
    layout->addWidget(lengthButton, 1, 0);
    layout->addWidget(lengthField, 1, 1);
    layout->addWidget(endButton, 2, 0);
    layout->addWidget(endField, 2, 1);
    layout->addWidget(new QLabel(L10n::lookup("Orange in den letzten:")), 3, 0);
    layout->addWidget(lastMinutesField, 3, 1);

    auto* buttons = new QDialogButtonBox;
    QPushButton* apply =
        buttons->addButton(L10n::lookup("Übernehmen"), QDialogButtonBox::AcceptRole);
    apply->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons, 4, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const PaceTarget chosenTarget = target();
        accept();
        emit chosen(chosenTarget);
    });
}

PaceTarget PaceDialog::target() const {
    PaceTarget target;
    target.lastMinutes = lastMinutesField->value();
    if (lengthButton->isChecked())
        target.lengthMinutes = lengthField->value();
    else if (endButton->isChecked())
        target.endTime = QTime(endField->time().hour(), endField->time().minute());
    else
        return {};
    return target;
}
