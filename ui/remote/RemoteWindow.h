// "Fernbedienung": the switch for the phones and control desks, and what a phone needs to join
// (QR code, address, ports), beside the console and never holding it up.
#pragma once

#include "remote/RemoteTypes.h"

#include <QDialog>

class QCheckBox;
class RemotePanel;

class RemoteWindow : public QDialog {
    Q_OBJECT
public:
    explicit RemoteWindow(QWidget* console);

    void setSwitch(bool on);
    void setStatus(const RemoteStatus& status, const QString& problem);

signals:
    void switched(bool on);

private:
    QCheckBox* onOff;
    RemotePanel* panel;
};
