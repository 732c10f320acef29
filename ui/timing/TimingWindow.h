// "Zeiten": a deck's recorded runs, one chosen at a time, as a bar chart and a table beside the
// plan and the mean of earlier runs; where runs are renamed, deleted, made the plan and exported,
// and where the plan and the slides to keep are edited.
#pragma once

#include "timing/TimingTable.h"

#include <QWidget>

#include <optional>

class QBarSet;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

class TimingWindow : public QWidget {
    Q_OBJECT
public:
    enum Column { slideColumn, runColumn, blankColumn, planColumn, averageColumn, keepColumn };

    // The store must outlive the window.
    explicit TimingWindow(TimingStore& store, QWidget* parent = nullptr);

    // The deck whose runs are shown, with its slide count now; the newest run is chosen.
    void showDeck(const QString& deckPath, qsizetype slideCount);
    // The talk's length, which the total is measured against; absent without one.
    void setTalkSeconds(std::optional<qint64> seconds);

    QString chosenRun() const;
    void chooseRun(const QString& runId);
    const TimingTable& shownTable() const { return table; }

    // The chosen run's table as CSV; false when the file cannot be written.
    bool exportCsv(const QString& path) const;

    // What tests look at.
    QComboBox* runChooser() const { return runs; }
    QTableWidget* tableView() const { return grid; }
    QChart* chart() const;
    QLabel* summaryLabel() const { return summary; }

private:
    void refresh();
    void fillRuns();
    void fillTable();
    void fillChart();
    void fillSummary();
    void updateButtons();
    QString rowDescription(qsizetype slide) const;
    void planEdited(QTableWidgetItem* item);
    void keepToggled(QTableWidgetItem* item);
    void renameChosen();
    void deleteChosen();
    void exportChosen();

    TimingStore& store;
    QString deckPath;
    qsizetype slideCount = 0;
    std::optional<qint64> talkSeconds;
    TimingTable table;

    QComboBox* runs;
    QPushButton* renameButton;
    QPushButton* deleteButton;
    QLabel* summary;
    QChartView* chartView;
    QTableWidget* grid;
    QPushButton* adoptRunButton;
    QPushButton* adoptAverageButton;
    QPushButton* clearPlanButton;
    QPushButton* exportButton;
};
