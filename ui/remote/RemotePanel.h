// The console's panel of the remote control: the phone page's QR code and address, the OSC
// port for control desks, the phones connected and which of them controls.
#pragma once

#include "remote/RemoteTypes.h"

#include <QWidget>

class QLabel;

class RemotePanel : public QWidget {
    Q_OBJECT
public:
    explicit RemotePanel(QWidget* parent = nullptr);

    // `problem` says why nothing listens although the switch is on; empty otherwise.
    void setStatus(const RemoteStatus& status, const QString& problem);

    QLabel* heading;
    QLabel* code; // the QR code of the address
    QLabel* address;
    QLabel* ports;
    QLabel* clients;
    QLabel* control;

private:
    RemoteStatus shown;
    QString shownProblem;
};
