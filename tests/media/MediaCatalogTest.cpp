// The media catalogue reads the whole deck in the background and lets its engine (a worker
// process in the program) go once no page embeds a clip; with an embedded clip it keeps it, for
// taking the clip out.
#include "media/MediaCatalog.h"
#include "support/TestSupport.h"

#include <atomic>
#include <memory>

namespace {

class CountedEngine : public PageEngine {
public:
    CountedEngine(std::shared_ptr<std::atomic_int> alive, int embeddedPage)
        : alive(std::move(alive)), embeddedPage(embeddedPage) {
        ++*this->alive;
    }
    ~CountedEngine() override { --*alive; }

    qint64 pageCount() const override { return 5; }
    QSizeF pageSize(qint64) const override { return {400, 300}; }
    QString pageLabel(qint64 page) const override { return QString::number(page + 1); }
    QStringList noteTexts(qint64) const override { return {}; }
    QImage drawPage(qint64, QSize, QRectF, const std::atomic_bool*) const override { return {}; }
    QList<MediaLink> pageMedia(qint64 page) const override {
        if (page != 2)
            return {};
        MediaLink clip;
        clip.kind = MediaLink::Kind::movie;
        clip.rect = QRectF(0.1, 0.1, 0.5, 0.5);
        clip.embedded = page == embeddedPage;
        clip.target = clip.embedded ? QString() : QStringLiteral("clip.mp4");
        return {clip};
    }

private:
    std::shared_ptr<std::atomic_int> alive;
    const int embeddedPage;
};

EngineFactory factory(const std::shared_ptr<std::atomic_int>& alive, int embeddedPage) {
    EngineFactory engines;
    engines.open = [alive, embeddedPage](const QString&, const QString&, OpenStatus*) {
        return std::make_unique<CountedEngine>(alive, embeddedPage);
    };
    return engines;
}

} // namespace

class MediaCatalogTest : public QObject {
    Q_OBJECT

private slots:
    void engineGoesOnceTheDeckIsReadWithoutEmbeddedClips() {
        const auto alive = std::make_shared<std::atomic_int>(0);
        MediaCatalog catalog;
        catalog.setDeck(factory(alive, -1), QStringLiteral("deck.pdf"));
        QSignalSpy read(&catalog, &MediaCatalog::pageRead);
        QVERIFY(!catalog.media(2));
        QTRY_COMPARE(read.size(), 1);
        QCOMPARE(catalog.media(2)->size(), 1);
        QCOMPARE(catalog.media(2)->first().target, QStringLiteral("clip.mp4"));
        // Every page is known without being asked for, and the engine is gone.
        QTRY_VERIFY(catalog.media(4).has_value());
        QTRY_COMPARE(alive->load(), 0);
    }

    void engineStaysForAnEmbeddedClip() {
        const auto alive = std::make_shared<std::atomic_int>(0);
        MediaCatalog catalog;
        catalog.setDeck(factory(alive, 2), QStringLiteral("deck.pdf"));
        QTRY_VERIFY(catalog.media(4).has_value());
        QTest::qWait(50);
        QCOMPARE(alive->load(), 1);
        catalog.setDeck({}, {});
        QTRY_COMPARE(alive->load(), 0);
    }
};

ORVL_TEST_MAIN(MediaCatalogTest)
#include "MediaCatalogTest.moc"
