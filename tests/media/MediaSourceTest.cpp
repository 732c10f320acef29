// What a page's clip plays and whether it may: pdfpc's link options, files only from the deck's
// folder and below (symbolic links followed), never an address on the network; and where the clip
// lies in a view that letter-boxes the page.
#include "media/MediaSource.h"
#include "media/MediaPlacement.h"
#include "support/TestSupport.h"

using Status = MediaSource::Resolved::Status;

namespace {

MediaLink linkTo(const QString& target) {
    MediaLink link;
    link.kind = MediaLink::Kind::link;
    link.rect = QRectF(0, 0, 1, 1);
    link.target = target;
    return link;
}

} // namespace

class MediaSourceTest : public QObject {
    Q_OBJECT

    QTemporaryDir root;
    QString deckFolder() const { return root.filePath("talk"); }

private slots:
    void initTestCase() {
        QVERIFY(QDir(root.path()).mkpath("talk/clips"));
        QVERIFY(QDir(root.path()).mkpath("talk/folder.mp4"));
        for (const char* name : {"talk/clips/a b.mp4", "talk/intro.webm", "secret.mp4"}) {
            QFile file(root.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(root.filePath("secret.mp4"), root.filePath("talk/escape.mp4")));
        QVERIFY(QFile::link(root.filePath("talk/intro.webm"), root.filePath("talk/inside.webm")));
    }

    void readsPdfpcLinks_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("isClip");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("autostart");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("stop");
        QTest::newRow("all options") << "video.mp4?autostart&loop&start=5&stop=10" << true
                                     << "video.mp4" << true << 0 << qint64(5000) << qint64(10000);
        QTest::newRow("file: prefix")
            << "file:clips/a.webm?start=1.5" << true << "file:clips/a.webm" << false << 1
            << qint64(1500) << qint64(-1);
        QTest::newRow("run: prefix")
            << "run:sound.mp3" << true << "sound.mp3" << false << 1 << qint64(0) << qint64(-1);
        QTest::newRow("stop before start is no stop") << "a.mp4?start=9&stop=3" << true << "a.mp4"
                                                      << false << 1 << qint64(9000) << qint64(-1);
        QTest::newRow("broken numbers")
            << "a.mp4?start=x&stop=-4" << true << "a.mp4" << false << 1 << qint64(0) << qint64(-1);
        QTest::newRow("a web page")
            << "https://example.org/" << false << "" << false << 1 << qint64(0) << qint64(-1);
        QTest::newRow("another PDF")
            << "other.pdf" << false << "" << false << 1 << qint64(0) << qint64(-1);
    }
    void readsPdfpcLinks() {
        QFETCH(QString, target);
        QFETCH(bool, isClip);
        const std::optional<MediaLink> clip = MediaSource::fromLink(linkTo(target));
        QCOMPARE(bool(clip), isClip);
        if (!clip)
            return;
        QTEST(clip->target, "path");
        QTEST(clip->autostart, "autostart");
        QTEST(clip->repeat, "repeat");
        QTEST(clip->startMs, "start");
        QTEST(clip->stopMs, "stop");
    }

    void playsOnlyFromTheDecksFolder_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Status>("status");
        QTest::newRow("beside the deck") << "intro.webm" << Status::file;
        QTest::newRow("below, escaped") << "clips/a%20b.mp4" << Status::file;
        QTest::newRow("file: url") << "file:intro.webm" << Status::file;
        QTest::newRow("link staying inside") << "inside.webm" << Status::file;
        QTest::newRow("up and out") << "../secret.mp4" << Status::outside;
        QTest::newRow("link leading out") << "escape.mp4" << Status::outside;
        QTest::newRow("absolute, outside") << root.filePath("secret.mp4") << Status::outside;
        QTest::newRow("http") << "http://example.org/a.mp4" << Status::remote;
        QTest::newRow("rtsp") << "rtsp://10.0.0.1/live" << Status::remote;
        QTest::newRow("unc share") << "//server/share/a.mp4" << Status::remote;
        QTest::newRow("missing") << "gone.mp4" << Status::missing;
        QTest::newRow("a folder") << "folder.mp4" << Status::notFile;
    }
    void playsOnlyFromTheDecksFolder() {
        QFETCH(QString, target);
        QFETCH(Status, status);
        const MediaSource::Resolved resolved = MediaSource::resolve(linkTo(target), deckFolder());
        QCOMPARE(resolved.status, status);
        QCOMPARE(resolved.path.isEmpty(), status != Status::file);
        if (status == Status::file)
            QVERIFY(resolved.path.startsWith(QFileInfo(deckFolder()).canonicalFilePath() + "/"));
        MediaLink embedded = linkTo(target);
        embedded.embedded = true;
        QCOMPARE(MediaSource::resolve(embedded, deckFolder()).status, Status::embedded);
    }

    void placesTheClipWhereThePageIsDrawn() {
        const QSizeF page(400, 300);
        const QRectF lowerRight(0.5, 0.5, 0.5, 0.5);
        QCOMPARE(MediaPlacement::inView(lowerRight, page, NotesSide::none, {800, 600}),
                 QRect(400, 300, 400, 300));
        // A wider view letter-boxes the page: bars left and right.
        QCOMPARE(MediaPlacement::inView(lowerRight, page, NotesSide::none, {1000, 600}),
                 QRect(500, 300, 400, 300));
        // A 16:9 frame in a 4:3 area: bars above and below, centred.
        QCOMPARE(MediaPlacement::fitted({1920, 1080}, {0, 0, 400, 300}), QRect(0, 37, 400, 225));
        QCOMPARE(MediaPlacement::fitted({}, {5, 5, 10, 10}), QRect(5, 5, 10, 10));
    }
};

QTEST_GUILESS_MAIN(MediaSourceTest)
#include "MediaSourceTest.moc"
