// The presenter keys: which key means what, the typed slide number, Esc and F5, and when keys
// are left to other windows and dialogs.
#include "app/KeyFilter.h"
#include "app/MenuBar.h"
#include "automation/KeyNotation.h"
#include "document/Deck.h"
#include "show/SlideShow.h"
#include "support/OpenDeck.h"
#include "support/TestSupport.h"
#include "ui/console/PresenterView.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

enum class Screen { slide, black, white };

// The actions wired to a slide show as the program wires them, and the key filter over both.
class Talk : public QObject {
public:
    Actions actions;
    SlideShow show;
    KeyFilter filter{actions, show};
    int refreshes = 0;
    int choicesSetAside = 0;
    bool quitQuestion = false;

    Talk() {
        show.setDeck(30, nullptr, false);
        actions.setDeckOpen(true);
        using Id = Actions::Id;
        const auto on = [this](Id id, auto slot) {
            connect(actions[id], &QAction::triggered, this, slot);
        };
        on(Id::next, [this] { show.next(); });
        on(Id::previous, [this] { show.previous(); });
        on(Id::nextSlide, [this] { show.nextSlide(); });
        on(Id::previousSlide, [this] { show.previousSlide(); });
        on(Id::first, [this] { show.first(); });
        on(Id::last, [this] { show.last(); });
        on(Id::goToTyped, [this] { show.goToTyped(); });
        on(Id::escape, [this] { show.escape(); });
        on(Id::toggleBlack, [this] { show.toggleBlank(Blank::black); });
        on(Id::toggleWhite, [this] { show.toggleBlank(Blank::white); });
        on(Id::togglePresentation,
           [this] { show.isPresenting() ? show.stop() : void(show.start()); });
        on(Id::startFromBeginning, [this] { show.startFrom(0); });
        connect(&show, &SlideShow::changed, this, [this] { ++refreshes; });
        // A start sets an open timer choice aside, whichever way it comes.
        connect(&show, &SlideShow::presentingChanged, this,
                [this](bool presenting) { choicesSetAside += presenting; });
        filter.asksToQuit = [this] { return quitQuestion; };
    }
    Screen screen() const {
        return show.blank() == Blank::black   ? Screen::black
               : show.blank() == Blank::white ? Screen::white
                                              : Screen::slide;
    }
    void presenting(bool on) { on ? void(show.start()) : show.stop(); }
};

using Command = KeyRules::Command;

} // namespace

class TestKeyFilter : public QObject {
    Q_OBJECT

    std::unique_ptr<QMainWindow> presenter;
    std::unique_ptr<Talk> deck;

    // Types the keys into the presenter window, one by one, as X11 names them.
    void type(const QString& keys, QWindow* window = nullptr) {
        for (const QString& name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const std::optional<KeyStroke> stroke = KeyNotation::parse(name);
            QVERIFY2(stroke, qPrintable(name));
            QTest::sendKeyEvent(QTest::Click, window ? window : presenter->windowHandle(),
                                Qt::Key(stroke->key), stroke->text, stroke->modifiers);
        }
    }

private slots:
    void init() {
        presenter = std::make_unique<QMainWindow>();
        presenter->resize(400, 300);
        presenter->show();
        QVERIFY(QTest::qWaitForWindowExposed(presenter.get()));
        deck = std::make_unique<Talk>();
        deck->filter.setWindows(presenter.get(), nullptr);
    }
    void cleanup() {
        deck.reset();
        presenter.reset();
    }

    void commandFor_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<Command>("command");
        QTest::newRow("space") << "space" << Command::Next;
        QTest::newRow("shift b like caps lock") << "Shift+b" << Command::ToggleBlack;
        QTest::newRow("shift right: a whole slide") << "Shift+Right" << Command::NextSlide;
        QTest::newRow("shift page down from a clicker") << "Shift+Next" << Command::NextSlide;
        QTest::newRow("shift left") << "Shift+Left" << Command::PreviousSlide;
        QTest::newRow("shift page up") << "Shift+Prior" << Command::PreviousSlide;
        QTest::newRow("shift down stays a step") << "Shift+Down" << Command::Next;
        QTest::newRow("ctrl right belongs to the menus") << "Ctrl+Right" << Command::None;
        QTest::newRow("alt right goes forward to the link") << "Alt+Right" << Command::LinkForward;
        QTest::newRow("meta right") << "Meta+Right" << Command::None;
        QTest::newRow("ctrl b") << "Ctrl+b" << Command::None;
        QTest::newRow("other letter") << "q" << Command::None;
        QTest::newRow("l takes the pointer") << "l" << Command::Pointer;
        QTest::newRow("shift d like caps lock") << "Shift+d" << Command::Pen;
        QTest::newRow("shift z zooms under the mouse") << "Shift+z" << Command::ZoomHere;
        QTest::newRow("x clears the slide") << "x" << Command::ClearSlide;
        QTest::newRow("ctrl f belongs to the menus") << "Ctrl+f" << Command::None;
        QTest::newRow("s skips what the console offers") << "s" << Command::SkipSlides;
        QTest::newRow("m plays the slide's video") << "m" << Command::ToggleMedia;
        QTest::newRow("forward delete") << "Delete" << Command::None;
        QTest::newRow("tab opens the overview") << "Tab" << Command::Overview;
        QTest::newRow("shift tab") << "Shift+Tab" << Command::None;
        QTest::newRow("alt left goes back before a link") << "Alt+Left" << Command::LinkBack;
        QTest::newRow("alt shift left") << "Alt+Shift+Left" << Command::None;
        QTest::newRow("F6") << "F6" << Command::None;
    }
    void commandFor() {
        QFETCH(QString, notation);
        const std::optional<KeyStroke> stroke = KeyNotation::parse(notation);
        QVERIFY(stroke);
        QTEST(KeyRules::commandFor(stroke->key, stroke->modifiers, stroke->text), "command");
    }

    void otherNumeralsCount() {
        QCOMPARE(KeyRules::commandFor(Qt::Key_unknown, {}, QStringLiteral("٣")), Command::Digit);
        QCOMPARE(KeyRules::commandFor(Qt::Key_unknown, {}, QStringLiteral("½")), Command::Digit);
        QCOMPARE(KeyRules::commandFor(Qt::Key_unknown, {}, QStringLiteral("12")), Command::None);
    }

    // Starting on slide `start` (index) of a 30-slide deck, not presenting, type the keys.
    void sequences_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<Screen>("screen");
        const Screen slide = Screen::slide;
        QTest::newRow("12 Return shows slide 12") << 0 << "1 2 Return" << 11 << "" << slide;
        QTest::newRow("0 Return shows slide 1") << 5 << "0 Return" << 0 << "" << slide;
        QTest::newRow("9999 Return goes nowhere") << 4 << "9 9 9 9 Return" << 4 << "" << slide;
        QTest::newRow("a fifth digit is swallowed") << 0 << "1 2 3 4 5" << 0 << "1234" << slide;
        QTest::newRow("keypad digits and keypad enter")
            << 0 << "KP_1 KP_5 KP_Enter" << 14 << "" << slide;
        QTest::newRow("return alone advances") << 3 << "Return" << 4 << "" << slide;
        QTest::newRow("return on the last slide ends blanking")
            << 29 << "w Return" << 29 << "" << slide;
        QTest::newRow("a digit then right discards the digit")
            << 3 << "7 Right" << 4 << "" << slide;
        QTest::newRow("backspace goes back, not edits") << 3 << "1 2 BackSpace" << 2 << "" << slide;
        QTest::newRow("escape discards the number") << 3 << "4 Escape" << 3 << "" << slide;
        QTest::newRow("shift right on slides of one page")
            << 3 << "Shift+Right Shift+Right Shift+Left" << 4 << "" << slide;
        QTest::newRow("ctrl right passes") << 3 << "Ctrl+Right" << 3 << "" << slide;
        QTest::newRow("left on the first slide stays") << 0 << "Left" << 0 << "" << slide;
        QTest::newRow("end") << 7 << "End" << 29 << "" << slide;
        QTest::newRow("home") << 7 << "Home" << 0 << "" << slide;
        QTest::newRow("remote page keys and arrows")
            << 7 << "Next Next Prior Down Up Up" << 7 << "" << slide;
        QTest::newRow("n and p") << 7 << "n n p" << 8 << "" << slide;
        QTest::newRow("blanking keeps the typed number")
            << 0 << "1 b 2" << 0 << "12" << Screen::black;
        QTest::newRow("F5 keeps the typed number") << 4 << "1 F5" << 0 << "1" << slide;
        QTest::newRow("b blacks out") << 0 << "b" << 0 << "" << Screen::black;
        QTest::newRow("b twice shows the slide") << 0 << "b b" << 0 << "" << slide;
        QTest::newRow("period from a remote") << 0 << "period" << 0 << "" << Screen::black;
        QTest::newRow("b on white makes black") << 0 << "w b" << 0 << "" << Screen::black;
        QTest::newRow("w on black makes white") << 0 << "b w" << 0 << "" << Screen::white;
        QTest::newRow("comma twice") << 0 << "comma comma" << 0 << "" << slide;
        QTest::newRow("navigation ends blanking") << 0 << "b Right" << 1 << "" << slide;
    }
    void sequences() {
        QFETCH(int, start);
        QFETCH(QString, keys);
        deck->show.goTo(start);
        type(keys);
        QTEST(int(deck->show.page()), "index");
        QTEST(deck->show.typed(), "buffer");
        QTEST(deck->screen(), "screen");
    }

    // Esc: first the typed number, then the blank screen, then the presentation.
    void escapeOrder() {
        deck->presenting(true);
        type("b 4");
        QCOMPARE(deck->show.typed(), QString("4"));
        type("Escape");
        QCOMPARE(deck->show.typed(), QString());
        QCOMPARE(deck->screen(), Screen::black);
        QVERIFY(deck->show.isPresenting());
        type("Escape");
        QCOMPARE(deck->screen(), Screen::slide);
        QVERIFY(deck->show.isPresenting());
        type("Escape");
        QVERIFY(!deck->show.isPresenting());
        const int refreshes = deck->refreshes;
        type("Escape");
        QVERIFY(!deck->show.isPresenting());
        QCOMPARE(deck->refreshes, refreshes);
        // Shift+F5 starts at the current slide and, like F5, ends a running presentation.
        deck->show.goTo(6);
        type("Shift+F5");
        QVERIFY(deck->show.isPresenting());
        QCOMPARE(deck->show.page(), 6);
        type("Shift+F5");
        QVERIFY(!deck->show.isPresenting());
    }

    void noDocumentPassesKeys() {
        deck->show.setDeck(0, nullptr, false);
        QShortcut blackShortcut(QKeySequence(Qt::Key_B), presenter.get());
        QSignalSpy fired(&blackShortcut, &QShortcut::activated);
        type("b Right 1");
        QCOMPARE(deck->screen(), Screen::slide);
        QCOMPARE(deck->show.typed(), QString());
        QCOMPARE(fired.count(), 1);
    }

    // A key that a menu item also uses still reaches the monitor first; one with Control is
    // left to the menu.
    void menuShortcuts_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("menuTriggered");
        QTest::addColumn<int>("index");
        QTest::newRow("Right is not stolen by the menu") << "Right" << false << 1;
        QTest::newRow("Ctrl+Return belongs to the menu") << "Ctrl+Return" << true << 0;
    }
    void menuShortcuts() {
        QFETCH(QString, keys);
        QAction item(QStringLiteral("Item"), presenter.get());
        item.setShortcut(QKeySequence::fromString(keys));
        presenter->addAction(&item);
        QSignalSpy triggered(&item, &QAction::triggered);
        type(keys);
        QTEST(triggered.count() == 1, "menuTriggered");
        QTEST(int(deck->show.page()), "index");
    }

    // A key, the menu bar's item and the console's button trigger one and the same action; a
    // disabled action does nothing, whichever way it comes.
    void oneActionPerCommand() {
        const MenuBar bar(deck->actions);
        QAction* menuItem = deck->actions[Actions::Id::next];
        const auto inMenu = [&bar](const QAction* item) {
            for (const QAction* title : bar.actions()) {
                if (title->text() == QStringLiteral("Präsentation"))
                    return title->menu()->actions().contains(item);
            }
            return false;
        };
        QVERIFY(inMenu(menuItem));
        Deck shown;
        QVERIFY(TestSupport::openDeck(shown, QUrl::fromLocalFile(QStringLiteral(
                                                 ORVL_SOURCE_DIR "/resources/sample-deck.pdf"))));
        PresenterView view;
        view.setDeck(&shown);
        view.setCommands({nullptr, deck->actions[Actions::Id::next]});
        view.resize(1400, 820);
        auto* button = view.findChild<QPushButton*>(QStringLiteral("nextButton"));
        QVERIFY(button && button->isEnabled());
        QSignalSpy triggered(deck->actions[Actions::Id::next], &QAction::triggered);
        type("Right");
        menuItem->trigger();
        button->click();
        QCOMPARE(triggered.count(), 3);
        QCOMPARE(deck->show.page(), 3);
        deck->actions.setDeckOpen(false);
        menuItem->trigger();
        button->click();
        deck->actions.trigger(Actions::Id::next);
        QCOMPARE(triggered.count(), 3);
        QCOMPARE(deck->show.page(), 3);
    }

    // Keys typed into another window stay there; the audience window's reach the deck.
    void otherWindows_data() {
        QTest::addColumn<bool>("audience");
        QTest::addColumn<int>("index");
        QTest::newRow("a setup window keeps its keys") << false << 0;
        QTest::newRow("the audience window's keys are handled") << true << 1;
    }
    void otherWindows() {
        QFETCH(bool, audience);
        QWidget other;
        other.resize(200, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        if (audience)
            deck->filter.setWindows(presenter.get(), &other);
        type("Right 5", other.windowHandle());
        QTEST(int(deck->show.page()), "index");
        QCOMPARE(deck->show.typed(), audience ? QStringLiteral("5") : QString());
    }

    // A dialog never costs the talk a key: while presenting the presenter keys pass it, the
    // start keys always do (setting the timer choice aside); Return, a text field and the
    // quit question's Esc stay with the dialog. A dialog beside the console (not modal) counts
    // once it has the keyboard.
    void dialogs_data() {
        QTest::addColumn<Qt::WindowModality>("modality");
        QTest::addColumn<bool>("sheet");
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<bool>("textField");
        QTest::addColumn<bool>("quitQuestion");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("presentingAfter");
        QTest::addColumn<int>("setAside");
        QTest::newRow("sheet before the talk: arrows stay with it")
            << Qt::WindowModal << true << false << false << false << "Right b" << 0 << false << 0;
        QTest::newRow("sheet during the talk: arrows advance")
            << Qt::WindowModal << true << true << false << false << "Right Right Right" << 3 << true
            << 0;
        QTest::newRow("alert during the talk: clicker keys act")
            << Qt::ApplicationModal << false << true << false << false << "Next Prior Next" << 1
            << true << 0;
        QTest::newRow("F5 closes the sheet as not now and starts")
            << Qt::WindowModal << true << false << false << false << "F5" << 0 << true << 1;
        QTest::newRow("Ctrl+Return past an alert starts")
            << Qt::ApplicationModal << false << false << false << false << "Ctrl+Return" << 0
            << true << 1;
        QTest::newRow("Esc during the talk ends it past a sheet")
            << Qt::WindowModal << true << true << false << false << "Escape" << 0 << false << 0;
        QTest::newRow("Return answers the dialog")
            << Qt::WindowModal << true << true << false << false << "Return" << 0 << true << 0;
        QTest::newRow("Esc answers the quit question")
            << Qt::ApplicationModal << false << true << false << true << "Escape" << 0 << true << 0;
        QTest::newRow("a dialog beside the console during the talk: clicker keys act")
            << Qt::NonModal << true << true << false << false << "Next Next" << 2 << true << 0;
        QTest::newRow("a dialog beside the console before the talk: arrows stay with it")
            << Qt::NonModal << true << false << false << false << "Right" << 0 << false << 0;
        QTest::newRow("a text field keeps its keys")
            << Qt::ApplicationModal << false << true << true << false << "n space" << 0 << true
            << 0;
    }
    void dialogs() {
        QFETCH(Qt::WindowModality, modality);
        QFETCH(bool, sheet);
        QFETCH(bool, textField);
        QFETCH(QString, keys);
        QFETCH(bool, presenting);
        deck->presenting(presenting);
        deck->choicesSetAside = 0;
        QFETCH(bool, quitQuestion);
        deck->quitQuestion = quitQuestion;
        QDialog dialog(sheet ? presenter.get() : nullptr);
        dialog.setWindowModality(modality);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QRadioButton(QStringLiteral("A")));
        if (textField)
            layout->addWidget(new QLineEdit);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        if (textField)
            dialog.findChild<QLineEdit*>()->setFocus();
        type(keys, dialog.windowHandle());
        QTEST(int(deck->show.page()), "index");
        QTEST(deck->show.isPresenting(), "presentingAfter");
        QTEST(deck->choicesSetAside, "setAside");
        QCOMPARE(deck->screen(), Screen::slide);
    }

    void keySpecNames_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::newRow("letter") << "b" << int(Qt::Key_B) << 0 << "b";
        QTest::newRow("shifted letter")
            << "Shift+b" << int(Qt::Key_B) << int(Qt::ShiftModifier) << "B";
        QTest::newRow("keypad digit") << "KP_7" << int(Qt::Key_7) << int(Qt::KeypadModifier) << "7";
        QTest::newRow("keypad enter")
            << "KP_Enter" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r";
        QTest::newRow("two modifiers") << "Ctrl+Shift+Return" << int(Qt::Key_Return)
                                       << int(Qt::ControlModifier | Qt::ShiftModifier) << "\r";
        QTest::newRow("page keys") << "Prior" << int(Qt::Key_PageUp) << 0 << "";
        QTest::newRow("function key") << "F5" << int(Qt::Key_F5) << 0 << "";
        for (const char* unknown : {"Hyper+b", "Rightwards", "", "F99"})
            QTest::addRow("unknown: '%s'", unknown) << unknown << 0 << 0 << "";
    }
    void keySpecNames() {
        QFETCH(QString, notation);
        QFETCH(int, key);
        const std::optional<KeyStroke> stroke = KeyNotation::parse(notation);
        QCOMPARE(stroke.has_value(), key != 0);
        if (!stroke)
            return;
        QCOMPARE(stroke->key, key);
        QTEST(int(stroke->modifiers), "modifiers");
        QTEST(stroke->text, "text");
    }
};

ORVL_TEST_MAIN(TestKeyFilter)
#include "tst_keyfilter.moc"
