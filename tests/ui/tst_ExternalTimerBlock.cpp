// The external timer block: the time and its colours, blinking, label frames and long texts.
#include "base/Colors.h"
#include "support/PlainText.h"
#include "support/TestSupport.h"
#include "ui/timers/ExternalTimerBlock.h"

#include <QTextDocument>

namespace {

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class ExternalTimerBlockTest : public QObject {
    Q_OBJECT

private slots:
    void time_data() {
        QTest::addColumn<std::optional<double>>("remaining");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");

        using Ms = std::optional<double>;
        QTest::newRow("no value") << Ms() << false << true << "--:--" << Colors::grey(0.4);
        QTest::newRow("no value, paused colour not applied")
            << Ms() << true << false << "--:--" << Colors::grey(0.4);
        QTest::newRow("over time is red") << Ms(-1500) << false << true << "-00:01" << Colors::red;
        QTest::newRow("zero while running is white")
            << Ms(0) << false << true << "00:00" << Colors::grey(1.0);
        QTest::newRow("paused beats running")
            << Ms(90000) << true << true << "01:30" << Colors::orange;
        QTest::newRow("over time beats paused")
            << Ms(-60000) << true << false << "-01:00" << Colors::red;
        QTest::newRow("stopped is dim")
            << Ms(3600000) << false << false << "1:00:00" << Colors::grey(0.55);
    }

    void time() {
        QFETCH(std::optional<double>, remaining);
        QFETCH(bool, paused);
        QFETCH(bool, running);
        ExternalTimerBlock block;
        block.display(QStringLiteral("Ontime"), remaining, paused, running, {}, false, {}, {});
        QTEST(block.timeLabel()->text(), "text");
        QTEST(textColour(block.timeLabel()), "colour");
    }

    void blinking_data() {
        QTest::addColumn<bool>("blink");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("opacity");

        QTest::newRow("steady") << false << 1000.0 << 1.0;
        QTest::newRow("even half second is faint") << true << 1000.0 << 0.15;
        QTest::newRow("a quarter later still faint") << true << 1000.25 << 0.15;
        QTest::newRow("odd half second is full") << true << 1000.5 << 1.0;
        QTest::newRow("three quarters still full") << true << 1000.75 << 1.0;
        QTest::newRow("next second faint again") << true << 1001.0 << 0.15;
    }

    void blinking() {
        QFETCH(bool, blink);
        QFETCH(double, seconds);
        QTEST(ExternalTimerBlock::messageOpacity(blink, seconds), "opacity");
    }

    void timeDigitsHaveEqualWidth() {
        ExternalTimerBlock block;
        const QFontMetricsF metrics(block.timeLabel()->font());
        for (char digit = '1'; digit <= '9'; ++digit)
            QCOMPARE(metrics.horizontalAdvance(QLatin1Char(digit)),
                     metrics.horizontalAdvance(QLatin1Char('0')));
    }

    void layoutFromTopToBottom() {
        ExternalTimerBlock block;
        block.resize(300, ExternalTimerBlock::standardHeight);
        block.show();
        QCOMPARE(block.captionLabel()->geometry(), QRect(0, 2, 300, 16));
        QCOMPARE(block.timeLabel()->geometry(), QRect(-2, 20, 300, 54));
        QCOMPARE(block.messageLabel()->geometry(), QRect(0, 74, 300, 40));
        QCOMPARE(block.secondaryLabel()->geometry(), QRect(0, 116, 300, 18));
        QCOMPARE(block.statusLabel()->geometry(), QRect(0, 136, 300, 14));
    }

    // Every text of the block can come from a server: shown as written, tooltip escaped.
    void serverTextsShowAsWritten() {
        ExternalTimerBlock block;
        block.resize(300, ExternalTimerBlock::standardHeight);
        block.show();
        const QString& text = PlainText::hostile;
        block.display(text, 1000, false, true, text, false, text, text);
        const PlainText::LabelCount labels = PlainText::labelsShowing(block, text);
        QCOMPARE(labels.rich, 0);
        QCOMPARE(labels.plain, 4);
        QCOMPARE(block.messageLabel()->toolTip(), Qt::convertFromPlainText(text));
    }

    // Long texts are drawn cut to their frames: the labels keep their size.
    void paintsLongTexts() {
        ExternalTimerBlock block;
        block.resize(120, ExternalTimerBlock::standardHeight);
        block.show();
        block.display(QString(200, 'c'), 1000, false, true, QString(500, 'm') + "\n" + "m", false,
                      QString(200, 's'), QString(200, 't'));
        QImage image(block.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        block.render(&image);
        QCOMPARE(block.messageLabel()->size(), QSize(120, 40));
        QCOMPARE(block.captionLabel()->size(), QSize(120, 16));
    }
};

ORVL_TEST_MAIN(ExternalTimerBlockTest)
#include "tst_ExternalTimerBlock.moc"
