#include "ui/remote/RemoteWindow.h"

#include "base/L10n.h"
#include "ui/remote/RemotePanel.h"

#include <QCheckBox>
#include <QVBoxLayout>

RemoteWindow::RemoteWindow(QWidget* console)
    : QDialog(console), onOff(new QCheckBox(L10n::lookup("Fernbedienung an"))),
      panel(new RemotePanel) {
    setWindowTitle(L10n::lookup("Fernbedienung"));
    setObjectName(QStringLiteral("remote"));
    // The talk goes on with it open: keys reach the console, nothing waits for it.
    setWindowModality(Qt::NonModal);
    onOff->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(onOff);
    layout->addWidget(panel);
    connect(onOff, &QCheckBox::toggled, this, &RemoteWindow::switched);
    resize(360, 520);
}

void RemoteWindow::setSwitch(bool on) {
    const QSignalBlocker quiet(onOff);
    onOff->setChecked(on);
}

void RemoteWindow::setStatus(const RemoteStatus& status, const QString& problem) {
    panel->setStatus(status, problem);
}
