#include "app/OutputScreens.h"

#include "base/L10n.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace OutputScreens {

ScreenInfo describe(const QScreen* screen) {
    const QString model = screen->model().trimmed();
    return {model.isEmpty() ? screen->name() : model, screen->geometry(),
            screen->availableGeometry(), screen == QGuiApplication::primaryScreen(),
            screen->name()};
}

QList<ScreenInfo> describeAll() {
    QList<ScreenInfo> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(describe(screen));
    return tellApart(screens);
}

QList<ScreenInfo> tellApart(QList<ScreenInfo> screens) {
    QHash<QString, int> uses;
    for (const ScreenInfo& screen : screens)
        ++uses[screen.name];
    for (ScreenInfo& screen : screens) {
        if (uses.value(screen.name) > 1 && !screen.connector.isEmpty()) {
            screen.name = screen.connector;
            screen.sharedName = true;
        }
    }
    return screens;
}

QString nameOf(const QScreen* screen) {
    const int index = indexOf(screen);
    return index < 0 ? QString() : describeAll().at(index).name;
}

int indexOf(const QScreen* screen) {
    return int(QGuiApplication::screens().indexOf(const_cast<QScreen*>(screen)));
}

QString identifier(const ScreenInfo& screen) {
    return QStringLiteral("%1 %2x%3")
        .arg(screen.name)
        .arg(screen.geometry.width())
        .arg(screen.geometry.height());
}

QString itemTitle(const ScreenInfo& screen, bool holdsPresenter) {
    QString title =
        (screen.sharedName ? QStringLiteral("%1 · %2×%3") : QStringLiteral("%1 (%2×%3)"))
            .arg(screen.name)
            .arg(screen.geometry.width())
            .arg(screen.geometry.height());
    if (holdsPresenter)
        title += QStringLiteral(" – ") + L10n::lookup("Vollbild auf diesem Bildschirm");
    return title;
}

int presenterScreen(int windowScreen, const QList<ScreenInfo>& screens) {
    if (windowScreen >= 0 && windowScreen < screens.size())
        return windowScreen;
    for (int i = 0; i < screens.size(); ++i) {
        if (screens.at(i).primary)
            return i;
    }
    return screens.isEmpty() ? -1 : 0;
}

Choice outputScreen(const QString& setting, const QList<ScreenInfo>& screens, int presenter) {
    if (setting == testWindowedChoice)
        return {presenter, true};
    if (!setting.isEmpty()) {
        for (int i = 0; i < screens.size(); ++i) {
            // A bare name, as --screen takes it, picks the screen of that name too.
            if (identifier(screens.at(i)) == setting || screens.at(i).name == setting)
                return {i, false};
        }
    }
    for (int i = 0; i < screens.size(); ++i) {
        if (i != presenter)
            return {i, false};
    }
    return {presenter, presenter >= 0};
}

QRect windowFrame(const QRect& available, const QRect& console, const QRect& over, double aspect) {
    constexpr int margin = 16;
    constexpr int widest = 960;
    constexpr int narrowest = 400;
    const double shape = aspect > 0.1 && aspect < 10 ? aspect : 16.0 / 9.0;
    // The largest size of the slide's shape within `room`, at most `widest` wide.
    const auto fitting = [&](QSize room) {
        int width = std::min(room.width(), widest);
        int height = int(std::round(width / shape));
        if (height > room.height()) {
            height = room.height();
            width = int(std::round(height * shape));
        }
        return QSize(std::max(width, 1), std::max(height, 1));
    };
    const QRect inside = available.adjusted(margin, margin, -margin, -margin);
    const QRect covered = console.intersected(available);
    const int left = covered.isEmpty() ? 0 : covered.left() - available.left() - 2 * margin;
    const int right = covered.isEmpty() ? 0 : available.right() - covered.right() - 2 * margin;
    if (std::max(left, right) >= narrowest) {
        const QSize size = fitting({std::max(left, right), inside.height()});
        const int x =
            right >= left ? covered.right() + 1 + margin : covered.left() - margin - size.width();
        return {QPoint(x, inside.top() + (inside.height() - size.height()) / 2), size};
    }
    const QRect target = over.intersected(inside);
    if (target.width() >= narrowest) {
        QRect frame(QPoint(), fitting(target.size()));
        frame.moveCenter(target.center());
        return frame;
    }
    const QSize size =
        fitting({std::clamp(available.width() / 3, narrowest, widest), inside.height()});
    return {inside.bottomRight() - QPoint(size.width() - 1, size.height() - 1), size};
}

QList<ChooserItem> chooserItems(const QList<ScreenInfo>& screens, int presenter) {
    QList<ChooserItem> items{{L10n::lookup("Automatisch (zweiter Bildschirm)"), QString()}};
    for (int i = 0; i < screens.size(); ++i)
        items.append({itemTitle(screens.at(i), i == presenter), identifier(screens.at(i))});
    items.append({L10n::lookup("Testfenster (kein Vollbild)"), testWindowedChoice});
    return items;
}

int selectedItem(const QList<ChooserItem>& items, const QString& setting) {
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).value == setting)
            return i;
    }
    return 0;
}

QString caption(const Choice& choice, const QList<ScreenInfo>& screens, const QString& setting) {
    if (choice.windowed)
        return setting == testWindowedChoice ? L10n::lookup("Ausgabe auf: Testfenster")
                                             : L10n::lookup("Ausgabe auf: eigenes Fenster");
    const QString name = choice.screen >= 0 && choice.screen < screens.size()
                             ? screens.at(choice.screen).name
                             : QString();
    QString text = L10n::format("Ausgabe auf: %@", {name});
    if (screens.size() <= 1)
        text += QStringLiteral("  ") + L10n::lookup("(nur 1 Bildschirm!)");
    return text;
}

ChangeNotifier::ChangeNotifier(QObject* parent) : QObject(parent) {
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        noteChange();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &ChangeNotifier::noteChange);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &ChangeNotifier::noteChange);
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void ChangeNotifier::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &ChangeNotifier::noteChange);
}

void ChangeNotifier::noteChange() {
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, this, [this] {
        pending = false;
        emit screensChanged();
    });
}

} // namespace OutputScreens
