// The speaker's window: creates the presenter view, remembers its frame and ends the program
// when it is closed.
#pragma once

#include "document/Presentation.h"
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

class PresenterView;

class PresenterWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PresenterWindow(QWidget* parent = nullptr);

    // Asked before the window closes; false keeps it open (a running talk the speaker keeps).
    std::function<bool()> mayClose;

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void saveFrame();

    QTimer frameSaver;
};

class PresenterWindowController : public QObject {
    Q_OBJECT
public:
    static const QString frameKey; // "PresenterWindow"

    explicit PresenterWindowController(Presentation* presentation, QObject* parent = nullptr);
    ~PresenterWindowController() override;

    PresenterWindow* window() const { return presenterWindow; }

    QPointer<Presentation> presentation;
    PresenterView* content;

private:
    PresenterWindow* presenterWindow;
};
