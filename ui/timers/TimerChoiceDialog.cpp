#include "ui/timers/TimerChoiceDialog.h"

#include "base/L10n.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TimerChoiceDialog::TimerChoiceDialog(const QStringList& titles, int preselected, QWidget* parent)
    : QDialog(parent) {
    setWindowModality(Qt::WindowModal);
    const QString title = L10n::lookup("Timer gefunden");
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    auto* heading = new QLabel(title);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    auto* informative =
        new QLabel(L10n::lookup("Welcher Timer soll unten links angezeigt werden?"));
    informative->setWordWrap(true);
    layout->addWidget(informative);

    // The buttons form one group, in which choosing one clears the others.
    auto* stack = new QWidget;
    auto* stackLayout = new QVBoxLayout(stack);
    stackLayout->setContentsMargins(0, 0, 0, 0);
    stackLayout->setSpacing(8);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < titles.size(); ++i) {
        // Host names found on the network: an ampersand is shown, never taken as a mnemonic.
        auto* radio =
            new QRadioButton(QString(titles.at(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        radio->setChecked(i == preselected);
        group->addButton(radio, i);
        stackLayout->addWidget(radio, 0, Qt::AlignLeft);
        radios.append(radio);
    }
    stack->setFixedSize(340, 26 * int(titles.size()));
    layout->addWidget(stack);

    confirm = new QPushButton(L10n::lookup("Anzeigen"));
    confirm->setDefault(true);
    layout->addWidget(confirm, 0, Qt::AlignRight);
    connect(confirm, &QPushButton::clicked, this, [this] {
        const std::optional<int> index = checkedIndex();
        accept();
        if (index)
            emit chosen(*index);
    });
}

std::optional<int> TimerChoiceDialog::checkedIndex() const {
    for (int i = 0; i < radios.size(); ++i)
        if (radios.at(i)->isChecked())
            return i;
    return std::nullopt;
}
