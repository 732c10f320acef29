#include "ui/console/ShortcutOverlay.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "ui/common/KeyNames.h"
#include "ui/common/LabelStyle.h"
#include "ui/console/PaceLine.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {

QList<std::pair<QString, QString>> keyTable() {
    const auto control = [](const char* key) {
        return KeyNames::withControl(QString::fromUtf8(key));
    };
    const QString shift = L10n::lookup("Umschalt") + QLatin1Char('+');
    return {
        {L10n::lookup("→  ↓  Leertaste  Bild↓  N"), L10n::lookup("Nächste Folie")},
        {L10n::lookup("←  ↑  Rücktaste  Bild↑  P"), L10n::lookup("Vorherige Folie")},
        {shift + QStringLiteral("→  ") + shift + L10n::lookup("Bild↓"),
         L10n::lookup("Nächste ganze Folie")},
        {shift + QStringLiteral("←  ") + shift + L10n::lookup("Bild↑"),
         L10n::lookup("Vorherige ganze Folie")},
        {L10n::lookup("Mausrad über den Folien"), L10n::lookup("Einen Schritt vor / zurück")},
        {L10n::lookup("Pos1  /  Ende"), L10n::lookup("Erste Folie / letzte Folie des Vortrags")},
        {L10n::lookup("Ziffern, dann ⏎"), L10n::lookup("Zu dieser Folie springen")},
        {QStringLiteral("Tab"), L10n::lookup("Übersicht aller Folien")},
        {QStringLiteral("Alt+←  Alt+→"), L10n::lookup("Zurück vor den letzten Link / wieder hin")},
        {QStringLiteral("B  ."), L10n::lookup("Schwarzbild an / aus")},
        {QStringLiteral("W  ,"), L10n::lookup("Weißbild an / aus")},
        {QStringLiteral("S"), L10n::lookup("Angebotene Folien überspringen (hinter Plan)")},
        {QStringLiteral("M"), L10n::lookup("Video oder Ton der Folie abspielen / anhalten")},
        {QStringLiteral("L  O"), L10n::lookup("Laserpointer / Spotlight (Mausrad: Größe)")},
        {QStringLiteral("D  H  E"), L10n::lookup("Stift / Textmarker / Radierer")},
        {QStringLiteral("C  V"), L10n::lookup("Nächste Farbe / Strichstärke")},
        {QStringLiteral("U  X"), L10n::lookup("Strich rückgängig / Folie leeren")},
        {QStringLiteral("Z"),
         L10n::lookup("Zoom: Rechteck ziehen oder klicken; Z oder Esc zurück")},
        {shift + QStringLiteral("Z"), L10n::lookup("Zoom auf die Stelle unter der Maus")},
        {QStringLiteral("F"), L10n::lookup("Projektor einfrieren / auftauen")},
        {QStringLiteral("T"), L10n::lookup("Whiteboard nach dieser Folie")},
        {QStringLiteral("F5"), L10n::lookup("Von Anfang an starten / Präsentation beenden")},
        {shift + QStringLiteral("F5"), L10n::lookup("Ab der aktuellen Folie starten")},
        {QStringLiteral("Esc"),
         L10n::lookup(
             "Zoom, Einfrieren, Werkzeug oder Whiteboard verlassen, sonst Eingabe verwerfen, "
             "sonst Bild zeigen, sonst Präsentation beenden")},
        {control("⏎"), L10n::lookup("Präsentation starten / beenden")},
        {KeyNames::withControl(shift + QStringLiteral("⏎")), L10n::lookup("Von Anfang an starten")},
        {control("1") + QStringLiteral(" … ") + control("4"),
         L10n::lookup("Folienleiste mit 1 bis 4 Spalten")},
        {control("0"), L10n::lookup("Layout zurücksetzen")},
        {control("+") + QStringLiteral("  ") + control("−"),
         L10n::lookup("Notizen größer / kleiner")},
        {control("O"), L10n::lookup("Öffnen …")},
        {KeyNames::withControl(shift + QStringLiteral("F")),
         L10n::lookup("Timer im Netzwerk suchen")},
        {control("T"), L10n::lookup("Ontime verbinden …")},
        {KeyNames::withControl(QStringLiteral("Alt+S")), L10n::lookup("Stagetimer verbinden …")},
        {control("W") + QStringLiteral("  /  ") + control("Q"),
         L10n::lookup("Fenster schließen / Beenden")},
        {QStringLiteral("F1  ?"), L10n::lookup("Diese Übersicht")},
    };
}

} // namespace

ShortcutOverlay::ShortcutOverlay(QWidget* window) : QWidget(window), entries(keyTable()) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(48, 36, 48, 36);
    grid->setHorizontalSpacing(28);
    grid->setVerticalSpacing(7);
    auto* heading = new QLabel(L10n::lookup("Tastenkürzel"));
    LabelStyle::setTextColour(heading, Qt::white);
    heading->setFont(LabelStyle::interfaceFont(22, QFont::Bold));
    grid->addWidget(heading, 0, 0, 1, 2);
    int row = 1;
    for (const auto& [keys, meaning] : std::as_const(entries)) {
        auto* keyLabel = new QLabel(keys);
        auto* meaningLabel = new QLabel(meaning);
        keyLabel->setFont(LabelStyle::interfaceFont(15, QFont::DemiBold));
        meaningLabel->setFont(LabelStyle::interfaceFont(15, QFont::Normal));
        LabelStyle::setTextColour(keyLabel, Colors::orange);
        LabelStyle::setTextColour(meaningLabel, Colors::grey(0.85));
        grid->addWidget(keyLabel, row, 0, Qt::AlignRight);
        grid->addWidget(meaningLabel, row, 1);
        ++row;
    }
    // The pace line under the talk timer speaks in colours only: say here what they mean.
    auto* paceSample = new QLabel(QStringLiteral("━━━━"));
    paceSample->setFont(LabelStyle::interfaceFont(15, QFont::DemiBold));
    LabelStyle::setTextColour(paceSample, PaceLine::fillColour(TalkPace::Pace::ahead));
    auto* paceLegend = new QLabel(PaceLine::legend());
    paceLegend->setObjectName(QStringLiteral("paceLegend"));
    paceLegend->setWordWrap(true);
    paceLegend->setFont(LabelStyle::interfaceFont(15, QFont::Normal));
    LabelStyle::setTextColour(paceLegend, Colors::grey(0.85));
    grid->addWidget(paceSample, row, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(paceLegend, row, 1);
    ++row;
    auto* footer = new QLabel(L10n::lookup("Eine beliebige Taste schließt diese Übersicht."));
    LabelStyle::setTextColour(footer, Colors::grey(0.55));
    grid->addWidget(footer, row, 0, 1, 2, Qt::AlignCenter);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
    hide();
    window->installEventFilter(this);
}

void ShortcutOverlay::toggle() {
    if (isVisible()) {
        hide();
        qApp->removeEventFilter(this);
        return;
    }
    setGeometry(parentWidget()->rect());
    raise();
    show();
    // Any key closes the overview and still does its work, so that no key of the talk is lost.
    qApp->installEventFilter(this);
}

bool ShortcutOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        return false;
    }
    if (event->type() != QEvent::KeyPress || !isVisible() || !watched->isWindowType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    toggle();
    // Esc only closes the overview: as a presenter key it could end the talk.
    return key->key() == Qt::Key_Escape;
}

void ShortcutOverlay::mousePressEvent(QMouseEvent*) {
    toggle();
}

void ShortcutOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Colors::grey(0.07, 0.94));
}
