// "Vortragsdauer": the fields start from the plan in force and hand back what was chosen.
#include "support/TestSupport.h"
#include "ui/dialogs/PaceDialog.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimeEdit>

class TestPaceDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void startsFromThePlanInForce() {
        PaceTarget end;
        end.endTime = QTime(9, 5);
        end.lastMinutes = 2;
        const PaceDialog forEnd(end, nullptr);
        QVERIFY(forEnd.endButton->isChecked() && !forEnd.lengthField->isEnabled());
        QCOMPARE(forEnd.target(), end);
        const PaceDialog forNone(PaceTarget(), nullptr);
        QVERIFY(forNone.noneButton->isChecked() && !forNone.lastMinutesField->isEnabled());
        QVERIFY(!forNone.target().isSet());
    }

    // Switching between length and end time keeps only the chosen one; "Übernehmen" says it.
    void handsBackTheChoice() {
        PaceTarget length;
        length.lengthMinutes = 30;
        PaceDialog dialog(length, nullptr);
        QSignalSpy chosen(&dialog, &PaceDialog::chosen);
        dialog.endButton->setChecked(true);
        QVERIFY(dialog.endField->isEnabled() && !dialog.lengthField->isEnabled());
        dialog.endField->setTime(QTime(23, 40, 30));
        dialog.lastMinutesField->setValue(0);
        QPushButton* apply = nullptr;
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Übernehmen"))
                apply = button;
        QVERIFY(apply);
        apply->click();
        QCOMPARE(chosen.count(), 1);
        const PaceTarget target = chosen.first().first().value<PaceTarget>();
        QVERIFY(!target.lengthMinutes);
        QCOMPARE(target.endTime, std::optional<QTime>(QTime(23, 40)));
        QCOMPARE(target.lastMinutes, 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

ORVL_TEST_MAIN(TestPaceDialog)
#include "tst_pacedialog.moc"
