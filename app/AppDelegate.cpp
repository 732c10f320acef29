#include "app/AppDelegate.h"

#include "app/Automation.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"
#include "document/SlideView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QGuiApplication>
#include <QJsonArray>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace {

const QString applicationTitle = QStringLiteral("Talvane Orvello");

// A window whose only content is one slide view filling it.
class SingleSlideWindow : public QWidget {
public:
    SingleSlideWindow(Presentation& presentation, Qt::WindowFlags flags) : QWidget(nullptr, flags) {
        slideView = new SlideView(this);
        slideView->setPresentation(&presentation);
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
        setAutoFillBackground(true);
    }
    SlideView* slideView;

protected:
    void resizeEvent(QResizeEvent*) override { slideView->setGeometry(rect()); }
};

QString blankName(Blank blank) {
    switch (blank) {
    case Blank::black:
        return QStringLiteral("black");
    case Blank::white:
        return QStringLiteral("white");
    case Blank::none:
        break;
    }
    return QStringLiteral("none");
}

} // namespace

AppDelegate::AppDelegate() {
    qApp->installEventFilter(this);
}

AppDelegate::~AppDelegate() {
    sleepActivity.release();
    delete audience;
    delete presenter;
}

QUrl AppDelegate::urlFromArgument(const QString& argument) {
    const QUrl asUrl(argument);
    if (asUrl.isLocalFile())
        return asUrl;
    return QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath());
}

void AppDelegate::applicationOpen(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (QFileInfo(url.path()).suffix().toLower() != QLatin1String("pdf"))
            continue;
        if (!presenter)
            pendingOpen = url;
        else
            open(url);
        return;
    }
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FileOpen && watched == qApp) {
        applicationOpen({static_cast<QFileOpenEvent*>(event)->url()});
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::applicationDidFinishLaunching() {
    buildMenuBar();
    createPresenterWindow();
    presentation.observers.push_back([self = QPointer<AppDelegate>(this)] {
        if (self)
            self->refresh();
    });
    rebuildScreenPopup();
    presenter->show();
    presenter->raise();
    presenter->activateWindow();
    installKeyMonitor();
    subscribeToScreenChanges();
    startDisplayTimer();
    startTimers();
    if (pendingOpen) {
        const QUrl url = *pendingOpen;
        pendingOpen.reset();
        open(url);
    }
    refresh();
    tick();
    startAutomationIfConfigured();
}

void AppDelegate::createPresenterWindow() {
    auto* window = new SingleSlideWindow(presentation, Qt::Window);
    window->setWindowTitle(applicationTitle);
    window->resize(1400, 820);
    window->setMinimumSize(900, 560);
    presenterSlideView = window->slideView;
    presenter = window;
}

QWidget* AppDelegate::audienceWindow() {
    if (!audience) {
        auto* window = new SingleSlideWindow(presentation, Qt::Window | Qt::FramelessWindowHint |
                                                               Qt::WindowStaysOnTopHint |
                                                               Qt::WindowDoesNotAcceptFocus);
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_QuitOnClose, false);
        window->setWindowTitle(applicationTitle);
        audienceView = window->slideView;
        audience = window;
    }
    return audience;
}

SlideView* AppDelegate::audienceSlideView() {
    audienceWindow();
    return audienceView;
}

void AppDelegate::placeAudienceWindow() {
    QWidget* window = audienceWindow();
    QScreen* presenterScreen = presenter ? presenter->screen() : QGuiApplication::primaryScreen();
    QScreen* target = presenterScreen;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != presenterScreen) {
            target = screen;
            break;
        }
    }
    if (!target)
        return;
    window->winId(); // the native window must exist before it can be moved to a screen
    window->windowHandle()->setScreen(target);
    window->setGeometry(target->geometry());
    window->showFullScreen();
    window->raise();
}

bool AppDelegate::open(const QUrl& url) {
    if (presentation.isPresenting)
        stopPresentation();
    if (!presentation.open(url)) {
        showAlert(L10n::lookup("PDF kann nicht geöffnet werden"), QFileInfo(url.path()).fileName());
        return false;
    }
    updateTitle();
    jumpBuffer.clear();
    resetTimer();
    refresh();
    return true;
}

void AppDelegate::openDocument() {
    const QString path = QFileDialog::getOpenFileName(presenter, QString(), QString(),
                                                      QStringLiteral("PDF (*.pdf *.PDF)"));
    if (!path.isEmpty())
        open(QUrl::fromLocalFile(path));
}

void AppDelegate::refresh() {
    if (!presenter)
        return;
    const std::optional<qint64> page =
        presentation.pageCount < 1 ? std::nullopt : std::optional<qint64>(presentation.index);
    for (SlideView* view : {presenterSlideView, audienceSlideView()}) {
        if (view->page() != page) {
            view->setPage(page);
            view->refresh();
        }
    }
    if (audienceView->blank() != presentation.blank) {
        audienceView->setBlank(presentation.blank);
        audienceView->update();
    }
}

void AppDelegate::startPresentation() {
    if (presentation.pageCount <= 0)
        return;
    placeAudienceWindow();
    presentation.isPresenting = true;
    presentation.notify();
    if (!timerStart && timerAccumulated == 0)
        timerStart = QDateTime::currentDateTimeUtc();
    sleepActivity.inhibit(applicationTitle, L10n::lookup("Präsentation läuft"));
    presenter->raise();
    presenter->activateWindow();
    refresh();
}

void AppDelegate::stopPresentation() {
    if (audience)
        audience->hide();
    presentation.isPresenting = false;
    presentation.notify();
    sleepActivity.release();
    refresh();
}

void AppDelegate::togglePresentation() {
    if (presentation.isPresenting)
        stopPresentation();
    else
        startPresentation();
}

void AppDelegate::startFromBeginning() {
    presentation.goTo(0);
    if (!presentation.isPresenting)
        startPresentation();
    refresh();
}

void AppDelegate::nextSlide() {
    jumpBuffer.clear();
    presentation.goTo(presentation.index + 1);
    refresh();
}

void AppDelegate::previousSlide() {
    jumpBuffer.clear();
    presentation.goTo(presentation.index - 1);
    refresh();
}

void AppDelegate::goToSlide(qint64 index) {
    jumpBuffer.clear();
    presentation.goTo(index);
    refresh();
}

void AppDelegate::updateTitle() {
    if (!presenter)
        return;
    presenter->setWindowTitle(presentation.pageCount > 0
                                  ? QFileInfo(presentation.url.path()).completeBaseName()
                                  : applicationTitle);
}

void AppDelegate::resetTimer() {
    timerAccumulated = 0;
    if (presentation.isPresenting)
        timerStart = QDateTime::currentDateTimeUtc();
    else
        timerStart.reset();
    tick();
}

void AppDelegate::showAlert(const QString& message, const QString& informative) {
    if (Automation::isActive()) {
        Automation::printEvent({{QStringLiteral("event"), QStringLiteral("alert")},
                                {QStringLiteral("message"), message},
                                {QStringLiteral("informative"), informative}});
        return;
    }
    QMessageBox box(QMessageBox::Warning, message, message, QMessageBox::Ok, presenter);
    box.setInformativeText(informative);
    box.exec();
}

void AppDelegate::startAutomationIfConfigured() {
    const QString scriptPath = Preferences::text(QStringLiteral("automationScript"));
    if (scriptPath.isEmpty())
        return;
    automation = new Automation(*this, scriptPath);
    automation->start();
}

QWidget* AppDelegate::windowForAutomation(const QString& which) const {
    if (which == QLatin1String("presenter"))
        return presenter;
    if (which == QLatin1String("audience"))
        return audience;
    return nullptr;
}

QJsonObject AppDelegate::stateSnapshot() const {
    QJsonArray recent;
    for (const QUrl& url : RecentFiles::all())
        recent.append(url.toLocalFile());
    QJsonObject audienceState{{QStringLiteral("visible"), bool(audience && audience->isVisible())},
                              {QStringLiteral("windowed"), false},
                              {QStringLiteral("screen"), QString()},
                              {QStringLiteral("x"), 0},
                              {QStringLiteral("y"), 0},
                              {QStringLiteral("width"), 0},
                              {QStringLiteral("height"), 0}};
    if (audience) {
        const QRect frame = audience->geometry();
        audienceState[QStringLiteral("windowed")] = !audience->isFullScreen();
        audienceState[QStringLiteral("screen")] =
            audience->screen() ? audience->screen()->name() : QString();
        audienceState[QStringLiteral("x")] = frame.x();
        audienceState[QStringLiteral("y")] = frame.y();
        audienceState[QStringLiteral("width")] = frame.width();
        audienceState[QStringLiteral("height")] = frame.height();
    }
    return {{QStringLiteral("pageCount"), presentation.pageCount},
            {QStringLiteral("index"), presentation.index},
            {QStringLiteral("aspect"), presentation.aspect},
            {QStringLiteral("blank"), blankName(presentation.blank)},
            {QStringLiteral("presenting"), presentation.isPresenting},
            {QStringLiteral("jumpBuffer"), jumpBuffer},
            {QStringLiteral("title"), presenter ? presenter->windowTitle() : QString()},
            {QStringLiteral("url"), presentation.url.toString()},
            {QStringLiteral("audience"), audienceState},
            {QStringLiteral("recent"), recent},
            {QStringLiteral("language"), L10n::current()}};
}
