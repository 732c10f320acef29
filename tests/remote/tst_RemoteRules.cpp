// The remote control's rules without a network: tokens, bans and rates, what a path or an OSC
// message asks for, the state as phones and desks read it, settings, the QR code and the
// picture requests.
#include "remote/OscReceiver.h"
#include "remote/QrCode.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteGuard.h"
#include "remote/RemoteTypes.h"
#include "remote/SlideImages.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <lo/lo.h>

Q_DECLARE_METATYPE(std::optional<RemoteRequest>)

namespace {

using Verdict = RemoteGuard::Verdict;

const QHostAddress desk(QStringLiteral("192.168.1.20"));
const QHostAddress intruder(QStringLiteral("192.168.1.66"));

QByteArray oscDatagram(const char* path, const std::function<void(lo_message)>& fill) {
    lo_message message = lo_message_new();
    fill(message);
    size_t size = 0;
    void* bytes = lo_message_serialise(message, path, nullptr, &size);
    QByteArray datagram(static_cast<const char*>(bytes), qsizetype(size));
    std::free(bytes);
    lo_message_free(message);
    return datagram;
}

} // namespace

class TestRemoteRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void tokensAreFreshAndCompareExactly() {
        const QByteArray token = RemoteGuard::freshToken();
        QCOMPARE(token.size(), 32); // 192 bits in base64url
        QCOMPARE(QByteArray::fromBase64(token, QByteArray::Base64UrlEncoding).size(), 24);
        QVERIFY(token != RemoteGuard::freshToken());
        QVERIFY(RemoteGuard::sameToken(token, token));
        QVERIFY(!RemoteGuard::sameToken(token.left(31), token));
        QVERIFY(!RemoteGuard::sameToken(token + 'x', token));
        QByteArray lastWrong = token;
        lastWrong[31] = lastWrong[31] == 'A' ? 'B' : 'A';
        QVERIFY(!RemoteGuard::sameToken(lastWrong, token));
        QVERIFY(!RemoteGuard::sameToken({}, token));
        // Without a token (the switch off) nothing matches, not even nothing.
        QVERIFY(!RemoteGuard::sameToken({}, {}));
    }

    void wrongTokensBanTheAddressForAWhile() {
        auto clock = std::make_shared<ManualClock>();
        RemoteGuard guard(clock, {});
        guard.setToken("secret");
        for (int i = 0; i < 4; ++i)
            QCOMPARE(guard.check(intruder, "guess"), Verdict::WrongToken);
        QVERIFY(!guard.banned(intruder));
        QCOMPARE(guard.check(intruder, "guess"), Verdict::WrongToken);
        QVERIFY(guard.banned(intruder));
        // Banned means ignored, even with the right token; other addresses are not touched.
        QCOMPARE(guard.check(intruder, "secret"), Verdict::Banned);
        QCOMPARE(guard.check(desk, "secret"), Verdict::Allowed);
        clock->advance(RemoteGuard::Limits{}.banMs - 1);
        QCOMPARE(guard.check(intruder, "secret"), Verdict::Banned);
        clock->advance(2);
        QCOMPARE(guard.check(intruder, "secret"), Verdict::Allowed);
    }

    void failuresSpreadOverTimeDoNotBan() {
        auto clock = std::make_shared<ManualClock>();
        RemoteGuard guard(clock, {});
        guard.setToken("secret");
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(guard.check(desk, "typo"), Verdict::WrongToken);
            clock->advance(RemoteGuard::Limits{}.failureWindowMs / 3);
        }
        QVERIFY(!guard.banned(desk));
    }

    void requestsAreLimitedPerAddress() {
        auto clock = std::make_shared<ManualClock>();
        RemoteGuard::Limits limits;
        limits.burst = 10;
        limits.requestsPerSecond = 5;
        RemoteGuard guard(clock, limits);
        guard.setToken("secret");
        for (int i = 0; i < 10; ++i)
            QCOMPARE(guard.check(desk, "secret"), Verdict::Allowed);
        QCOMPARE(guard.check(desk, "secret"), Verdict::TooMany);
        QCOMPARE(guard.admit(desk), Verdict::TooMany);
        QCOMPARE(guard.check(intruder, "secret"), Verdict::Allowed);
        clock->advance(200); // one request's worth
        QCOMPARE(guard.check(desk, "secret"), Verdict::Allowed);
        QCOMPARE(guard.check(desk, "secret"), Verdict::TooMany);
        // A flood of wrong tokens is limited before its tokens are even compared.
        for (int i = 0; i < 100; ++i)
            guard.check(intruder, "guess");
        clock->advance(limits.banMs + 1);
        QVERIFY(!guard.banned(intruder));
    }

    void theAddressTableStaysBoundedAndKeepsBans() {
        auto clock = std::make_shared<ManualClock>();
        RemoteGuard::Limits limits;
        limits.addressesKept = 8;
        RemoteGuard guard(clock, limits);
        guard.setToken("secret");
        for (int i = 0; i < 5; ++i)
            guard.check(intruder, "guess");
        for (quint32 i = 1; i <= 1000; ++i) {
            clock->advance(1);
            guard.check(QHostAddress(0x0A000000u + i), "secret");
        }
        QVERIFY(guard.banned(intruder));
        guard.reset();
        QVERIFY(!guard.banned(intruder));
    }

    void apiPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<std::optional<RemoteRequest>>("expected");
        const auto none = std::optional<RemoteRequest>();
        const auto plain = [](RemoteCommand command) {
            return std::optional(RemoteRequest{command, 0});
        };
        QTest::newRow("next") << "/api/v1/next" << plain(RemoteCommand::Next);
        QTest::newRow("previous") << "/api/v1/previous" << plain(RemoteCommand::Previous);
        QTest::newRow("black") << "/api/v1/black" << plain(RemoteCommand::Black);
        QTest::newRow("white") << "/api/v1/white" << plain(RemoteCommand::White);
        QTest::newRow("show") << "/api/v1/show" << plain(RemoteCommand::Show);
        QTest::newRow("start") << "/api/v1/start" << plain(RemoteCommand::Start);
        QTest::newRow("stop") << "/api/v1/stop" << plain(RemoteCommand::Stop);
        QTest::newRow("goto 12") << "/api/v1/goto/12"
                                 << std::optional(RemoteRequest{RemoteCommand::GoTo, 12});
        QTest::newRow("goto without a number") << "/api/v1/goto" << none;
        QTest::newRow("goto 0") << "/api/v1/goto/0" << none;
        QTest::newRow("goto negative") << "/api/v1/goto/-1" << none;
        QTest::newRow("goto exponent") << "/api/v1/goto/1e3" << none;
        QTest::newRow("goto seven digits") << "/api/v1/goto/1234567" << none;
        QTest::newRow("goto with more") << "/api/v1/goto/3/4" << none;
        QTest::newRow("state reads only") << "/api/v1/state" << none;
        QTest::newRow("capitals") << "/api/v1/Next" << none;
        QTest::newRow("trailing slash") << "/api/v1/next/" << none;
        QTest::newRow("other version") << "/api/v2/next" << none;
        QTest::newRow("quit") << "/api/v1/quit" << none;
        QTest::newRow("open") << "/api/v1/open" << none;
        QTest::newRow("settings") << "/api/v1/settings" << none;
    }
    void apiPaths() {
        QFETCH(QString, path);
        QFETCH(std::optional<RemoteRequest>, expected);
        QCOMPARE(apiRequest(path), expected);
        QCOMPARE(isApiStatePath(path), path == QLatin1String("/api/v1/state"));
    }

    void oscMessages_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<std::optional<RemoteRequest>>("expected");
        const auto none = std::optional<RemoteRequest>();
        const auto goTo = std::optional(RemoteRequest{RemoteCommand::GoTo, 3});
        QTest::newRow("next") << "/orvello/next" << QVariantList{}
                              << std::optional(RemoteRequest{RemoteCommand::Next, 0});
        QTest::newRow("next with an argument") << "/orvello/next" << QVariantList{5} << none;
        QTest::newRow("goto integer") << "/orvello/goto" << QVariantList{3} << goTo;
        QTest::newRow("goto whole float") << "/orvello/goto" << QVariantList{3.0f} << goTo;
        QTest::newRow("goto text") << "/orvello/goto" << QVariantList{QStringLiteral("3")} << goTo;
        QTest::newRow("goto fraction") << "/orvello/goto" << QVariantList{3.5} << none;
        QTest::newRow("goto not a number") << "/orvello/goto" << QVariantList{std::nan("")} << none;
        QTest::newRow("goto 0") << "/orvello/goto" << QVariantList{0} << none;
        QTest::newRow("goto huge") << "/orvello/goto" << QVariantList{qlonglong(1) << 40} << none;
        QTest::newRow("goto without a number") << "/orvello/goto" << QVariantList{} << none;
        QTest::newRow("goto blob") << "/orvello/goto" << QVariantList{QVariant()} << none;
        QTest::newRow("other prefix") << "/other/next" << QVariantList{} << none;
        QTest::newRow("quit") << "/orvello/quit" << QVariantList{} << none;
    }
    void oscMessages() {
        QFETCH(QString, address);
        QFETCH(QVariantList, arguments);
        QFETCH(std::optional<RemoteRequest>, expected);
        QCOMPARE(oscRequest(address, arguments), expected);
    }

    void oscDatagramsAreDecodedByLiblo() {
        const auto goTo = OscReceiver::decode(oscDatagram("/orvello/goto",
                                                          [](lo_message message) {
                                                              lo_message_add_string(message, "tok");
                                                              lo_message_add_int32(message, 7);
                                                          }),
                                              desk);
        QVERIFY(goTo);
        QCOMPARE(goTo->token, QByteArray("tok"));
        QCOMPARE(goTo->from, desk);
        QCOMPARE(goTo->request, std::optional(RemoteRequest{RemoteCommand::GoTo, 7}));

        // A message whose first argument is no text carries no token: nothing to judge.
        const QByteArray numberFirst = oscDatagram(
            "/orvello/next", [](lo_message message) { lo_message_add_int32(message, 1); });
        QVERIFY(!OscReceiver::decode(numberFirst, desk));
        QVERIFY(!OscReceiver::decode(oscDatagram("/orvello/next", [](lo_message) {}), desk));

        // Cut short, or no OSC at all.
        const QByteArray next = oscDatagram(
            "/orvello/next", [](lo_message message) { lo_message_add_string(message, "tok"); });
        for (qsizetype length = 0; length < next.size(); ++length)
            QVERIFY(!OscReceiver::decode(next.left(length), desk));
        QVERIFY(!OscReceiver::decode(QByteArray(512, '\xff'), desk));
        QVERIFY(!OscReceiver::decode("GET / HTTP/1.1\r\n\r\n", desk));

        // A well-formed message with an unknown address still carries its token.
        const auto unknown = OscReceiver::decode(
            oscDatagram("/orvello/quit",
                        [](lo_message message) { lo_message_add_string(message, "tok"); }),
            desk);
        QVERIFY(unknown);
        QVERIFY(!unknown->request);
    }

    void stateAsPhonesAndDesksReadIt() {
        RemoteState state;
        state.slideIndex = 2;
        state.slideCount = 9;
        state.blank = RemoteBlank::White;
        state.talkTime = QStringLiteral("12:34");
        const QJsonObject api = apiStateJson(state);
        QCOMPARE(api.value(QStringLiteral("slide")).toInt(), 3);
        QCOMPARE(api.value(QStringLiteral("count")).toInt(), 9);
        QCOMPARE(api.value(QStringLiteral("blanking")).toString(), QStringLiteral("white"));
        QVERIFY(api.value(QStringLiteral("remaining")).isNull());
        QCOMPARE(api.keys(), (QStringList{"blanking", "count", "presenting", "remaining", "slide",
                                          "talkTime"}));
        state.remainingSeconds = -30; // over time
        QCOMPARE(apiStateJson(state).value(QStringLiteral("remaining")).toInt(), -30);
        // Without a deck there is no slide 1.
        QCOMPARE(phoneStateJson(RemoteState{}).value(QStringLiteral("slide")).toInt(), 0);
    }

    void settingsFromPreferences() {
        Preferences::clearForTests();
        QCOMPARE(RemoteSettings::fromPreferences(), RemoteSettings{});
        QVERIFY(!RemoteSettings::fromPreferences().enabled);
        QVERIFY(Preferences::setOverrideFromArgument(QStringLiteral("remoteEnabled=true")));
        QVERIFY(Preferences::setOverrideFromArgument(QStringLiteral("remoteInterface=wlan0")));
        QVERIFY(Preferences::setOverrideFromArgument(QStringLiteral("remotePort=8080")));
        QVERIFY(Preferences::setOverrideFromArgument(QStringLiteral("remoteOscPort=70000")));
        const RemoteSettings settings = RemoteSettings::fromPreferences();
        QVERIFY(settings.enabled);
        QCOMPARE(settings.interfaceName, QStringLiteral("wlan0"));
        QCOMPARE(settings.httpPort, quint16(8080));
        QCOMPARE(settings.oscPort, RemoteSettings{}.oscPort);
        Preferences::clearForTests();
    }

    void listenAddresses() {
        QCOMPARE(remoteListenAddress(QStringLiteral("127.0.0.1")), QHostAddress::LocalHost);
        QCOMPARE(remoteListenAddress(QStringLiteral("lo")), QHostAddress::LocalHost);
        QVERIFY(remoteListenAddress(QStringLiteral("nosuch0")).isNull());
        QVERIFY(remoteListenAddress(QStringLiteral("::1")).isNull());
    }

    void qrCodeHasFinderPatternsAndQuietZone() {
        const QString address =
            QStringLiteral("http://192.168.178.20:9180/?token=") + RemoteGuard::freshToken();
        const int module = 3;
        const QImage code = QrCode::image(address, module);
        QVERIFY(!code.isNull());
        QCOMPARE(code.width(), code.height());
        const int modules = code.width() / module;
        QCOMPARE((modules - 8 - 21) % 4, 0); // versions grow by four modules
        const auto dark = [&](int x, int y) {
            return qGray(code.pixel(x * module + 1, y * module + 1)) < 128;
        };
        for (int i = 0; i < modules; ++i) {
            QVERIFY(!dark(i, 0) && !dark(i, 3) && !dark(0, i) && !dark(3, i));
        }
        // The three finder patterns: a dark ring of seven modules around a dark centre.
        for (const auto& [x, y] : {std::pair{4, 4}, {modules - 11, 4}, {4, modules - 11}}) {
            QVERIFY(dark(x, y) && dark(x + 6, y + 6) && dark(x + 3, y + 3));
            QVERIFY(!dark(x + 1, y + 1) && !dark(x + 5, y + 5));
        }
        QVERIFY(QrCode::image(QString(8000, QLatin1Char('x')), module).isNull());
    }

    void picturesAreSharedAndBounded() {
        SlideImages::Limits limits;
        limits.inFlight = 2;
        SlideImages images(limits);
        QList<std::pair<qint64, QSize>> asked;
        QList<std::function<void(QImage)>> answers;
        images.setProvider([&](qint64 page, QSize pixels, std::function<void(QImage)> done) {
            asked.append({page, pixels});
            answers.append(std::move(done));
        });
        QList<QByteArray> delivered;
        const auto collect = [&](const QByteArray& jpeg) { delivered.append(jpeg); };

        images.request(3, {99999, 0}, 1, collect);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().second, QSize(2560, 16)); // clamped
        images.request(3, {99999, 0}, 1, collect);       // shares the first
        images.request(4, {320, 180}, 1, collect);
        images.request(5, {320, 180}, 1, collect); // a third at once is too much
        QCOMPARE(asked.size(), 2);
        QCOMPARE(delivered, QList<QByteArray>{QByteArray()});

        QImage picture(320, 180, QImage::Format_RGB32);
        picture.fill(Qt::red);
        answers[1](picture);
        QTRY_COMPARE(delivered.size(), 2);
        QVERIFY(delivered.last().startsWith("\xff\xd8")); // JPEG
        // Kept: asked again, answered without the program.
        images.request(4, {320, 180}, 1, collect);
        QCOMPARE(delivered.size(), 3);
        QCOMPARE(asked.size(), 2);

        // Another deck: nothing kept.
        images.request(4, {320, 180}, 2, collect);
        QCOMPARE(asked.size(), 3);
        // Dropping everything answers both requests still waiting for page 3 and the new one.
        images.clear();
        QCOMPARE(delivered.size(), 6);
        QVERIFY(delivered[3].isEmpty() && delivered[4].isEmpty() && delivered[5].isEmpty());
        answers[0](picture);
        QTest::qWait(50);
        QCOMPARE(delivered.size(), 6);
    }

    void aPictureThatNeverComesIsGivenUp() {
        SlideImages::Limits limits;
        limits.waitMs = 10;
        SlideImages images(limits);
        std::function<void(QImage)> answer;
        images.setProvider(
            [&](qint64, QSize, std::function<void(QImage)> done) { answer = std::move(done); });
        QList<QByteArray> delivered;
        images.request(1, {320, 180}, 1, [&](const QByteArray& jpeg) { delivered.append(jpeg); });
        QTRY_COMPARE(delivered.size(), 1);
        QVERIFY(delivered.first().isEmpty());
        // The late answer finds nobody waiting.
        QImage picture(320, 180, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        answer(picture);
        QTest::qWait(50);
        QCOMPARE(delivered.size(), 1);
    }
};

ORVL_TEST_MAIN(TestRemoteRules)
#include "tst_RemoteRules.moc"
