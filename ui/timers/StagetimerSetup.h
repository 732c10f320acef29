// The Stagetimer setup window: room ID, API key and server, connect and disconnect, and the
// link's state.
#pragma once

#include <QColor>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class StagetimerModel;

// The form in its window. The fields edit only themselves; nothing is stored before "Verbinden"
// (or Return in a field), and every showing reloads the fields the speaker has not edited since.
class StagetimerSetupWindow : public QDialog {
    Q_OBJECT
public:
    // Centred on the primary screen; closing it only hides it.
    explicit StagetimerSetupWindow(StagetimerModel& model, QWidget* parent = nullptr);

    // Shows the window in front and gives it the keyboard.
    void showInFront();

    QColor statusColour() const { return dotColour; }

    QLabel* statusLabel;
    QLineEdit* roomField;
    QLineEdit* keyField;
    QLineEdit* serverField;
    QPushButton* disconnectButton;
    QPushButton* connectButton;
    QPushButton* doneButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadFields();
    void storeAndConnect();
    void refresh();

    StagetimerModel& model;
    QLabel* dot;
    QColor dotColour;
};
