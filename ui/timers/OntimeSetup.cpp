#include "ui/timers/OntimeSetup.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "ontime/OntimeModel.h"
#include "ui/common/LabelStyle.h"
#include "ui/timers/SetupWindowParts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString portKey = QStringLiteral("ontimePort");
const QString hostKey = QStringLiteral("ontimeHost");
const QString enabledKey = QStringLiteral("ontimeEnabled");
constexpr int progressSteps = 1000;

// Server versions, addresses and status texts come from the network: never guessed as HTML.
QLabel* plainLabel(const QString& text = {}) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QLabel* secondaryLabel(const QString& text) {
    QLabel* label = plainLabel(text);
    LabelStyle::setTextColour(label, Colors::grey(0.6));
    return label;
}

bool isReturn(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A filled green circle with a white check mark, drawn once at twice the size for sharp edges.
QPixmap checkMark() {
    constexpr int size = 14;
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colors::green);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    QPainterPath tick;
    tick.moveTo(3.8, 7.2);
    tick.lineTo(6.0, 9.6);
    tick.lineTo(10.2, 4.6);
    painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    return pixmap;
}

QWidget* serverRow(const OntimeServer& server, bool current) {
    auto* row = new QWidget;
    // Clicks fall through to the list, which selects and activates rows.
    row->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(10);
    layout->addWidget(plainLabel(server.host + QLatin1Char(':') + QString::number(server.port)));
    layout->addWidget(secondaryLabel(QStringLiteral("Ontime ") + server.version));
    layout->addStretch(1);
    if (current) {
        auto* mark = new QLabel;
        mark->setObjectName(QStringLiteral("current"));
        mark->setPixmap(checkMark());
        layout->addWidget(mark);
    }
    return row;
}

} // namespace

OntimeSetupWindow::OntimeSetupWindow(OntimeModel& model, QWidget* parent)
    : QDialog(parent), model(model) {
    SetupWindowParts::configure(*this, QStringLiteral("ontimeSetup"), L10n::lookup("Ontime-Timer"),
                                540, 520);
    SetupWindowParts::centreOnPrimaryScreen(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(14);

    layout->addWidget(SetupWindowParts::heading(L10n::lookup("Ontime-Timer")));
    layout->addWidget(SetupWindowParts::explanation(
        L10n::lookup("Sucht ein laufendes Ontime im Netzwerk und zeigt dessen Timer unten in der "
                     "Presenter-Ansicht. Ontime wird dabei nur gelesen, nicht gesteuert.")));

    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(8);
    dot = new QLabel;
    dot->setFixedSize(10, 10);
    statusRow->addWidget(dot);
    statusLabel = plainLabel();
    statusLabel->setObjectName(QStringLiteral("status"));
    // A long status is cut off rather than widening the window.
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(statusLabel, 1);
    layout->addLayout(statusRow);

    layout->addWidget(buildFoundGroup());
    layout->addWidget(buildManualGroup());

    auto* bottomRow = new QHBoxLayout;
    disconnectButton = new QPushButton(L10n::lookup("Trennen und ausblenden"));
    disconnectButton->setObjectName(QStringLiteral("disconnect"));
    bottomRow->addWidget(disconnectButton);
    bottomRow->addStretch(1);
    doneButton = new QPushButton(L10n::lookup("Fertig"));
    doneButton->setObjectName(QStringLiteral("done"));
    doneButton->setDefault(true);
    bottomRow->addWidget(doneButton);
    layout->addLayout(bottomRow);
    layout->addStretch(1);

    connect(disconnectButton, &QPushButton::clicked, this,
            [this] { this->model.disconnectServer(); });
    connect(doneButton, &QPushButton::clicked, this, &QWidget::close);

    connect(&model, &OntimeModel::foundChanged, this, &OntimeSetupWindow::rebuildList);
    connect(&model, &OntimeModel::serverChanged, this, &OntimeSetupWindow::rebuildList);
    for (const auto signal :
         {&OntimeModel::serverChanged, &OntimeModel::statusChanged, &OntimeModel::scanInfoChanged,
          &OntimeModel::scanningChanged, &OntimeModel::scanProgressChanged,
          &OntimeModel::connectedChanged, &OntimeModel::enabledChanged})
        connect(&model, signal, this, &OntimeSetupWindow::refresh);

    rebuildList();
    refresh();
}

QGroupBox* OntimeSetupWindow::buildFoundGroup() {
    auto* group = new QGroupBox(L10n::lookup("Gefundene Ontime-Server"));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);

    list = new QListWidget;
    list->setObjectName(QStringLiteral("found"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // 150 points high; a long scan report on a machine with many networks takes from it rather
    // than pushing the buttons out of the fixed window.
    list->setMinimumHeight(90);
    list->setMaximumHeight(150);
    list->installEventFilter(this);
    layout->addWidget(list);
    connect(list, &QListWidget::itemSelectionChanged, this, &OntimeSetupWindow::selectionMoved);
    connect(list, &QListWidget::itemDoubleClicked, this, &OntimeSetupWindow::connectSelected);

    auto* controls = new QHBoxLayout;
    searchButton = new QPushButton;
    searchButton->setObjectName(QStringLiteral("search"));
    controls->addWidget(searchButton);
    progress = new QProgressBar;
    progress->setRange(0, progressSteps);
    progress->setTextVisible(false);
    progress->setFixedWidth(120);
    controls->addWidget(progress);
    controls->addStretch(1);
    connectSelectedButton = new QPushButton(L10n::lookup("Verbinden"));
    connectSelectedButton->setObjectName(QStringLiteral("connectSelected"));
    controls->addWidget(connectSelectedButton);
    layout->addLayout(controls);
    connect(searchButton, &QPushButton::clicked, this, [this] { model.search(false, false); });
    connect(connectSelectedButton, &QPushButton::clicked, this,
            &OntimeSetupWindow::connectSelected);

    scanInfoLabel = secondaryLabel(QString());
    scanInfoLabel->setObjectName(QStringLiteral("scanInfo"));
    QFont caption = scanInfoLabel->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    scanInfoLabel->setFont(caption);
    scanInfoLabel->setWordWrap(true);
    layout->addWidget(scanInfoLabel);
    return group;
}

QGroupBox* OntimeSetupWindow::buildManualGroup() {
    auto* group = new QGroupBox(L10n::lookup("Adresse von Hand eingeben"));
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(6, 6, 6, 6);

    hostField = new QLineEdit;
    hostField->setObjectName(QStringLiteral("host"));
    hostField->setPlaceholderText(L10n::lookup("IP-Adresse oder Name, z. B. 10.20.0.59"));
    hostField->installEventFilter(this);
    layout->addWidget(hostField, 1);
    connect(hostField, &QLineEdit::textChanged, this, &OntimeSetupWindow::refresh);

    layout->addWidget(new QLabel(L10n::lookup("Port")));
    portField = new QLineEdit;
    portField->setObjectName(QStringLiteral("port"));
    portField->setPlaceholderText(QStringLiteral("4001"));
    portField->setFixedWidth(64);
    // Plain digits, no grouping: 4001, never 4.001.
    portField->setValidator(new QIntValidator(-999999, 999999, portField));
    portField->setText(QString::number(OntimeModel::configuredPort()));
    portField->installEventFilter(this);
    layout->addWidget(portField);
    connect(portField, &QLineEdit::editingFinished, this, &OntimeSetupWindow::commitPort);

    connectHostButton = new QPushButton(L10n::lookup("Verbinden"));
    connectHostButton->setObjectName(QStringLiteral("connectHost"));
    layout->addWidget(connectHostButton);
    connect(connectHostButton, &QPushButton::clicked, this, &OntimeSetupWindow::connectHost);
    return group;
}

void OntimeSetupWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!model.server() && !model.scanning())
        model.search(true, false);
    if (hostField->text().isEmpty())
        hostField->setText(Preferences::text(hostKey));
    portField->setText(QString::number(OntimeModel::configuredPort()));
    refresh();
}

// Return in the list or a field acts there and goes no further, so it does not also press the
// window's default button.
bool OntimeSetupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (isReturn(event)) {
        if (watched == list) {
            connectSelected();
            return true;
        }
        if (watched == hostField) {
            connectHost();
            return true;
        }
        if (watched == portField) {
            commitPort();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OntimeSetupWindow::rebuildList() {
    const QList<OntimeServer>& found = model.found();
    const QSignalBlocker blocker(list);
    list->clear();
    int selectedRow = -1;
    for (int row = 0; row < found.size(); ++row) {
        const OntimeServer& server = found.at(row);
        auto* item = new QListWidgetItem(list);
        QWidget* widget = serverRow(server, model.server() == server);
        item->setSizeHint(widget->sizeHint());
        list->setItemWidget(item, widget);
        if (selected == server)
            selectedRow = row;
    }
    // A selection whose server is no longer listed is dropped: nothing invisible gets connected.
    if (selectedRow >= 0)
        list->setCurrentRow(selectedRow);
    else
        selected.reset();
    refresh();
}

void OntimeSetupWindow::selectionMoved() {
    const QList<QListWidgetItem*> items = list->selectedItems();
    const int row = items.isEmpty() ? -1 : list->row(items.first());
    if (row >= 0 && row < model.found().size())
        selected = model.found().at(row);
    else
        selected.reset();
    refresh();
}

void OntimeSetupWindow::connectSelected() {
    if (selected)
        model.connectTo(*selected);
}

void OntimeSetupWindow::connectHost() {
    model.connectToHost(hostField->text());
}

void OntimeSetupWindow::commitPort() {
    if (!portField->isModified())
        return;
    portField->setModified(false);
    bool ok = false;
    const int port = portField->text().toInt(&ok);
    if (ok)
        Preferences::setValue(portKey, port);
    portField->setText(QString::number(OntimeModel::configuredPort()));
}

void OntimeSetupWindow::refresh() {
    const bool scanning = model.scanning();
    const bool hasServer = model.server().has_value();
    if (model.connected())
        dotColour = Colors::green;
    else if (model.linkFailed())
        dotColour = Colors::red;
    else if (hasServer || scanning)
        dotColour = Colors::orange;
    else
        dotColour = Colors::grey(0.5);
    dot->setStyleSheet(
        QStringLiteral("background-color: %1; border-radius: 5px;").arg(dotColour.name()));
    statusLabel->setText(model.status());

    searchButton->setText(scanning ? L10n::lookup("Suche läuft …")
                                   : L10n::lookup("Netzwerk durchsuchen"));
    searchButton->setEnabled(!scanning);
    progress->setVisible(scanning);
    progress->setValue(int(std::clamp(model.scanProgress(), 0.0, 1.0) * progressSteps));
    connectSelectedButton->setEnabled(selected && selected != model.server());

    scanInfoLabel->setText(model.scanInfo());
    scanInfoLabel->setVisible(!model.scanInfo().isEmpty());

    connectHostButton->setEnabled(SetupWindowParts::hasText(hostField->text()));
    disconnectButton->setEnabled(hasServer || Preferences::flag(enabledKey) || scanning);
}

void OntimeSetupWindow::showInFront() {
    SetupWindowParts::bringToFront(*this);
}
