// The engine in a worker process, against a scripted worker: answers cross the boundary intact,
// and a crash, a hang or a memory flood costs one draw (or read), never the caller.
#include "engine/ProcessEngine.h"
#include "support/TestSupport.h"

#include <thread>

namespace {

ProcessEngine::Limits quick() {
    ProcessEngine::Limits limits;
    limits.openMilliseconds = 2000;
    limits.drawMilliseconds = 600;
    limits.drawMillisecondsPerMegapixel = 0;
    limits.readMilliseconds = 600;
    limits.addressSpace = qint64(2) << 30;
    return limits;
}

// Page `page` drawn with a cancel that comes 50 ms after the draw began.
QImage cancelledDraw(const ProcessEngine& engine, qint64 page) {
    std::atomic_bool cancel = false;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancel = true;
    });
    const QImage image = engine.drawPage(page, QSize(64, 36), QRectF(0, 0, 1, 1), &cancel);
    canceller.join();
    return image;
}

QColor colourOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class ProcessEngineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    const QString worker = QStringLiteral(ORVL_SCRIPTED_WORKER);

    QString file(const QString& name) {
        const QString path = folder.filePath(name);
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        return path;
    }

    std::unique_ptr<ProcessEngine> open(const QString& name, OpenStatus* status = nullptr) {
        return ProcessEngine::open(worker, file(name), {}, status, quick());
    }

private slots:
    void answersCrossTheBoundary() {
        const auto engine = open("deck.pdf");
        QVERIFY(engine);
        QCOMPARE(engine->pageCount(), 5);
        QCOMPARE(engine->pageSize(4), QSizeF(160, 90));
        QCOMPARE(engine->pageLabel(1), QStringLiteral("2a"));
        QCOMPARE(engine->noteTexts(3), QStringList{"note 3"});
        QCOMPARE(engine->metadata(), QByteArray("<x:xmpmeta/>"));
        const QImage image = engine->drawPage(0, QSize(320, 180));
        QCOMPARE(image.size(), QSize(320, 180));
        QCOMPARE(colourOf(image), QColor(Qt::red));
        QCOMPARE(engine->drawRows(0, QSize(320, 180), 20, 60).size(), QSize(320, 40));
        QVERIFY(engine->readPage(0));
        QVERIFY(engine->drawPage(7, QSize(10, 10)).isNull());
        QCOMPARE(engine->starts(), 1);
    }

    // Each failure gives a null image and a fresh worker that draws the next page.
    void aFailedWorkerIsReplaced_data() {
        QTest::addColumn<qint64>("page");
        QTest::newRow("hang past the deadline") << qint64(1);
        QTest::newRow("crash") << qint64(2);
        QTest::newRow("memory flood") << qint64(3);
    }
    void aFailedWorkerIsReplaced() {
        QFETCH(qint64, page);
        const auto engine = open("deck.pdf");
        QVERIFY(engine->drawPage(page, QSize(64, 36)).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 2);
        QCOMPARE(engine->noteTexts(0), QStringList{"note 0"});
        QVERIFY(!engine->readPage(page));
        QVERIFY(engine->readPage(0));
        QCOMPARE(engine->starts(), 3);
    }

    // A cancelled draw returns at once; its late answer is never taken for the next one's, and a
    // worker stuck in it is replaced without failing the next.
    void aCancelledDrawNeverCostsTheNext() {
        const auto engine = open("deck.pdf");
        QVERIFY(cancelledDraw(*engine, 4).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 1);
        QVERIFY(cancelledDraw(*engine, 1).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 2);
    }

    void aFailedOpenIsDamaged_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("crash") << "crash.pdf";
        QTest::newRow("hang") << "hang.pdf";
    }
    void aFailedOpenIsDamaged() {
        QFETCH(QString, name);
        OpenStatus status = OpenStatus::ok;
        QVERIFY(!open(name, &status));
        QCOMPARE(status, OpenStatus::damaged);
        QVERIFY(!ProcessEngine::open(worker, folder.filePath("missing.pdf"), {}, &status, quick()));
        QCOMPARE(status, OpenStatus::notFound);
    }

    // Closing a document whose worker is stuck kills the worker rather than wait for it.
    void closingNeverWaitsForAStuckWorker() {
        auto engine = open("deck.pdf");
        QVERIFY(cancelledDraw(*engine, 1).isNull());
        engine.reset();
    }
};

ORVL_TEST_MAIN(ProcessEngineTest)
#include "ProcessEngineTest.moc"
