// Writes the bundled sample deck (or, with --heavy, a deck that is slow to draw, for benchmarks).
// Regenerate the bundled one with: cmake --build <build> --target sample-deck
#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

constexpr double slideWidth = 960;
constexpr double slideHeight = 540;
constexpr int slideCount = 12;
// This page is drawn on its side and turned upright by the page rotation.
constexpr int rotatedSlide = 8;

const QColor ink(0x1d, 0x26, 0x33);
const QColor accent(0xe0, 0x6c, 0x2b);
const QColor muted(0x5f, 0x6b, 0x7a);
const QList<QColor> series = {QColor(0x2b, 0x6c, 0xb0), QColor(0xe0, 0x6c, 0x2b),
                              QColor(0x3a, 0x9d, 0x5d), QColor(0x8e, 0x5b, 0xb5)};

// Smooth pseudo-random values on a lattice, for hills and clouds.
double latticeNoise(int x, int y, quint32 seed) {
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double(h ^ (h >> 16)) / 4294967295.0;
}

double smoothNoise(double x, double y, quint32 seed) {
    const int ix = int(std::floor(x));
    const int iy = int(std::floor(y));
    const double fx = x - ix;
    const double fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = latticeNoise(ix, iy, seed) * (1 - sx) + latticeNoise(ix + 1, iy, seed) * sx;
    const double bottom =
        latticeNoise(ix, iy + 1, seed) * (1 - sx) + latticeNoise(ix + 1, iy + 1, seed) * sx;
    return top * (1 - sy) + bottom * sy;
}

double fractalNoise(double x, double y, quint32 seed) {
    double sum = 0;
    double amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * smoothNoise(x, y, seed + octave);
        x *= 2;
        y *= 2;
        amplitude *= 0.5;
    }
    return sum;
}

// A landscape photograph made up from noise: sky, sun, clouds, two ranges of hills, a lake.
QImage landscape(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const double scale = 6.0 / width;
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double grain = (latticeNoise(x, y, 99) - 0.5) * 10;
            double r = 90 + 120 * v;
            double g = 140 + 80 * v;
            double b = 230 - 20 * v;
            const double sun = std::hypot(u - 0.72, (v - 0.28) * height / width);
            if (sun < 0.05) {
                r = 255;
                g = 236;
                b = 180;
            } else {
                const double glow = std::max(0.0, 1 - sun / 0.25);
                r += 60 * glow;
                g += 40 * glow;
            }
            const double cloud = fractalNoise(x * scale, y * scale * 3, 7);
            if (v < 0.45 && cloud > 0.55) {
                const double cover = std::min(1.0, (cloud - 0.55) * 5);
                r += (245 - r) * cover;
                g += (245 - g) * cover;
                b += (250 - b) * cover;
            }
            const double farRidge = 0.48 + 0.12 * fractalNoise(x * scale * 0.5, 0, 11);
            const double nearRidge = 0.62 + 0.14 * fractalNoise(x * scale * 0.7, 1, 23);
            const double texture = fractalNoise(x * scale * 4, y * scale * 4, 31);
            if (v > 0.8) {
                const double ripple = std::sin(y * 0.9 + 6 * smoothNoise(x * scale, y * scale, 5));
                r = 40 + 30 * v + 10 * ripple;
                g = 90 + 40 * v + 10 * ripple;
                b = 140 + 30 * v + 12 * ripple;
            } else if (v > nearRidge) {
                r = 50 + 60 * texture;
                g = 95 + 70 * texture;
                b = 40 + 30 * texture;
            } else if (v > farRidge) {
                r = 95 + 40 * texture;
                g = 115 + 40 * texture;
                b = 140 + 30 * texture;
            }
            row[x] = qRgb(std::clamp(int(r + grain), 0, 255), std::clamp(int(g + grain), 0, 255),
                          std::clamp(int(b + grain), 0, 255));
        }
    }
    return image;
}

QFont font(double pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(int(pixelSize));
    chosen.setWeight(weight);
    return chosen;
}

void frame(QPainter& painter, int number, const QString& title) {
    painter.fillRect(QRectF(0, 0, slideWidth, slideHeight), QColor(0xf7, 0xf5, 0xf0));
    painter.fillRect(QRectF(0, 0, 14, slideHeight), accent);
    painter.setPen(ink);
    painter.setFont(font(40, QFont::Bold));
    painter.drawText(QRectF(60, 40, 840, 60), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setPen(muted);
    painter.setFont(font(14));
    painter.drawText(QRectF(60, 500, 840, 24), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 / %2").arg(number).arg(slideCount));
}

void bullets(QPainter& painter, const QStringList& lines, double top = 140) {
    painter.setFont(font(26));
    for (const QString& line : lines) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawEllipse(QPointF(74, top + 17), 5, 5);
        painter.setPen(ink);
        painter.drawText(QRectF(96, top, 800, 36), Qt::AlignLeft | Qt::AlignVCenter, line);
        top += 56;
    }
}

void barChart(QPainter& painter, const QRectF& area) {
    const QList<QList<double>> values = {{32, 41, 38}, {45, 52, 61}, {51, 49, 70}, {60, 72, 84}};
    painter.setPen(QPen(muted, 1));
    for (int tick = 0; tick <= 4; ++tick) {
        const double y = area.bottom() - area.height() * tick / 4;
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setFont(font(12));
        painter.drawText(QRectF(area.left() - 44, y - 10, 38, 20), Qt::AlignRight,
                         QString::number(tick * 25));
    }
    const double group = area.width() / values.size();
    for (int quarter = 0; quarter < values.size(); ++quarter) {
        for (int bar = 0; bar < 3; ++bar) {
            const double height = area.height() * values[quarter][bar] / 100;
            const QRectF rect(area.left() + quarter * group + 20 + bar * (group - 40) / 3,
                              area.bottom() - height, (group - 40) / 3 - 6, height);
            painter.fillRect(rect, series[bar]);
        }
        painter.setPen(ink);
        painter.drawText(QRectF(area.left() + quarter * group, area.bottom() + 6, group, 20),
                         Qt::AlignCenter, QStringLiteral("Q%1").arg(quarter + 1));
    }
}

void lineChart(QPainter& painter, const QRectF& area, int curves, int points) {
    painter.setPen(QPen(muted, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int curve = 0; curve < curves; ++curve) {
        QPainterPath path;
        for (int point = 0; point <= points; ++point) {
            const double t = double(point) / points;
            const double value =
                0.5 +
                0.3 * std::sin(t * 6.3 * (1 + curve % 3) + curve) * std::cos(t * 2 + curve * 0.7) +
                0.1 * (smoothNoise(t * 40, curve, 3) - 0.5);
            const QPointF at(area.left() + t * area.width(), area.bottom() - value * area.height());
            point == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        QColor colour = series[curve % series.size()];
        if (curves > series.size())
            colour.setAlphaF(0.35f);
        painter.setPen(QPen(colour, curves > series.size() ? 0.6 : 3));
        painter.drawPath(path);
    }
}

void diagram(QPainter& painter) {
    const QStringList steps = {QStringLiteral("Open"), QStringLiteral("Present"),
                               QStringLiteral("Blank"), QStringLiteral("Finish")};
    painter.setRenderHint(QPainter::Antialiasing);
    for (int step = 0; step < steps.size(); ++step) {
        const QRectF box(70 + step * 215, 220, 170, 100);
        painter.setPen(QPen(series[step], 3));
        painter.setBrush(series[step].lighter(185));
        painter.drawRoundedRect(box, 18, 18);
        painter.setPen(ink);
        painter.setFont(font(24, QFont::DemiBold));
        painter.drawText(box, Qt::AlignCenter, steps[step]);
        if (step + 1 < steps.size()) {
            painter.setPen(QPen(muted, 3));
            painter.drawLine(box.right() + 6, box.center().y(), box.right() + 38, box.center().y());
            QPainterPath head;
            head.moveTo(box.right() + 44, box.center().y());
            head.lineTo(box.right() + 32, box.center().y() - 8);
            head.lineTo(box.right() + 32, box.center().y() + 8);
            head.closeSubpath();
            painter.fillPath(head, muted);
        }
    }
}

void table(QPainter& painter) {
    const QList<QStringList> rows = {
        {QStringLiteral("Display"), QStringLiteral("Size"), QStringLiteral("Pixels")},
        {QStringLiteral("Laptop"), QStringLiteral("14\""), QStringLiteral("2560 × 1600")},
        {QStringLiteral("Projector"), QStringLiteral("3 m"), QStringLiteral("1920 × 1080")},
        {QStringLiteral("Confidence monitor"), QStringLiteral("55\""),
         QStringLiteral("3840 × 2160")},
        {QStringLiteral("Thumbnail"), QStringLiteral("—"), QStringLiteral("256 × 144")}};
    for (int row = 0; row < rows.size(); ++row) {
        const double top = 140 + row * 62;
        painter.fillRect(QRectF(60, top, 840, 56),
                         row == 0 ? ink : (row % 2 ? QColor(0xec, 0xe8, 0xdf) : Qt::white));
        painter.setPen(row == 0 ? Qt::white : ink);
        painter.setFont(font(22, row == 0 ? QFont::Bold : QFont::Normal));
        for (int column = 0; column < 3; ++column)
            painter.drawText(QRectF(80 + column * 280, top, 260, 56),
                             Qt::AlignLeft | Qt::AlignVCenter, rows[row][column]);
    }
}

// The upright content of the rotated page, drawn into a portrait box of width x height.
void portrait(QPainter& painter, double width, double height, int number) {
    painter.fillRect(QRectF(0, 0, width, height), QColor(0xf7, 0xf5, 0xf0));
    painter.fillRect(QRectF(0, 0, width, 14), accent);
    painter.setPen(ink);
    painter.setFont(font(36, QFont::Bold));
    painter.drawText(QRectF(40, 50, width - 80, 100), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("A portrait page"));
    painter.setFont(font(22));
    painter.drawText(QRectF(40, 160, width - 80, 300), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("This page is stored on its side and turned upright by its "
                                    "rotation. It is shown pillar-boxed, with black bars."));
    barChart(painter, QRectF(90, 480, width - 140, 300));
    painter.setPen(muted);
    painter.setFont(font(14));
    painter.drawText(QRectF(40, height - 50, width - 80, 24), Qt::AlignRight,
                     QStringLiteral("%1 / %2").arg(number).arg(slideCount));
}

// Fills `target` with the middle of `photo`, cropped to the target's shape.
void drawCover(QPainter& painter, const QRectF& target, const QImage& photo) {
    const double scale = std::max(target.width() / photo.width(), target.height() / photo.height());
    const QSizeF source(target.width() / scale, target.height() / scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, photo,
                      QRectF(QPointF((photo.width() - source.width()) / 2,
                                     (photo.height() - source.height()) / 2),
                             source));
}

void drawSlide(QPainter& painter, int number, const QImage& photo, bool heavy) {
    switch (number) {
    case 1:
        painter.fillRect(QRectF(0, 0, slideWidth, slideHeight), ink);
        painter.fillRect(QRectF(60, 300, 120, 8), accent);
        painter.setPen(Qt::white);
        painter.setFont(font(60, QFont::Bold));
        painter.drawText(QRectF(60, 160, 840, 120), Qt::AlignLeft | Qt::AlignBottom,
                         QStringLiteral("Talvane Orvello"));
        painter.setFont(font(28));
        painter.drawText(QRectF(60, 330, 840, 50), Qt::AlignLeft,
                         heavy ? QStringLiteral("A deck that is slow to draw")
                               : QStringLiteral("A sample deck to try the presenter"));
        return;
    case 2:
        frame(painter, number, QStringLiteral("Agenda"));
        bullets(painter, {QStringLiteral("Moving through the deck"),
                          QStringLiteral("Blanking the audience screen"),
                          QStringLiteral("Talk timer and clock"),
                          QStringLiteral("External stage timers"), QStringLiteral("Questions")});
        return;
    case 3:
        frame(painter, number, QStringLiteral("Keys"));
        bullets(painter, {QStringLiteral("Space, Right, Down, Page Down: next slide"),
                          QStringLiteral("Backspace, Left, Up, Page Up: previous slide"),
                          QStringLiteral("Number and Return: jump to that slide"),
                          QStringLiteral("B and W: black or white screen"),
                          QStringLiteral("Escape: end the presentation")});
        return;
    case 4:
        frame(painter, number, QStringLiteral("Quarterly figures"));
        barChart(painter, QRectF(120, 130, 760, 320));
        return;
    case 5:
        frame(painter, number, QStringLiteral("Trends"));
        lineChart(painter, QRectF(80, 130, 800, 340), heavy ? 1200 : 4, heavy ? 250 : 120);
        return;
    case 6:
        frame(painter, number, QStringLiteral("A photograph"));
        drawCover(painter, QRectF(60, 120, 840, 360), photo);
        return;
    case 7:
        drawCover(painter, QRectF(0, 0, slideWidth, slideHeight), photo);
        painter.fillRect(QRectF(0, 440, slideWidth, 100), QColor(0, 0, 0, 140));
        painter.setPen(Qt::white);
        painter.setFont(font(34, QFont::Bold));
        painter.drawText(QRectF(60, 440, 840, 100), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Full-bleed image with a caption"));
        return;
    case rotatedSlide:
        // Drawn a quarter turn anticlockwise; the page rotation of 90° turns it back.
        painter.save();
        painter.translate(0, slideHeight);
        painter.rotate(-90);
        portrait(painter, slideHeight, slideWidth, number);
        painter.restore();
        return;
    case 9:
        frame(painter, number, QStringLiteral("Screens"));
        table(painter);
        return;
    case 10:
        frame(painter, number, QStringLiteral("From start to finish"));
        diagram(painter);
        return;
    case 11:
        frame(painter, number, QStringLiteral("In one sentence"));
        painter.setPen(ink);
        painter.setFont(font(44, QFont::DemiBold));
        painter.drawText(QRectF(100, 150, 760, 240), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("“The audience sees the slide, the speaker sees "
                                        "everything else.”"));
        return;
    default:
        painter.fillRect(QRectF(0, 0, slideWidth, slideHeight), ink);
        painter.setPen(Qt::white);
        painter.setFont(font(64, QFont::Bold));
        painter.drawText(QRectF(0, 0, slideWidth, slideHeight), Qt::AlignCenter,
                         QStringLiteral("Questions?"));
        return;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Fonts and images need a platform, not a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the sample slide deck."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("heavy"),
                      QStringLiteral("Thousands of curves and a 24-megapixel photograph.")});
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The PDF to write."));
    parser.process(application);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(1);
    const QString output = parser.positionalArguments().first();
    const bool heavy = parser.isSet(QStringLiteral("heavy"));

    QTemporaryDir scratch;
    const QString unrotated = scratch.filePath(QStringLiteral("unrotated.pdf"));
    {
        QPdfWriter writer(unrotated);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(slideWidth, slideHeight), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QStringLiteral("Talvane Orvello sample deck"));
        writer.setCreator(QStringLiteral("orvl-sample-deck"));
        const QImage photo = heavy ? landscape(6000, 4000) : landscape(1280, 720);
        QPainter painter(&writer);
        for (int number = 1; number <= slideCount; ++number) {
            if (number > 1)
                writer.newPage();
            drawSlide(painter, number, photo, heavy);
        }
    }
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--rotate=+90:%1").arg(rotatedSlide), unrotated, output});
    if (!qpdf.waitForFinished(60000) || qpdf.exitCode() != 0) {
        std::fprintf(stderr, "qpdf failed: %s\n", qpdf.readAllStandardError().constData());
        return 1;
    }
    return 0;
}
