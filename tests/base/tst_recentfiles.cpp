// The recent-files list: order, the bound of ten, missing files hidden but kept, and the talk
// plans kept with it.
#include "base/RecentFiles.h"
#include "support/TestSupport.h"

class TestRecentFiles : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

    QUrl makeFile(const QString& name) {
        const QString path = folder.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("%PDF-1.4\n");
        return QUrl::fromLocalFile(path);
    }
    static QStringList names(const QList<QUrl>& urls) {
        QStringList result;
        for (const QUrl& url : urls)
            result << QFileInfo(url.toLocalFile()).fileName();
        return result;
    }

private slots:
    void init() { Preferences::clearForTests(); }

    void reopeningMovesToFront() {
        const QUrl a = makeFile("a.pdf"), b = makeFile("b.pdf");
        RecentFiles::add(a);
        RecentFiles::add(b);
        RecentFiles::add(a);
        QCOMPARE(names(RecentFiles::all()), (QStringList{"a.pdf", "b.pdf"}));
    }

    void keepsTheTenMostRecent() {
        for (int i = 0; i < 11; ++i)
            RecentFiles::add(makeFile(QStringLiteral("f%1.pdf").arg(i)));
        const QStringList listed = names(RecentFiles::all());
        QCOMPARE(listed.size(), 10);
        QCOMPARE(listed.first(), QString("f10.pdf"));
        QVERIFY(!listed.contains("f0.pdf"));
    }

    void missingFileHiddenButStored() {
        const QUrl gone = makeFile("gone.pdf");
        RecentFiles::add(gone);
        RecentFiles::add(makeFile("stays.pdf"));
        QFile::remove(gone.toLocalFile());
        QCOMPARE(names(RecentFiles::all()), (QStringList{"stays.pdf"}));
        QCOMPARE(Preferences::value("recentFiles").toStringList().size(), 2);
        makeFile("gone.pdf");
        QCOMPARE(names(RecentFiles::all()), (QStringList{"stays.pdf", "gone.pdf"}));
    }

    void noPathNormalisation() {
        const QUrl real = makeFile("real.pdf");
        const QString link = folder.filePath("link.pdf");
        QVERIFY(QFile::link(real.toLocalFile(), link));
        RecentFiles::add(real);
        RecentFiles::add(QUrl::fromLocalFile(link));
        QCOMPARE(names(RecentFiles::all()), (QStringList{"link.pdf", "real.pdf"}));
    }

    void oneEntrySurvivesTheStore() {
        // The store hands a one-item list back as plain text.
        RecentFiles::add(makeFile("only.pdf"));
        QCOMPARE(names(RecentFiles::all()), (QStringList{"only.pdf"}));
        Preferences::remove("recentFiles");
        RecentFiles::add(makeFile("after.pdf"));
        QCOMPARE(names(RecentFiles::all()), (QStringList{"after.pdf"}));
    }

    void wrongTypeReadsAsEmpty() {
        Preferences::setValue("recentFiles", 42);
        QVERIFY(RecentFiles::all().isEmpty());
        RecentFiles::add(makeFile("x.pdf"));
        QCOMPARE(names(RecentFiles::all()), (QStringList{"x.pdf"}));
    }

    // A plan belongs to a file on the list: set only there, and gone with the file.
    void talkPlansFollowTheList() {
        const QUrl first = makeFile("first.pdf"), other = makeFile("other.pdf");
        RecentFiles::setTalkPlan(first, "20;5");
        QCOMPARE(RecentFiles::talkPlan(first), QString());
        RecentFiles::add(first);
        RecentFiles::add(other);
        RecentFiles::setTalkPlan(first, "20;5");
        RecentFiles::setTalkPlan(other, "14:30;2");
        RecentFiles::add(other);
        QCOMPARE(RecentFiles::talkPlan(first), QString("20;5"));
        for (int i = 0; i < 9; ++i)
            RecentFiles::add(makeFile(QStringLiteral("p%1.pdf").arg(i)));
        QCOMPARE(RecentFiles::talkPlan(other), QString("14:30;2"));
        RecentFiles::add(first);
        QCOMPARE(RecentFiles::talkPlan(first), QString());
        RecentFiles::setTalkPlan(other, QString());
        QCOMPARE(RecentFiles::talkPlan(other), QString());
        RecentFiles::setTalkPlan(first, "45;5");
        RecentFiles::clear();
        RecentFiles::add(first);
        QCOMPARE(RecentFiles::talkPlan(first), QString());
    }
};

ORVL_TEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
