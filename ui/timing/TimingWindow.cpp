#include "ui/timing/TimingWindow.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "timing/TimingCsv.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace {

const QColor runColour(0x0A, 0x84, 0xFF);
const QColor planColour = Colors::grey(0.62);
const QColor averageColour = Colors::grey(0.36);
// Beyond this many slides every label would overlap its neighbours; they stand upright instead.
constexpr qsizetype uprightLabelsFrom = 25;

QString duration(double seconds) {
    return SlidePlan::formatSeconds(std::llround(seconds));
}

QString runLabel(const TalkRun& run, bool recording) {
    const QString when = QDateTime::fromMSecsSinceEpoch(qint64(run.startMs))
                             .toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    QString label;
    if (!run.name.isEmpty())
        label = run.name + QStringLiteral(" (") + when + QLatin1Char(')');
    else if (run.kind == TalkRun::Kind::rehearsal)
        label = L10n::format("Probe vom %@", {when});
    else
        label = L10n::format("Vortrag vom %@", {when});
    label += QStringLiteral(", ") + duration(run.totalSeconds());
    if (recording)
        label += QStringLiteral(" · ") + L10n::lookup("läuft");
    else if (!run.endMs)
        label += QStringLiteral(" · ") + L10n::lookup("abgebrochen");
    return label;
}

QTableWidgetItem* cell(QTableWidget* grid, int row, int column) {
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
    return item;
}

QBarSet* barSet(const QString& name, const QColor& colour) {
    auto* set = new QBarSet(name);
    set->setColor(colour);
    // A border would keep this colour around a bar marked as over.
    set->setPen(Qt::NoPen);
    return set;
}

} // namespace

TimingWindow::TimingWindow(TimingStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store(store) {
    setWindowTitle(L10n::lookup("Zeiten"));
    resize(900, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);

    auto* top = new QHBoxLayout;
    auto* runCaption = new QLabel(L10n::lookup("Lauf:"));
    runs = new QComboBox;
    runs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    runCaption->setBuddy(runs);
    renameButton = new QPushButton(L10n::lookup("Umbenennen …"));
    deleteButton = new QPushButton(L10n::lookup("Löschen"));
    top->addWidget(runCaption);
    top->addWidget(runs, 1);
    top->addWidget(renameButton);
    top->addWidget(deleteButton);
    layout->addLayout(top);

    summary = new QLabel;
    summary->setTextFormat(Qt::PlainText);
    layout->addWidget(summary);

    auto* chart = new QChart;
    chart->setTheme(QChart::ChartThemeDark);
    chart->setBackgroundBrush(Colors::windowBackground);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setLabelColor(Colors::grey(0.85));
    chartView = new QChartView(chart);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(220);
    // The table says the same to the keyboard and to screen readers.
    chartView->setFocusPolicy(Qt::NoFocus);
    chartView->setAccessibleName(L10n::lookup("Zeiten je Folie"));

    grid = new QTableWidget(0, 6);
    grid->setHorizontalHeaderLabels(
        {L10n::lookup("Folie"), L10n::lookup("Dieser Lauf"), L10n::lookup("davon schwarz"),
         L10n::lookup("Plan"), L10n::lookup("Mittel früherer Läufe"), L10n::lookup("Behalten")});
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    grid->setAccessibleName(L10n::lookup("Zeiten je Folie"));

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(chartView);
    split->addWidget(grid);
    split->setChildrenCollapsible(false);
    // The chart first: it is what is read at a glance.
    split->setSizes({380, 220});
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    adoptRunButton = new QPushButton(L10n::lookup("Als Plan übernehmen"));
    adoptAverageButton = new QPushButton(L10n::lookup("Mittel der Proben als Plan"));
    clearPlanButton = new QPushButton(L10n::lookup("Plan löschen"));
    exportButton = new QPushButton(L10n::lookup("CSV exportieren …"));
    bottom->addWidget(adoptRunButton);
    bottom->addWidget(adoptAverageButton);
    bottom->addWidget(clearPlanButton);
    bottom->addStretch(1);
    bottom->addWidget(exportButton);
    layout->addLayout(bottom);

    connect(runs, &QComboBox::currentIndexChanged, this, &TimingWindow::refresh);
    connect(renameButton, &QPushButton::clicked, this, &TimingWindow::renameChosen);
    connect(deleteButton, &QPushButton::clicked, this, &TimingWindow::deleteChosen);
    connect(adoptRunButton, &QPushButton::clicked, this,
            [this] { this->store.adoptRun(deckPath, chosenRun(), slideCount); });
    connect(adoptAverageButton, &QPushButton::clicked, this,
            [this] { this->store.adoptRehearsalAverage(deckPath, slideCount); });
    connect(clearPlanButton, &QPushButton::clicked, this,
            [this] { this->store.setPlan(deckPath, {}); });
    connect(exportButton, &QPushButton::clicked, this, &TimingWindow::exportChosen);
    connect(grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == planColumn)
            planEdited(item);
        else if (item->column() == keepColumn)
            keepToggled(item);
    });
    connect(&store, &TimingStore::deckChanged, this, [this](const QString& changed) {
        if (changed == deckPath)
            refresh();
    });
}

QChart* TimingWindow::chart() const {
    return chartView->chart();
}

void TimingWindow::showDeck(const QString& path, qsizetype count) {
    deckPath = path;
    slideCount = std::clamp<qsizetype>(count, 0, TalkRun::maximumSlides);
    setWindowTitle(L10n::format("Zeiten – %@", {QFileInfo(path).fileName()}));
    {
        const QSignalBlocker quiet(runs);
        runs->clear();
    }
    refresh();
}

void TimingWindow::setTalkSeconds(std::optional<qint64> seconds) {
    talkSeconds = seconds;
    fillSummary();
}

QString TimingWindow::chosenRun() const {
    return runs->currentData().toString();
}

void TimingWindow::chooseRun(const QString& runId) {
    const int index = runs->findData(runId);
    if (index >= 0)
        runs->setCurrentIndex(index);
}

void TimingWindow::refresh() {
    fillRuns();
    table = TimingTable::build(store.deck(deckPath), chosenRun(), slideCount);
    fillTable();
    fillChart();
    fillSummary();
    updateButtons();
}

void TimingWindow::fillRuns() {
    const QSignalBlocker quiet(runs);
    const QString chosen = chosenRun();
    const QString recording = store.recordingRun(deckPath);
    runs->clear();
    const QList<TalkRun>& recorded = store.deck(deckPath).runs;
    for (auto run = recorded.crbegin(); run != recorded.crend(); ++run)
        runs->addItem(runLabel(*run, run->id == recording), run->id);
    runs->setCurrentIndex(std::max(0, runs->findData(chosen)));
    runs->setEnabled(runs->count() > 0);
}

void TimingWindow::fillTable() {
    const QSignalBlocker quiet(grid);
    grid->setRowCount(int(table.rows.size()));
    for (int slide = 0; slide < grid->rowCount(); ++slide) {
        const TimingTable::Row& row = table.rows.at(slide);
        const QString description = rowDescription(slide);
        cell(grid, slide, slideColumn)->setText(QString::number(slide + 1));
        QTableWidgetItem* ran = cell(grid, slide, runColumn);
        // Not by colour alone: the mark says it too.
        ran->setText(duration(row.seconds) + (row.over ? QStringLiteral(" ▲") : QString()));
        ran->setForeground(row.over ? QBrush(Colors::red) : QBrush());
        cell(grid, slide, blankColumn)
            ->setText(row.blankSeconds > 0 ? duration(row.blankSeconds) : QString());
        QTableWidgetItem* planned = cell(grid, slide, planColumn);
        planned->setFlags(planned->flags() | Qt::ItemIsEditable);
        planned->setText(row.plannedSeconds ? duration(*row.plannedSeconds) : QString());
        cell(grid, slide, averageColumn)
            ->setText(row.averageSeconds ? duration(*row.averageSeconds) : QString());
        QTableWidgetItem* keep = cell(grid, slide, keepColumn);
        keep->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        keep->setCheckState(row.kept ? Qt::Checked : Qt::Unchecked);
        for (int column = slideColumn; column <= keepColumn; ++column)
            grid->item(slide, column)->setToolTip(description);
    }
}

void TimingWindow::fillChart() {
    QChart* shown = chart();
    shown->removeAllSeries();
    const QList<QAbstractAxis*> axes = shown->axes();
    for (QAbstractAxis* axis : axes) {
        shown->removeAxis(axis);
        delete axis;
    }
    if (table.rows.isEmpty() || chosenRun().isEmpty())
        return;

    QBarSet* ran = barSet(L10n::lookup("Dieser Lauf"), runColour);
    ran->setSelectedColor(Colors::red);
    QBarSet* planned = table.plannedTotal ? barSet(L10n::lookup("Plan"), planColour) : nullptr;
    QBarSet* average =
        table.averageTotal ? barSet(L10n::lookup("Mittel früherer Läufe"), averageColour) : nullptr;
    QStringList categories;
    QList<int> over;
    double highest = 0;
    for (qsizetype slide = 0; slide < table.rows.size(); ++slide) {
        const TimingTable::Row& row = table.rows.at(slide);
        categories.append(QString::number(slide + 1));
        ran->append(row.seconds);
        highest = std::max(highest, row.seconds);
        if (planned) {
            planned->append(row.plannedSeconds.value_or(0));
            highest = std::max(highest, double(row.plannedSeconds.value_or(0)));
        }
        if (average) {
            average->append(row.averageSeconds.value_or(0));
            highest = std::max(highest, row.averageSeconds.value_or(0));
        }
        if (row.over)
            over.append(int(slide));
    }
    ran->selectBars(over);

    auto* series = new QBarSeries;
    series->setBarWidth(0.8);
    for (QBarSet* set : {ran, planned, average}) {
        if (!set)
            continue;
        series->append(set);
        connect(set, &QBarSet::hovered, this, [this](bool entered, int index) {
            if (entered)
                QToolTip::showText(QCursor::pos(), rowDescription(index), chartView);
            else
                QToolTip::hideText();
        });
        // A click on a bar finds its row, where the keyboard takes over.
        connect(set, &QBarSet::clicked, grid, &QTableWidget::selectRow);
    }
    shown->addSeries(series);

    auto* slides = new QBarCategoryAxis;
    slides->append(categories);
    slides->setTitleText(L10n::lookup("Folie"));
    slides->setLabelsAngle(categories.size() >= uprightLabelsFrom ? -90 : 0);
    auto* seconds = new QValueAxis;
    seconds->setRange(0, std::max(10.0, highest * 1.08));
    seconds->setLabelFormat(QStringLiteral("%d"));
    seconds->setTitleText(L10n::lookup("Sekunden"));
    seconds->applyNiceNumbers();
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(slides), static_cast<QAbstractAxis*>(seconds)}) {
        axis->setLabelsColor(Colors::grey(0.75));
        axis->setTitleBrush(Colors::grey(0.75));
        axis->setGridLineColor(Colors::grey(0.22));
    }
    shown->addAxis(slides, Qt::AlignBottom);
    shown->addAxis(seconds, Qt::AlignLeft);
    series->attachAxis(slides);
    series->attachAxis(seconds);
}

void TimingWindow::fillSummary() {
    if (runs->count() == 0) {
        summary->setText(L10n::lookup("Noch keine Läufe aufgezeichnet"));
        summary->setStyleSheet(QString());
        return;
    }
    QStringList parts;
    parts.append(talkSeconds ? L10n::format("Dieser Lauf: %@ von %@",
                                            {duration(table.totalSeconds), duration(*talkSeconds)})
                             : L10n::format("Dieser Lauf: %@", {duration(table.totalSeconds)}));
    if (table.plannedTotal)
        parts.append(L10n::format("Plan: %@", {duration(*table.plannedTotal)}));
    if (table.averageTotal)
        parts.append(L10n::format("Mittel früherer Läufe: %@", {duration(*table.averageTotal)}));
    const qsizetype over = table.overCount();
    if (over == 1)
        parts.append(L10n::lookup("1 Folie überzogen"));
    else if (over > 1)
        parts.append(L10n::format("%d Folien überzogen", {over}));
    summary->setText(parts.join(QStringLiteral(" · ")));
    const bool tooLong = talkSeconds && table.totalSeconds > double(*talkSeconds);
    summary->setStyleSheet(tooLong ? QStringLiteral("color: %1").arg(Colors::red.name())
                                   : QString());
}

void TimingWindow::updateButtons() {
    const bool chosen = !chosenRun().isEmpty();
    renameButton->setEnabled(chosen);
    deleteButton->setEnabled(chosen && chosenRun() != store.recordingRun(deckPath));
    adoptRunButton->setEnabled(chosen && slideCount > 0);
    const QList<TalkRun>& recorded = store.deck(deckPath).runs;
    adoptAverageButton->setEnabled(
        std::any_of(recorded.begin(), recorded.end(), [this](const TalkRun& run) {
            return run.kind == TalkRun::Kind::rehearsal && run.slideCount() == slideCount;
        }));
    clearPlanButton->setEnabled(store.deck(deckPath).plan.isSet());
    exportButton->setEnabled(chosen);
}

QString TimingWindow::rowDescription(qsizetype slide) const {
    if (slide < 0 || slide >= table.rows.size())
        return {};
    const TimingTable::Row& row = table.rows.at(slide);
    QStringList parts{L10n::format("Folie %d: %@", {slide + 1, duration(row.seconds)})};
    if (row.blankSeconds > 0)
        parts.append(L10n::format("davon schwarz %@", {duration(row.blankSeconds)}));
    if (row.plannedSeconds)
        parts.append(L10n::format("Plan %@", {duration(*row.plannedSeconds)}));
    if (row.averageSeconds)
        parts.append(L10n::format("Mittel %@", {duration(*row.averageSeconds)}));
    if (row.over)
        parts.append(L10n::lookup("überzogen"));
    return parts.join(QStringLiteral(" · "));
}

void TimingWindow::planEdited(QTableWidgetItem* item) {
    const std::optional<int> seconds = SlidePlan::parseSeconds(item->text());
    const qsizetype slide = item->row();
    if (!seconds) {
        // Not a time: the cell shows the plan again.
        const QSignalBlocker quiet(grid);
        const std::optional<int> planned = table.rows.value(slide).plannedSeconds;
        item->setText(planned ? duration(*planned) : QString());
        return;
    }
    // The first number typed starts a plan of nothing but that slide.
    SlidePlan plan = store.deck(deckPath).plan;
    if (!plan.fits(slideCount))
        plan.seconds = QList<int>(slideCount, 0);
    plan.seconds[slide] = *seconds;
    store.setPlan(deckPath, plan);
}

void TimingWindow::keepToggled(QTableWidgetItem* item) {
    store.setKept(deckPath, item->row(), item->checkState() == Qt::Checked);
}

void TimingWindow::renameChosen() {
    const std::optional<TalkRun> run = store.run(deckPath, chosenRun());
    if (!run)
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, L10n::lookup("Lauf umbenennen"), L10n::lookup("Name:"),
                              QLineEdit::Normal, run->name, &ok);
    if (ok)
        store.rename(deckPath, run->id, name);
}

void TimingWindow::deleteChosen() {
    const QString runId = chosenRun();
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, L10n::lookup("Lauf löschen"), L10n::format("„%@“ löschen?", {runs->currentText()}),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        store.remove(deckPath, runId);
}

bool TimingWindow::exportCsv(const QString& path) const {
    QSaveFile file(path);
    const QByteArray bytes = TimingCsv::write(table);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

void TimingWindow::exportChosen() {
    const QString suggested = QFileInfo(deckPath).completeBaseName() + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(
        this, L10n::lookup("Zeiten exportieren"), suggested, L10n::lookup("CSV-Dateien (*.csv)"));
    if (!path.isEmpty() && !exportCsv(path))
        QMessageBox::warning(
            this, L10n::lookup("Zeiten exportieren"),
            L10n::format("%@ konnte nicht geschrieben werden", {QFileInfo(path).fileName()}));
}
