// The Stagetimer setup window: room ID, API key and server, connect and disconnect, and the
// link's state.
#pragma once

#include <QColor>
#include <QDialog>
#include <QObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class StagetimerModel;

// The form in its window. The fields edit only themselves; nothing is stored before "Verbinden",
// and every showing reloads them from the preferences.
class StagetimerSetupView : public QDialog {
    Q_OBJECT
public:
    explicit StagetimerSetupView(StagetimerModel& model, QWidget* parent = nullptr);

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

// Owns the window for the life of the program; closing it only hides it.
class StagetimerSetupWindowController : public QObject {
    Q_OBJECT
public:
    explicit StagetimerSetupWindowController(StagetimerModel& model, QObject* parent = nullptr);
    ~StagetimerSetupWindowController() override;

    StagetimerSetupView* window() const { return view; }
    // Shows the window in front and gives it the keyboard.
    void showWindow();

private:
    QPointer<StagetimerSetupView> view;
};
