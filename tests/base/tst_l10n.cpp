// Language choice, the strict translation-table format and printf-style filling.
#include "base/L10n.h"
#include "support/TestSupport.h"

#include <limits>

class TestL10n : public QObject {
    Q_OBJECT
private slots:
    void chooseLanguage_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QString>("expected");
        QTest::newRow("stored choice wins") << "fr" << QStringList{"de-DE"} << "fr";
        QTest::newRow("first supported system language")
            << "" << QStringList{"pt-BR", "fr-FR"} << "fr";
        QTest::newRow("unsupported only gives English") << "" << QStringList{"pt-BR"} << "en";
        QTest::newRow("Spanish and Italian give English, not German")
            << "" << QStringList{"es-ES", "it-IT"} << "en";
        QTest::newRow("stored unknown code is ignored") << "it" << QStringList{"de-AT"} << "de";
        QTest::newRow("region variants") << "" << QStringList{"de-CH"} << "de";
        QTest::newRow("short entry used whole") << "" << QStringList{"e", "fr"} << "fr";
        QTest::newRow("no languages at all") << "" << QStringList{} << "en";
    }
    void chooseLanguage() {
        QFETCH(QString, stored);
        QFETCH(QStringList, system);
        QTEST(L10n::chooseLanguage(stored, system), "expected");
    }

    void parseTable_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("entries");
        QTest::newRow("well formed")
            << QByteArray(R"({"Sprache":{"en":"Language","fr":"Langue"}})") << 1;
        QTest::newRow("top-level array") << QByteArray(R"([{"Sprache":{"en":"Language"}}])") << 0;
        QTest::newRow("number among translations")
            << QByteArray(R"({"A":{"en":"a"},"Sprache":{"en":"Language","fr":3}})") << 0;
        QTest::newRow("entry not an object") << QByteArray(R"({"Sprache":"Language"})") << 0;
        QTest::newRow("not JSON") << QByteArray("Sprache=Language") << 0;
        QTest::newRow("empty object") << QByteArray("{}") << 0;
    }
    void parseTable() {
        QFETCH(QByteArray, json);
        QTEST(int(L10n::parseTable(json).size()), "entries");
    }

    void translate() {
        const L10n::Table table = L10n::parseTable(
            R"({"Sprache":{"en":"Language","de":"Sprachwahl","fr":""},"Nur Englisch":{"en":"English only"}})");
        QCOMPARE(L10n::translate(table, "en", "Sprache"), QString("Language"));
        QCOMPARE(L10n::translate(table, "de", "Sprache"), QString("Sprache"));
        QCOMPARE(L10n::translate(table, "fr", "Sprache"), QString(""));
        QCOMPARE(L10n::translate(table, "fr", "Nur Englisch"), QString("Nur Englisch"));
        QCOMPARE(L10n::translate(table, "en", "Fehlt"), QString("Fehlt"));
    }

    void fill_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text") << "Verbunden mit %@" << QVariantList{"10.0.0.5:4001"}
                              << "Verbunden mit 10.0.0.5:4001";
        QTest::newRow("percent") << "Suche läuft … %d %%" << QVariantList{40}
                                 << "Suche läuft … 40 %";
        QTest::newRow("two digits") << "%02d:%02d:%02d" << QVariantList{3, 25, 5} << "03:25:05";
        QTest::newRow("large hours keep their digits")
            << "%02d:%02d" << QVariantList{100, 0} << "100:00";
        QTest::newRow("negative two digits") << "%02d" << QVariantList{-5} << "-05";
        QTest::newRow("smallest 64-bit number")
            << "%02d" << QVariantList{std::numeric_limits<qint64>::min()} << "-9223372036854775808";
        QTest::newRow("missing argument is empty") << "a %@ b" << QVariantList{} << "a  b";
        QTest::newRow("trailing percent kept") << "50%" << QVariantList{} << "50%";
    }
    void fill() {
        QFETCH(QString, format);
        QFETCH(QVariantList, arguments);
        const QVariant none;
        const auto at = [&](int i) { return i < arguments.size() ? arguments[i] : none; };
        QTEST(arguments.isEmpty() ? L10n::fill(format, {})
                                  : L10n::fill(format, {at(0), at(1), at(2)}),
              "expected");
    }
};

ORVL_TEST_MAIN(TestL10n)
#include "tst_l10n.moc"
