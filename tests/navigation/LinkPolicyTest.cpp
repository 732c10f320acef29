// Which links are followed and which refused, from where, and the way back after a jump.
#include "navigation/LinkPolicy.h"
#include "navigation/LinkHistory.h"
#include "support/TestSupport.h"

using Does = LinkPolicy::Outcome::Does;
using Kind = PageLink::Kind;

Q_DECLARE_METATYPE(PageLink)
Q_DECLARE_METATYPE(Does)

namespace {

PageLink linkTo(Kind kind, const QString& text = {}, qint64 page = -1,
                PageLink::Action action = PageLink::Action::none) {
    return {QRectF(0, 0, 1, 1), kind, page, action, text};
}

} // namespace

class LinkPolicyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void decidesWhatALinkDoes_data() {
        QTest::addColumn<PageLink>("link");
        QTest::addColumn<bool>("onConsole");
        QTest::addColumn<Does>("does");
        QTest::addColumn<qint64>("page");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("why");
        using A = PageLink::Action;
        QTest::newRow("page") << linkTo(Kind::page, {}, 3) << false << Does::goTo << qint64(3)
                              << QString() << QString();
        QTest::newRow("destination") << linkTo(Kind::destination, "agenda", 0) << false
                                     << Does::goTo << qint64(0) << QString() << QString();
        QTest::newRow("page beyond the deck")
            << linkTo(Kind::page, {}, 10) << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: sein Ziel fehlt im Dokument";
        QTest::newRow("missing destination")
            << linkTo(Kind::missing, "nowhere") << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: sein Ziel fehlt im Dokument";
        QTest::newRow("next") << linkTo(Kind::action, {}, -1, A::next) << false << Does::next
                              << qint64(-1) << QString() << QString();
        QTest::newRow("go back") << linkTo(Kind::action, {}, -1, A::back) << false << Does::back
                                 << qint64(-1) << QString() << QString();
        QTest::newRow("last") << linkTo(Kind::action, {}, -1, A::last) << true << Does::last
                              << qint64(-1) << QString() << QString();
        QTest::newRow("https on the console")
            << linkTo(Kind::uri, " https://example.org/talk?x=1 ") << true << Does::open
            << qint64(-1) << "https://example.org/talk?x=1" << QString();
        QTest::newRow("mailto on the console")
            << linkTo(Kind::uri, "mailto:speaker@example.org") << true << Does::open << qint64(-1)
            << "mailto:speaker@example.org" << QString();
        QTest::newRow("https on the projector")
            << linkTo(Kind::uri, "https://example.org/") << false << Does::refuse << qint64(-1)
            << QString()
            << "Web-Link nicht geöffnet: Adressen öffnen sich nur mit einem Klick am Pult";
        QTest::newRow("a file address")
            << linkTo(Kind::uri, "file:///etc/passwd") << true << Does::refuse << qint64(-1)
            << QString()
            << "Link nicht gefolgt: Adressen dieser Art werden nicht geöffnet (file:///etc/passwd)";
        QTest::newRow("a script address") << linkTo(Kind::uri, "javascript:alert(1)") << true
                                          << Does::refuse << qint64(-1) << QString()
                                          << "Link nicht gefolgt: Adressen dieser Art werden nicht "
                                             "geöffnet (javascript:alert(1))";
        QTest::newRow("http without a host")
            << linkTo(Kind::uri, "http:/x") << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: Adressen dieser Art werden "
               "nicht geöffnet (http:/x)";
        QTest::newRow("a line break hidden in an address")
            << linkTo(Kind::uri, "https://example.org/\nrm -rf") << true << Does::refuse
            << qint64(-1) << QString()
            << "Link nicht gefolgt: Adressen dieser Art werden nicht geöffnet "
               "(https://example.org/ rm -rf)";
        QTest::newRow("launch") << linkTo(Kind::launch, "calc.exe") << true << Does::refuse
                                << qint64(-1) << QString()
                                << "Link nicht gefolgt: er würde ein Programm oder eine Datei "
                                   "öffnen (calc.exe)";
        QTest::newRow("javascript")
            << linkTo(Kind::javascript) << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: er würde JavaScript ausführen";
        QTest::newRow("other document")
            << linkTo(Kind::otherDocument) << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: er führt in ein anderes Dokument";
        QTest::newRow("other named action")
            << linkTo(Kind::unsupported, "Print") << true << Does::refuse << qint64(-1) << QString()
            << "Link nicht gefolgt: die Aktion „Print“ wird nicht ausgeführt";
    }
    void decidesWhatALinkDoes() {
        QFETCH(PageLink, link);
        QFETCH(bool, onConsole);
        const LinkPolicy::Outcome outcome = LinkPolicy::decide(link, 10, onConsole);
        QTEST(outcome.does, "does");
        QTEST(outcome.page, "page");
        QTEST(outcome.url.toString(), "url");
        QTEST(outcome.why, "why");
    }

    // What the file says reaches the status line as one short line.
    void textFromTheFileIsShownAsOneShortLine() {
        QCOMPARE(LinkPolicy::shown(QStringLiteral("a\tb\r\nc\u2028d\u0007")), "a b c d");
        const QString shown = LinkPolicy::shown(QString(500, QLatin1Char('x')));
        QCOMPARE(shown.size(), 100);
        QVERIFY(shown.endsWith(QStringLiteral("…")));
    }

    // Back returns along the jumps, forward undoes a back, a new jump forgets forward, and the
    // oldest jumps go beyond the depth.
    void historyGoesBackAndForwardAlongJumps() {
        LinkHistory history;
        QVERIFY(!history.back(4));
        history.jumped(2);
        history.jumped(7);
        QCOMPARE(history.back(9), 7);
        QCOMPARE(history.back(7), 2);
        QVERIFY(!history.back(2));
        QCOMPARE(history.forward(2), 7);
        history.jumped(7);
        QVERIFY(!history.forward(5));
        history.clear();
        QVERIFY(!history.canGoBack());
        for (qint64 page = 0; page < LinkHistory::depth + 5; ++page)
            history.jumped(page);
        qint64 oldest = -1;
        int steps = 0;
        while (const std::optional<qint64> page = history.back(0)) {
            oldest = *page;
            ++steps;
        }
        QCOMPARE(steps, LinkHistory::depth);
        QCOMPARE(oldest, 5);
    }
};

QTEST_GUILESS_MAIN(LinkPolicyTest)
#include "LinkPolicyTest.moc"
