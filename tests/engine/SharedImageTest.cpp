// Images in shared memory, as the program hands them to a worker: whatever the worker does with a
// buffer, it keeps the size the program's mapping was made for.
#include "engine/SharedImage.h"
#include "support/TestSupport.h"

#include <cerrno>

#include <unistd.h>

class SharedImageTest : public QObject {
    Q_OBJECT

private slots:
    void aBufferKeepsItsSize_data() {
        QTest::addColumn<off_t>("size");
        QTest::newRow("shrunk to nothing") << off_t(0);
        QTest::newRow("shrunk by a row") << off_t(64 * 4 * 35);
        QTest::newRow("grown") << off_t(64 * 4 * 37);
    }
    void aBufferKeepsItsSize() {
        QFETCH(off_t, size);
        const std::optional<SharedImage::Buffer> buffer =
            SharedImage::take(SharedImage::bytesFor(QSize(64, 36)));
        QVERIFY(buffer);
        QCOMPARE(ftruncate(buffer->fd, size), -1);
        QCOMPARE(errno, EPERM);
        SharedImage::discard(*buffer);
    }
};

ORVL_TEST_MAIN(SharedImageTest)
#include "SharedImageTest.moc"
