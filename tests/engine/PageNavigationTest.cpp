// A page's links, transition and display time as the engine reads them from real files, and the
// bytes that carry them out of the worker, which the program reads as untrusted.
#include "engine/MupdfEngine.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <cmath>
#include <limits>

using Kind = PageLink::Kind;
using Style = PageTransition::Style;
using TestPdfs::Page;
using TestPdfs::page;

Q_DECLARE_METATYPE(PageTransition)

namespace {

QByteArray linkAnnotation(const QByteArray& rect, const QByteArray& target) {
    return "<< /Type /Annot /Subtype /Link /Rect [" + rect + "] " + target + " >>";
}

bool near(const QRectF& a, const QRectF& b) {
    const auto same = [](double x, double y) { return std::abs(x - y) < 1e-4; };
    return same(a.x(), b.x()) && same(a.y(), b.y()) && same(a.width(), b.width()) &&
           same(a.height(), b.height());
}

} // namespace

class PageNavigationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    // Every kind of link action is named as what it is; only pages and destinations carry a page,
    // nothing is run, and annotations that are no links are left out.
    void readsEveryKindOfLink() {
        QList<Page> pages(3, page({0, 0, 400, 300}));
        QByteArray annots = "/Annots [";
        for (int object = 9; object <= 21; ++object)
            annots += QByteArray::number(object) + " 0 R ";
        pages[0].entries = annots + "]";
        const QList<QByteArray> objects{
            linkAnnotation("0 0 100 30", "/Dest [7 0 R /Fit]"),
            linkAnnotation("0 0 10 10", "/A << /S /GoTo /D (agenda) >>"),
            linkAnnotation("0 0 10 10", "/A << /S /Named /N /NextPage >>"),
            linkAnnotation("0 0 10 10", "/A << /S /Named /N /GoBack >>"),
            linkAnnotation("0 0 10 10", "/A << /S /URI /URI (https://example.org/a b) >>"),
            linkAnnotation("0 0 10 10",
                           "/A << /S /Launch /F << /Type /Filespec /F (calc.exe) >> >>"),
            linkAnnotation("0 0 10 10", "/A << /S /JavaScript /JS (app.alert(1)) >>"),
            linkAnnotation("0 0 10 10", "/A << /S /GoTo /D (nowhere) >>"),
            linkAnnotation("0 0 10 10", "/A << /S /Named /N /Print >>"),
            linkAnnotation("0 0 10 10", "/A << /S /GoToR /F (other.pdf) /D [0 /Fit] >>"),
            linkAnnotation("0 0 10 10", "/Dest [1 /Fit]"),
            "<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] /Contents (a note) >>",
            linkAnnotation("0 0 10 10", "/Dest [99 /Fit]"),
        };
        QVERIFY(TestPdfs::write(path("links.pdf"), pages,
                                "/Names << /Dests << /Names [(agenda) [5 0 R /Fit]] >> >>",
                                objects));
        const auto engine = MupdfEngine::open(path("links.pdf"));
        QVERIFY(engine);
        const QList<PageLink> links = engine->navigation(0).links;
        QCOMPARE(links.size(), 12);
        QVERIFY(near(links[0].area, QRectF(0, 0.9, 0.25, 0.1)));
        const auto is = [&](int i, Kind kind, qint64 target, PageLink::Action action,
                            const QString& text) {
            const PageLink& read = links.at(i);
            return read.kind == kind && read.page == target && read.action == action &&
                   read.text == text;
        };
        using A = PageLink::Action;
        QVERIFY(is(0, Kind::page, 2, A::none, {}));
        QVERIFY(is(1, Kind::destination, 1, A::none, "agenda"));
        QVERIFY(is(2, Kind::action, -1, A::next, "NextPage"));
        QVERIFY(is(3, Kind::action, -1, A::back, "GoBack"));
        QVERIFY(is(4, Kind::uri, -1, A::none, "https://example.org/a b"));
        QVERIFY(is(5, Kind::launch, -1, A::none, "calc.exe"));
        QVERIFY(is(6, Kind::javascript, -1, A::none, {}));
        QVERIFY(is(7, Kind::missing, -1, A::none, "nowhere"));
        QVERIFY(is(8, Kind::unsupported, -1, A::none, "Print"));
        QVERIFY(is(9, Kind::otherDocument, -1, A::none, {}));
        QVERIFY(is(10, Kind::page, 1, A::none, {}));
        QVERIFY(is(11, Kind::missing, -1, A::none, {}));
        QVERIFY(engine->navigation(1).links.isEmpty());
        QVERIFY(engine->navigation(3).links.isEmpty());
    }

    // Areas are of the page as shown: crop box, rotation and media box origin taken into account,
    // clipped to the page, and gone where nothing of them is on it.
    void linkAreasFollowThePageAsShown_data() {
        QTest::addColumn<QRectF>("media");
        QTest::addColumn<QRectF>("crop");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QByteArray>("rect");
        QTest::addColumn<QRectF>("area");
        const QRectF none;
        QTest::newRow("plain") << QRectF(0, 0, 400, 300) << none << 0 << QByteArray("0 0 100 30")
                               << QRectF(0, 0.9, 0.25, 0.1);
        QTest::newRow("rotated 90") << QRectF(0, 0, 400, 300) << none << 90
                                    << QByteArray("0 0 100 30") << QRectF(0, 0, 0.1, 0.25);
        QTest::newRow("rotated 180") << QRectF(0, 0, 400, 300) << none << 180
                                     << QByteArray("0 0 100 30") << QRectF(0.75, 0, 0.25, 0.1);
        QTest::newRow("rotated 270") << QRectF(0, 0, 400, 300) << none << 270
                                     << QByteArray("0 0 100 30") << QRectF(0.9, 0.75, 0.1, 0.25);
        QTest::newRow("cropped") << QRectF(0, 0, 400, 300) << QRectF(100, 100, 200, 100) << 0
                                 << QByteArray("100 100 150 150") << QRectF(0, 0.5, 0.25, 0.5);
        QTest::newRow("media box origin")
            << QRectF(50, 70, 200, 100) << none << 0 << QByteArray("50 70 100 120")
            << QRectF(0, 0.5, 0.25, 0.5);
        QTest::newRow("corners swapped, partly off the page")
            << QRectF(0, 0, 400, 300) << none << 0 << QByteArray("500 300 300 270")
            << QRectF(0.75, 0, 0.25, 0.1);
        QTest::newRow("off the page")
            << QRectF(0, 0, 400, 300) << none << 0 << QByteArray("500 500 600 600") << QRectF();
    }
    void linkAreasFollowThePageAsShown() {
        QFETCH(QRectF, media);
        QFETCH(QRectF, crop);
        QFETCH(int, rotate);
        QFETCH(QByteArray, rect);
        QFETCH(QRectF, area);
        Page shown =
            page(media, crop.isNull() ? std::nullopt : std::optional<QRectF>(crop), rotate);
        shown.entries = "/Annots [5 0 R]";
        const QString file = path(QStringLiteral("geometry-%1.pdf").arg(QTest::currentDataTag()));
        QVERIFY(TestPdfs::write(file, {shown}, {}, {linkAnnotation(rect, "/Dest [0 /Fit]")}));
        const auto engine = MupdfEngine::open(file);
        QVERIFY(engine);
        const QList<PageLink> links = engine->navigation(0).links;
        QCOMPARE(links.size(), area.isNull() ? 0 : 1);
        if (!area.isNull())
            QVERIFY2(near(links[0].area, area), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                               .arg(links[0].area.x())
                                                               .arg(links[0].area.y())
                                                               .arg(links[0].area.width())
                                                               .arg(links[0].area.height())));
    }

    // /Trans and /Dur as written, bounded; an unknown style is a cut.
    void readsTransitionsAndDisplayTimes_data() {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<bool>("hasTransition");
        QTest::addColumn<PageTransition>("transition");
        QTest::addColumn<double>("display");
        PageTransition dissolve;
        dissolve.style = Style::dissolve;
        dissolve.seconds = 0.5;
        QTest::newRow("dissolve and display time")
            << QByteArray("/Trans << /S /Dissolve /D 0.5 >> /Dur 3") << true << dissolve << 3.0;
        PageTransition split;
        split.style = Style::split;
        split.vertical = true;
        split.outward = true;
        QTest::newRow("split") << QByteArray("/Trans << /S /Split /Dm /V /M /O >>") << true << split
                               << 0.0;
        PageTransition fly;
        fly.style = Style::fly;
        fly.direction = PageTransition::noDirection;
        fly.flyScale = 0.5;
        QTest::newRow("fly") << QByteArray("/Trans << /S /Fly /Di /None /SS 0.5 >>") << true << fly
                             << 0.0;
        PageTransition wipe;
        wipe.style = Style::wipe;
        wipe.direction = 270;
        wipe.seconds = PageNavigation::longestTransition;
        QTest::newRow("wipe, too long")
            << QByteArray("/Trans << /S /Wipe /Di 270 /D 100000 >>") << true << wipe << 0.0;
        QTest::newRow("unknown style, negative time")
            << QByteArray("/Trans << /S /Spin >> /Dur -4") << true << PageTransition() << 0.0;
        QTest::newRow("none") << QByteArray() << false << PageTransition() << 0.0;
    }
    void readsTransitionsAndDisplayTimes() {
        QFETCH(QByteArray, entries);
        QFETCH(bool, hasTransition);
        QFETCH(PageTransition, transition);
        QFETCH(double, display);
        Page timed = page({0, 0, 400, 300});
        timed.entries = entries;
        const QString file = path(QStringLiteral("timed-%1.pdf").arg(QTest::currentDataTag()));
        QVERIFY(TestPdfs::write(file, {timed}));
        const auto engine = MupdfEngine::open(file);
        QVERIFY(engine);
        const PageNavigation read = engine->navigation(0);
        QCOMPARE(read.transition.has_value(), hasTransition);
        if (hasTransition)
            QVERIFY(*read.transition == transition);
        QCOMPARE(read.displaySeconds.value_or(0), display);
    }

    // A deck as LaTeX beamer writes it: the table of contents and the return buttons lead to
    // their pages through named destinations, the navigation symbols are pages and named
    // actions (two of them, Find and GoToPage, refused), each frame's transition is read and the
    // overlays of a frame share theirs.
    void readsARealBeamerDeck() {
        const auto engine =
            MupdfEngine::open(TestSupport::dataPath("document/beamer-navigation.pdf"));
        QVERIFY(engine);
        QCOMPARE(engine->pageCount(), 7);
        const auto targets = [&engine](qint64 page, Kind kind, double below) {
            QList<QVariant> found;
            for (const PageLink& link : engine->navigation(page).links)
                if (link.kind == kind && link.area.top() < below)
                    found.append(kind == Kind::destination ? QVariant(link.page)
                                 : kind == Kind::action    ? QVariant(int(link.action))
                                                           : QVariant(link.text));
            return found;
        };
        // Above the navigation symbols, which lie along the bottom edge.
        constexpr double content = 0.9;
        QCOMPARE(targets(0, Kind::destination, content), (QList<QVariant>{1, 2, 4}));
        QCOMPARE(targets(1, Kind::destination, content), QList<QVariant>{0});
        QCOMPARE(targets(3, Kind::destination, content), QList<QVariant>{5});
        QCOMPARE(targets(4, Kind::uri, content), QList<QVariant>{"https://example.org/talk"});
        QCOMPARE(targets(5, Kind::action, content), QList<QVariant>{int(PageLink::Action::back)});
        QCOMPARE(targets(2, Kind::action, 1),
                 (QList<QVariant>{int(PageLink::Action::back), int(PageLink::Action::forward)}));
        QCOMPARE(targets(2, Kind::unsupported, 1), (QList<QVariant>{"GoToPage", "Find"}));
        // The symbols for the frame before and after lead to those frames' pages.
        const QList<QVariant> symbols = targets(2, Kind::destination, 1);
        QVERIFY(symbols.contains(1) && symbols.contains(4) && symbols.contains(5));

        const auto transition = [&engine](qint64 page) {
            return engine->navigation(page).transition;
        };
        QCOMPARE(transition(0)->style, Style::replace);
        QCOMPARE(transition(1)->style, Style::dissolve);
        QCOMPARE(transition(1)->seconds, 0.5);
        for (const qint64 overlay : {2, 3}) {
            QCOMPARE(transition(overlay)->style, Style::split);
            QVERIFY(transition(overlay)->vertical && transition(overlay)->outward);
        }
        QCOMPARE(transition(4)->style, Style::wipe);
        QCOMPARE(transition(4)->direction, 90);
        QCOMPARE(engine->navigation(4).displaySeconds, std::optional<double>(3));
        QCOMPARE(transition(5)->style, Style::glitter);
        QCOMPARE(transition(5)->direction, 315);
        QCOMPARE(transition(6)->style, Style::box);
        QVERIFY(!transition(6)->outward);
    }

    // What crosses from the worker: a faithful round trip, and from damaged or hostile bytes
    // nothing, or only what lies on the page.
    void bytesFromTheWorkerAreChecked() {
        PageNavigation sent;
        sent.links = {
            {QRectF(0.1, 0.2, 0.3, 0.4), Kind::destination, 4, PageLink::Action::none, "agenda"},
            {QRectF(0, 0, 1, 1), Kind::action, -1, PageLink::Action::last, {}}};
        PageTransition glitter;
        glitter.style = Style::glitter;
        glitter.direction = 315;
        sent.transition = glitter;
        sent.displaySeconds = 2.5;
        const QByteArray bytes = sent.toBytes();
        QVERIFY(PageNavigation::fromBytes(bytes) == sent);
        for (qsizetype cut = 0; cut < bytes.size(); cut += 7)
            QVERIFY(PageNavigation::fromBytes(bytes.left(cut)) == PageNavigation());

        PageNavigation odd;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        odd.links = {{QRectF(nan, 0, 1, 1), Kind::page, 1, PageLink::Action::none, {}},
                     {QRectF(0.5, 0.5, 2, 2), Kind::page, -7, PageLink::Action::none, {}}};
        PageTransition wild;
        wild.seconds = nan;
        wild.direction = -90;
        wild.flyScale = 4;
        odd.transition = wild;
        odd.displaySeconds = std::numeric_limits<double>::infinity();
        const PageNavigation read = PageNavigation::fromBytes(odd.toBytes());
        QCOMPARE(read.links.size(), 1);
        QCOMPARE(read.links[0].area, QRectF(0.5, 0.5, 0.5, 0.5));
        QCOMPARE(read.links[0].page, -1);
        QCOMPARE(read.transition->seconds, 1.0);
        QCOMPARE(read.transition->direction, 270);
        QCOMPARE(read.transition->flyScale, 1.0);
        QVERIFY(!read.displaySeconds);

        // A count beyond the bound, or an unknown kind, spoils the whole answer.
        QByteArray many = bytes;
        many[6] = char(0x10);
        QVERIFY(PageNavigation::fromBytes(many) == PageNavigation());
        PageNavigation unknown = sent;
        QByteArray strange = unknown.toBytes();
        const qsizetype kindAt = 8 + 4 * 8;
        strange[kindAt] = char(99);
        QVERIFY(PageNavigation::fromBytes(strange) == PageNavigation());
    }
};

QTEST_GUILESS_MAIN(PageNavigationTest)
#include "PageNavigationTest.moc"
