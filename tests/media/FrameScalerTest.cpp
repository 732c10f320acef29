// Decoded frames become pictures through libswscale with the colours Qt's own conversion gives,
// whatever the planes' layout, and at the sizes asked for.
#include "media/FrameScaler.h"
#include "support/TestSupport.h"

#include <QVideoFrameFormat>

namespace {

constexpr int width = 64;
constexpr int height = 32;

// A frame with luma rising to the right and chroma changing down and across, so that a swapped
// or misread plane changes the colours; or of one colour.
QVideoFrame frameOf(QVideoFrameFormat::PixelFormat format,
                    QVideoFrameFormat::ColorSpace space = QVideoFrameFormat::ColorSpace_BT601,
                    bool uniform = false) {
    QVideoFrameFormat surface(QSize(width, height), format);
    surface.setColorSpace(space);
    surface.setColorRange(QVideoFrameFormat::ColorRange_Video);
    QVideoFrame frame(surface);
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    const auto u = [uniform](int x, int y) { return uchar(uniform ? 60 : 60 + 2 * y + x); };
    const auto v = [uniform](int x, int y) { return uchar(uniform ? 200 : 200 - 3 * y - x); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            frame.bits(0)[y * frame.bytesPerLine(0) + x] = uchar(uniform ? 100 : 20 + 3 * x);
    }
    for (int y = 0; y < height / 2; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            if (format == QVideoFrameFormat::Format_NV12) {
                frame.bits(1)[y * frame.bytesPerLine(1) + 2 * x] = u(x, y);
                frame.bits(1)[y * frame.bytesPerLine(1) + 2 * x + 1] = v(x, y);
            } else {
                const bool swapped = format == QVideoFrameFormat::Format_YV12;
                frame.bits(swapped ? 2 : 1)[y * frame.bytesPerLine(1) + x] = u(x, y);
                frame.bits(swapped ? 1 : 2)[y * frame.bytesPerLine(2) + x] = v(x, y);
            }
        }
    }
    frame.unmap();
    return frame;
}

// The channels' mean difference: a misread plane or another colour matrix moves every pixel,
// rounding and the chroma's interpolation at edges only a few.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class FrameScalerTest : public QObject {
    Q_OBJECT

private slots:
    void coloursAsQtConvertsThem_data() {
        QTest::addColumn<QVideoFrameFormat::PixelFormat>("format");
        QTest::newRow("planar 4:2:0") << QVideoFrameFormat::Format_YUV420P;
        QTest::newRow("planar, V before U") << QVideoFrameFormat::Format_YV12;
        QTest::newRow("interleaved chroma") << QVideoFrameFormat::Format_NV12;
    }
    void coloursAsQtConvertsThem() {
        QFETCH(QVideoFrameFormat::PixelFormat, format);
        const QVideoFrame frame = frameOf(format);
        QVERIFY(frame.isValid());
        const QImage reference = frame.toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(reference.size(), QSize(width, height));
        FrameScaler scaler;
        const QList<QImage> pictures =
            scaler.scaled(frame, {QSize(width, height), QSize(width / 2, height / 2), QSize()});
        QCOMPARE(pictures.size(), 3);
        QCOMPARE(pictures.at(0).format(), QImage::Format_RGB32);
        const double same = meanDifference(pictures.at(0), reference);
        QVERIFY2(same <= 2.5, qPrintable(QString::number(same)));
        QCOMPARE(pictures.at(1).size(), QSize(width / 2, height / 2));
        const double half = meanDifference(
            pictures.at(1), reference.scaled(width / 2, height / 2, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation));
        QVERIFY2(half <= 4, qPrintable(QString::number(half)));
        QVERIFY(pictures.at(2).isNull());
        // Asked again at other sizes, the kept contexts follow.
        const QList<QImage> again = scaler.scaled(frame, {QSize(16, 8)});
        QCOMPARE(again.at(0).size(), QSize(16, 8));
    }

    void highDefinitionColours() {
        // Y 100, U 60, V 200 in video range: BT.709 gives (227, 74, 0), BT.601 (213, 66, 0).
        FrameScaler scaler;
        const QImage hd = scaler
                              .scaled(frameOf(QVideoFrameFormat::Format_YUV420P,
                                              QVideoFrameFormat::ColorSpace_BT709, true),
                                      {QSize(width, height)})
                              .at(0);
        const QColor colour = hd.pixelColor(width / 2, height / 2);
        QVERIFY2(std::abs(colour.red() - 227) <= 3 && std::abs(colour.green() - 74) <= 3 &&
                     colour.blue() <= 3,
                 qPrintable(colour.name()));
    }
};

ORVL_TEST_MAIN(FrameScalerTest)
#include "FrameScalerTest.moc"
