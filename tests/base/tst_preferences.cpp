// Per-run overrides from the command line win over the store and are never written to it.
#include "support/TestSupport.h"

class TestPreferences : public QObject {
    Q_OBJECT
private slots:
    void init() { Preferences::clearForTests(); }

    void overrideValues_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("JSON number") << "ontimePort=4002" << QVariant(4002.0);
        QTest::newRow("JSON bool") << "ontimeEnabled=true" << QVariant(true);
        QTest::newRow("JSON string") << "appLanguage=\"fr\"" << QVariant("fr");
        QTest::newRow("plain text")
            << "automationScript=/tmp/steps.txt" << QVariant("/tmp/steps.txt");
        QTest::newRow("value with equals sign") << "stagetimerRoom=a=b" << QVariant("a=b");
        QTest::newRow("empty value") << "outputScreen=" << QVariant("");
    }
    void overrideValues() {
        QFETCH(QString, argument);
        QVERIFY(Preferences::setOverrideFromArgument(argument));
        const QString key = argument.section('=', 0, 0);
        QTEST(Preferences::value(key), "expected");
        QVERIFY(!QSettings().contains(key));
    }

    void malformedArgumentRefused() {
        QVERIFY(!Preferences::setOverrideFromArgument("noEquals"));
        QVERIFY(!Preferences::setOverrideFromArgument("=value"));
    }

    void writeReplacesOverride() {
        Preferences::setOverride("thumbColumns", 3);
        Preferences::setValue("thumbColumns", 2);
        QCOMPARE(Preferences::integer("thumbColumns"), 2);
        QCOMPARE(QSettings().value("thumbColumns").toInt(), 2);
    }

    // The store holds an API key: readable by its owner only, also a file an older version
    // left readable to all.
    void storeIsPrivate() {
        QSettings store;
        QFile::remove(store.fileName());
        Preferences::setValue("stagetimerKey", "secret");
        store.sync();
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        // Owner, group and others, as the file mode has them (0600 expected).
        const auto mode = [&store] { return QFile::permissions(store.fileName()) & 0x7077; };
        QCOMPARE(mode(), ownerOnly);
        QFile::setPermissions(store.fileName(), ownerOnly | QFileDevice::ReadOther);
        Preferences::setValue("stagetimerRoom", "ROOM");
        QCOMPARE(mode(), ownerOnly);
    }

    void typedReadsFallBack() {
        QCOMPARE(Preferences::integer("absent", 7), 7);
        Preferences::setValue("ontimePort", "not a number");
        QCOMPARE(Preferences::integer("ontimePort", 4001), 4001);
        Preferences::setValue("ontimeEnabled", "true"); // the store returns bools as text
        QVERIFY(Preferences::flag("ontimeEnabled"));
        Preferences::setValue("recentFiles", QStringList{"a", "b"});
        QCOMPARE(Preferences::text("recentFiles", "none"), QString("none"));
    }
};

ORVL_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
