#include "ui/timers/StagetimerSetup.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "stagetimer/StagetimerModel.h"
#include "ui/common/LabelStyle.h"
#include "ui/timers/SetupWindowParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace {

QLineEdit* field(const QString& name, const QString& placeholder) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

StagetimerSetupWindow::StagetimerSetupWindow(StagetimerModel& model, QWidget* parent)
    : QDialog(parent), model(model) {
    SetupWindowParts::configure(*this, QStringLiteral("stagetimerSetup"),
                                QStringLiteral("Stagetimer"), 540, 420);
    SetupWindowParts::centreOnPrimaryScreen(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(14);

    layout->addWidget(SetupWindowParts::heading(QStringLiteral("Stagetimer")));
    layout->addWidget(SetupWindowParts::explanation(
        L10n::lookup("Zeigt den Timer und die Nachricht eines Stagetimer-Raums unten in der "
                     "Presenter-Ansicht. Raum-ID und API-Key finden Sie in Stagetimer im "
                     "Controller unter „API“.")));

    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(8);
    dot = new QLabel;
    dot->setFixedSize(10, 10);
    statusRow->addWidget(dot, 0, Qt::AlignTop);
    statusLabel = new QLabel;
    statusLabel->setObjectName(QStringLiteral("status"));
    // The cause may be a server's own message: never guessed as HTML.
    statusLabel->setTextFormat(Qt::PlainText);
    statusLabel->setWordWrap(true);
    // At most two lines; a longer cause is cut off rather than pushing the fields down.
    statusLabel->setMaximumHeight(2 * statusLabel->fontMetrics().lineSpacing());
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(statusLabel, 1);
    layout->addLayout(statusRow);

    auto* group = new QGroupBox;
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    roomField = field(QStringLiteral("room"), QStringLiteral("ABCD1234"));
    keyField = field(QStringLiteral("key"), QString());
    keyField->setEchoMode(QLineEdit::Password);
    serverField = field(QStringLiteral("server"),
                        L10n::lookup("leer = stagetimer.io (Cloud) · Desktop-App: IP:Port"));
    const QList<std::pair<QString, QLineEdit*>> rows{{L10n::lookup("Raum-ID"), roomField},
                                                     {L10n::lookup("API-Key"), keyField},
                                                     {L10n::lookup("Server"), serverField}};
    for (int row = 0; row < rows.size(); ++row) {
        grid->addWidget(new QLabel(rows.at(row).first), row, 0, Qt::AlignLeft);
        grid->addWidget(rows.at(row).second, row, 1);
        connect(rows.at(row).second, &QLineEdit::textChanged, this,
                &StagetimerSetupWindow::refresh);
        // Return in a field connects, as the speaker means it; it never closes the window.
        connect(rows.at(row).second, &QLineEdit::returnPressed, this, [this] {
            if (connectButton->isEnabled())
                storeAndConnect();
        });
    }
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    disconnectButton = new QPushButton(L10n::lookup("Trennen und ausblenden"));
    disconnectButton->setObjectName(QStringLiteral("disconnect"));
    buttons->addWidget(disconnectButton);
    connectButton = new QPushButton(L10n::lookup("Verbinden"));
    connectButton->setObjectName(QStringLiteral("connect"));
    buttons->addWidget(connectButton);
    buttons->addStretch(1);
    doneButton = new QPushButton(L10n::lookup("Fertig"));
    doneButton->setObjectName(QStringLiteral("done"));
    buttons->addWidget(doneButton);
    // No button answers Return for the fields: that would close the window on what was typed.
    for (QPushButton* button : {disconnectButton, connectButton, doneButton})
        button->setAutoDefault(false);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(disconnectButton, &QPushButton::clicked, this,
            [this] { this->model.disconnectRoom(); });
    connect(connectButton, &QPushButton::clicked, this, &StagetimerSetupWindow::storeAndConnect);
    connect(doneButton, &QPushButton::clicked, this, &QWidget::close);

    for (const auto signal :
         {&StagetimerModel::statusChanged, &StagetimerModel::connectedChanged,
          &StagetimerModel::connectingChanged, &StagetimerModel::settingsChanged})
        connect(&model, signal, this, &StagetimerSetupWindow::refresh);
    refresh();
}

void StagetimerSetupWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    loadFields();
}

void StagetimerSetupWindow::loadFields() {
    // What the speaker typed and did not store yet stays: closing the window loses nothing.
    for (const auto& [field, stored] : {std::pair{roomField, model.roomID()},
                                        {keyField, model.apiKey()},
                                        {serverField, model.server()}}) {
        if (!field->isModified())
            field->setText(stored);
    }
    refresh();
}

void StagetimerSetupWindow::storeAndConnect() {
    model.setRoomID(roomField->text());
    model.setApiKey(keyField->text());
    model.setServer(serverField->text());
    for (QLineEdit* field : {roomField, keyField, serverField})
        field->setModified(false);
    model.connectRoom();
}

void StagetimerSetupWindow::refresh() {
    if (model.connected())
        dotColour = Colors::green;
    else if (model.linkFailed())
        dotColour = Colors::red;
    else if (model.connecting())
        dotColour = Colors::orange;
    else
        dotColour = Colors::grey(0.5);
    dot->setStyleSheet(
        QStringLiteral("background-color: %1; border-radius: 5px;").arg(dotColour.name()));
    statusLabel->setText(model.status());
    disconnectButton->setEnabled(Preferences::flag(QStringLiteral("stagetimerEnabled")) ||
                                 model.connecting());
    connectButton->setEnabled(SetupWindowParts::hasText(roomField->text()) &&
                              SetupWindowParts::hasText(keyField->text()));
}

void StagetimerSetupWindow::showInFront() {
    SetupWindowParts::bringToFront(*this);
}
