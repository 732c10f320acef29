#include "ui/remote/RemotePanel.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "remote/QrCode.h"
#include "ui/common/LabelStyle.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

// Every text here is plain: client names come from the program, but from peers' addresses.
QLabel* plainLabel(QWidget* parent, int pixelSize, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(LabelStyle::interfaceFont(pixelSize, QFont::Normal));
    LabelStyle::setTextColour(label, colour);
    return label;
}

} // namespace

RemotePanel::RemotePanel(QWidget* parent)
    : QWidget(parent), heading(plainLabel(this, 15, Colors::grey(0.85))), code(new QLabel(this)),
      address(plainLabel(this, 13, Colors::grey(0.85))),
      ports(plainLabel(this, 12, Colors::grey(0.6))),
      clients(plainLabel(this, 13, Colors::grey(0.85))),
      control(plainLabel(this, 13, Colors::orange)) {
    heading->setFont(LabelStyle::interfaceFont(15, QFont::DemiBold));
    code->setAlignment(Qt::AlignCenter);
    // The speaker may copy the address to type it on a phone without a camera.
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    for (QWidget* part : {static_cast<QWidget*>(heading), static_cast<QWidget*>(code),
                          static_cast<QWidget*>(address), static_cast<QWidget*>(ports),
                          static_cast<QWidget*>(clients), static_cast<QWidget*>(control)})
        layout->addWidget(part);
    layout->addStretch();
    setStatus({}, {});
}

void RemotePanel::setStatus(const RemoteStatus& status, const QString& problem) {
    if (status == shown && problem == shownProblem && !heading->text().isEmpty())
        return;
    shown = status;
    shownProblem = problem;
    heading->setText(L10n::lookup("Fernbedienung"));
    if (!status.listening) {
        code->clear();
        code->hide();
        address->setText(problem.isEmpty() ? L10n::lookup("Fernbedienung aus") : problem);
        ports->clear();
        clients->clear();
        control->clear();
        return;
    }
    code->setPixmap(QPixmap::fromImage(QrCode::image(status.address, 4)));
    code->show();
    address->setText(status.address);
    ports->setText(
        L10n::format("HTTP-Port %d · OSC-Port %d", {int(status.httpPort), int(status.oscPort)}));
    QStringList names;
    for (const RemoteClient& client : status.clients)
        names << client.name;
    clients->setText(names.isEmpty()
                         ? L10n::lookup("Kein Telefon verbunden")
                         : L10n::format("Verbunden: %@", {names.join(QStringLiteral(", "))}));
    control->setText(status.controlling.isEmpty()
                         ? L10n::lookup("Niemand steuert")
                         : L10n::format("Es steuert: %@", {status.controlling}));
}
