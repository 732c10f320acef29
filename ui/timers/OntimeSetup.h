// The Ontime setup window: found servers, a new search, an address and port typed by hand, and
// disconnecting, all read from and done through the Ontime model.
#pragma once

#include "ontime/OntimeWire.h"

#include <QColor>
#include <QDialog>
#include <optional>

class OntimeModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The panel in its window. It keeps no model state of its own: everything shown follows the
// model's change signals; only the list selection and the typed address live here.
class OntimeSetupWindow : public QDialog {
    Q_OBJECT
public:
    // Centred on the primary screen; closing it only hides it.
    explicit OntimeSetupWindow(OntimeModel& model, QWidget* parent = nullptr);

    // Shows the window in front and gives it the keyboard.
    void showInFront();

    std::optional<OntimeServer> selection() const { return selected; }
    QColor statusColour() const { return dotColour; }

    QLabel* statusLabel;
    QListWidget* list;
    QPushButton* searchButton;
    QProgressBar* progress;
    QPushButton* connectSelectedButton;
    QLabel* scanInfoLabel;
    QLineEdit* hostField;
    QLineEdit* portField;
    QPushButton* connectHostButton;
    QPushButton* disconnectButton;
    QPushButton* doneButton;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* buildFoundGroup();
    QGroupBox* buildManualGroup();
    void rebuildList();
    void refresh();
    void selectionMoved();
    void connectSelected();
    void connectHost();
    void commitPort();

    OntimeModel& model;
    std::optional<OntimeServer> selected;
    QLabel* dot;
    QColor dotColour;
};
