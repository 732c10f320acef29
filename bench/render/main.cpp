// Times this program's page rendering against mutool draw and pdftoppm on the same pages and sizes.
#include "engine/MupdfEngine.h"
#include "engine/PageEngine.h"
#include "render/PageImage.h"
#include "render/RenderPlan.h"
#include "render/SlideRenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <latch>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

struct Timings {
    QList<double> milliseconds;

    double median() const {
        QList<double> sorted = milliseconds;
        std::sort(sorted.begin(), sorted.end());
        const qsizetype n = sorted.size();
        return n == 0 ? 0 : n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double max() const {
        return milliseconds.isEmpty() ? 0
                                      : *std::max_element(milliseconds.begin(), milliseconds.end());
    }
};

// Wall time of one run of a tool, in milliseconds; negative when it fails.
double runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

// Both tools are given the letter-boxed page size, which is what this program draws the page at.
QStringList mutoolArguments(const QString& file, QSize pixels) {
    return {QStringLiteral("draw"),
            QStringLiteral("-q"),
            QStringLiteral("-F"),
            QStringLiteral("ppm"),
            QStringLiteral("-o"),
            QStringLiteral("/dev/null"),
            QStringLiteral("-w"),
            QString::number(pixels.width()),
            QStringLiteral("-h"),
            QString::number(pixels.height()),
            file};
}

QStringList pdftoppmArguments(const QString& file, QSize pixels) {
    // Without an output root the pictures go to standard output, here the null device.
    return {QStringLiteral("-scale-to-x"), QString::number(pixels.width()),
            QStringLiteral("-scale-to-y"), QString::number(pixels.height()), file};
}

// One page of `file` alone, and the same page repeated: the difference of the two run times is
// the tool's warm time per page, free of process start-up and document loading.
constexpr int copies = 5;

struct PageFiles {
    QString once;
    QString repeated;
};

bool extractPage(const QString& file, qint64 page, int count, const QString& target) {
    QStringList pages;
    for (int copy = 0; copy < count; ++copy)
        pages.append(QString::number(page + 1));
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--empty"), QStringLiteral("--pages"), file,
                                        pages.join(','), QStringLiteral("--"), target});
    return qpdf.waitForFinished(600000) && qpdf.exitCode() == 0;
}

double warmToolTime(const QString& program, const QStringList& once, const QStringList& repeated) {
    const double single = runTool(program, once);
    const double many = runTool(program, repeated);
    if (single < 0 || many < 0)
        return -1;
    return std::max(0.0, (many - single) / (copies - 1));
}

// Below a tenth of a millisecond the difference of two process times says nothing.
QString ratio(const Timings& ours, const Timings& reference) {
    if (reference.median() < 0.1)
        return QStringLiteral("n/a");
    return QString::number(ours.median() / reference.median(), 'f', 2);
}

// A median for the JSON lines: null where nothing was measured.
QByteArray jsonNumber(const Timings& timings) {
    return timings.milliseconds.isEmpty() ? QByteArray("null")
                                          : QByteArray::number(timings.median(), 'f', 2);
}

QByteArray jsonString(const QString& text) {
    QByteArray quoted = text.toUtf8();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

struct PoolTime {
    double openMs = 0; // until every engine is open (worker processes started, deck parsed)
    double drawMs = 0; // from then until every page is drawn
};

// `workers` engines, each opened on a thread of its own, drawing every page of the deck once at
// `size`, taking the pages one at a time: pre-rendering a freshly opened deck. Opening is timed
// apart, since starting processes is no part of how fast pages are drawn.
PoolTime poolTime(const QString& file, int workers, QSize size) {
    const EngineFactory engines = defaultEngineFactory();
    std::atomic<qint64> next = 0;
    std::latch opened(workers + 1);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> threads;
    for (int worker = 0; worker < workers; ++worker) {
        threads.emplace_back([&] {
            const auto engine = engines.open(file, {}, nullptr);
            opened.arrive_and_wait();
            for (qint64 page = next++; engine && page < engine->pageCount(); page = next++)
                PageImage::draw(*engine, {page, size.width(), size.height()});
        });
    }
    opened.arrive_and_wait();
    PoolTime time;
    time.openMs = timer.nsecsElapsed() / 1e6;
    for (std::thread& thread : threads)
        thread.join();
    time.drawMs = timer.nsecsElapsed() / 1e6 - time.openMs;
    return time;
}

// The projector's plan while presenting, as the program asks for it after each step.
RenderPlan::Inputs audiencePlan(qint64 page, qint64 pageCount, QSize size) {
    RenderPlan::Inputs inputs;
    inputs.page = page;
    inputs.pageCount = pageCount;
    inputs.audience = size;
    inputs.presenting = true;
    return inputs;
}

// Milliseconds from a fresh renderer until it holds the whole deck at `size`, drawn the way the
// program pre-renders a deck just opened: the console's thumbnails, then the projector's plan
// with the whole deck ahead, a slow page drawn in bands where that helps. Of a deck too large
// for half the cache's default budget, the pages that fit, in the plan's order.
double pipelinePoolTime(const QString& file, const QList<QSizeF>& pageSizes, int workers,
                        QSize size) {
    EngineFactory engines = defaultEngineFactory();
    engines.workers = workers;
    QElapsedTimer timer;
    timer.start();
    SlideRenderer renderer(QUrl::fromLocalFile(file), pageSizes, engines, 512 * mebibyte);
    const char thumbnails = 0;
    QList<RenderKey> small;
    QList<RenderKey> wanted;
    qint64 bytes = 0;
    for (qint64 page = 0; page < pageSizes.size(); ++page) {
        small.append({page, 256, 144});
        const RenderKey key{page, size.width(), size.height()};
        bytes += ImageCache::bytesFor(key) + ImageCache::bytesFor(small.last());
        if (bytes <= 256 * mebibyte)
            wanted.append(key);
    }
    renderer.prefetch(&thumbnails, RenderPriority::thumbnail, small);
    RenderPlan plan;
    plan.apply(renderer, audiencePlan(0, pageSizes.size(), size));
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (std::all_of(wanted.cbegin(), wanted.cend(),
                        [&](const RenderKey& key) { return renderer.images().contains(key); }))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}

struct PipelineTime {
    double firstMs = 0; // the page's first draw at the size; one worker has drawn its thumbnail
    double againMs = 0; // drawn again, every worker having drawn the page before
};

// Milliseconds from asking a fresh renderer for `key` as the audience's view until the image
// arrives: with `workers` engines, so that with two or more a large page is drawn in bands. A
// thumbnail of the page first measures its cost, as a presentation would have by then. The
// renderer keeps no image, so the second request is drawn again.
PipelineTime pipelineTime(const QString& file, const QList<QSizeF>& pageSizes, int workers,
                          const RenderKey& key) {
    EngineFactory engines = defaultEngineFactory();
    engines.workers = workers;
    SlideRenderer renderer(QUrl::fromLocalFile(file), pageSizes, engines, 0);
    const char view = 0;
    QEventLoop loop;
    const auto wait = [&](const RenderKey& wanted) {
        QElapsedTimer timer;
        timer.start();
        renderer.request(
            wanted, [&loop](const QImage&) { loop.quit(); }, RenderPriority::audienceView, &view);
        loop.exec();
        return timer.nsecsElapsed() / 1e6;
    };
    wait({key.page, 256, 144});
    PipelineTime time;
    time.firstMs = wait(key);
    time.againMs = wait(key);
    return time;
}

#ifdef ORVL_QTPDF_DRAW
// Qt PDF's first draw of the page in a fresh process, and the next; nullopt when it fails.
std::optional<PipelineTime> qtPdfTime(const QString& file, qint64 page, QSize pixels) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral(ORVL_QTPDF_DRAW),
                  {file, QString::number(page + 1), QString::number(pixels.width()),
                   QString::number(pixels.height()), QStringLiteral("1")});
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = process.readAllStandardOutput().simplified().split(' ');
    if (fields.size() != 2)
        return std::nullopt;
    return PipelineTime{fields[0].toDouble(), fields[1].toDouble()};
}
#endif

// Resident memory of this process from /proc/self/status ("VmRSS" now, "VmHWM" at its peak), MiB.
double residentMiB(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// Proportional memory (shared pages split between their users) of this process and its page
// workers, MiB: what the program costs in all, images in shared memory counted once.
double totalPssMiB() {
    const auto pss = [](const QString& pid) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            return 0.0;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                return line.mid(4).trimmed().split(' ').first().toDouble() / 1024;
        }
        return 0.0;
    };
    double total = pss(QStringLiteral("self"));
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!pid.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // The parent is the second field after the parenthesised name.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1())
            total += pss(pid);
    }
    return total;
}

// Presents `slides` slides in a row at `size` the way the projector does (its plan around the
// current slide with the whole deck ahead, then the slide itself as the audience's view), going
// round the deck; the renderer's cache has its default budget.
void flipThrough(const QString& file, const QList<QSizeF>& pageSizes, int slides, QSize size) {
    SlideRenderer renderer(QUrl::fromLocalFile(file), pageSizes, defaultEngineFactory(),
                           512 * mebibyte);
    const char view = 0;
    RenderPlan plan;
    QEventLoop loop;
    for (int slide = 0; slide < slides; ++slide) {
        const qint64 page = slide % pageSizes.size();
        const RenderKey key{page, size.width(), size.height()};
        plan.apply(renderer, audiencePlan(page, pageSizes.size(), size));
        bool shown = false;
        renderer.request(
            key,
            [&](const QImage&) {
                shown = true;
                loop.quit();
            },
            RenderPriority::audienceView, &view);
        if (!shown)
            loop.exec();
    }
    std::printf("{\"deck\": %s, \"size\": \"%dx%d\", \"slides_flipped\": %d, "
                "\"cache_mib\": %.0f, \"rss_mib\": %.0f, \"peak_rss_mib\": %.0f, "
                "\"pss_with_workers_mib\": %.0f}\n",
                jsonString(file).constData(), size.width(), size.height(), slides,
                renderer.images().bytes() / double(mebibyte), residentMiB("VmRSS"),
                residentMiB("VmHWM"), totalPssMiB());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    // Fonts and images need a platform, not a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The pages are drawn in worker processes, as in the program.
    if (!qEnvironmentVariableIsSet("ORVL_PAGE_WORKER"))
        qputenv("ORVL_PAGE_WORKER", ORVL_PAGE_WORKER);
    QGuiApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Renders every page of the given PDFs at each size with this program's renderer, mutool "
        "draw and pdftoppm, interleaved, and prints median and maximum milliseconds per page."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("Measured rounds (default 5)."),
                      QStringLiteral("n"), QStringLiteral("5")});
    parser.addOption(
        {QStringLiteral("sizes"),
         QStringLiteral("Comma-separated sizes (default 1920x1080,3840x2160,256x144)."),
         QStringLiteral("list"), QStringLiteral("1920x1080,3840x2160,256x144")});
    parser.addOption(
        {QStringLiteral("per-page"), QStringLiteral("Also print each page's medians.")});
    parser.addOption({QStringLiteral("json"),
                      QStringLiteral("Print one JSON line per deck and size instead of tables.")});
    parser.addOption({QStringLiteral("pool"),
                      QStringLiteral("Also time pre-rendering each deck (at the first size) "
                                     "with all workers against one worker, by the engines "
                                     "alone and through the renderer.")});
    parser.addOption({QStringLiteral("bands"),
                      QStringLiteral("Instead: time one page (1-based) through the render "
                                     "pipeline at each size, first and again, all workers "
                                     "(drawn in bands) against one worker, and Qt PDF "
                                     "where the bench was built with it."),
                      QStringLiteral("page")});
    parser.addOption({QStringLiteral("boundary"),
                      QStringLiteral("Instead: time every page drawn by MuPDF in this process "
                                     "against the same draw in a worker process, warm.")});
    parser.addOption({QStringLiteral("flip"),
                      QStringLiteral("Instead: present n slides in a row at the first size and "
                                     "print the memory afterwards."),
                      QStringLiteral("n")});
    parser.addPositionalArgument(QStringLiteral("pdf"), QStringLiteral("Decks to render."),
                                 QStringLiteral("pdf..."));
    parser.process(application);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        parser.showHelp(1);
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    const bool perPage = parser.isSet(QStringLiteral("per-page"));
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool pool = parser.isSet(QStringLiteral("pool"));
    QList<QSize> sizes;
    for (const QString& size : parser.value(QStringLiteral("sizes")).split(',')) {
        const QStringList parts = size.split('x');
        if (parts.size() == 2)
            sizes.append(QSize(parts[0].toInt(), parts[1].toInt()));
    }
    const QString mutool = QStandardPaths::findExecutable(QStringLiteral("mutool"));
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    const bool references = !mutool.isEmpty() && !pdftoppm.isEmpty() &&
                            !QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty();
    if (!references)
        std::fprintf(stderr, "mutool, pdftoppm or qpdf missing: timing this program only\n");
    QTemporaryDir scratch;

    for (const QString& file : files) {
        if (parser.isSet(QStringLiteral("boundary"))) {
            const auto inside = MupdfEngine::factory().open(file, {}, nullptr);
            const auto worker = defaultEngineFactory().open(file, {}, nullptr);
            if (!inside || !worker) {
                std::fprintf(stderr, "%s: cannot open\n", qPrintable(file));
                continue;
            }
            for (const QSize& size : sizes) {
                Timings here;
                Timings there;
                for (qint64 page = 0; page < inside->pageCount(); ++page) {
                    // Warm: the page's list and images are in each process's store.
                    inside->drawPage(page, size);
                    worker->drawPage(page, size);
                    for (int round = 0; round < rounds; ++round) {
                        QElapsedTimer clock;
                        clock.start();
                        const QImage a = inside->drawPage(page, size);
                        here.milliseconds.append(double(clock.nsecsElapsed()) / 1e6);
                        clock.restart();
                        const QImage b = worker->drawPage(page, size);
                        there.milliseconds.append(double(clock.nsecsElapsed()) / 1e6);
                    }
                }
                std::printf("{\"deck\": %s, \"size\": \"%dx%d\", \"in_process_ms\": %.2f, "
                            "\"worker_process_ms\": %.2f, \"boundary_ms\": %.2f}\n",
                            jsonString(file).constData(), size.width(), size.height(),
                            here.median(), there.median(), there.median() - here.median());
                std::fflush(stdout);
            }
            continue;
        }
        if (parser.isSet(QStringLiteral("flip")) || parser.isSet(QStringLiteral("bands"))) {
            const auto document = defaultEngineFactory().open(file, {}, nullptr);
            if (!document || sizes.isEmpty()) {
                std::fprintf(stderr, "%s: cannot open\n", qPrintable(file));
                continue;
            }
            QList<QSizeF> pageSizes;
            for (qint64 page = 0; page < document->pageCount(); ++page)
                pageSizes.append(document->pageSize(page));
            if (parser.isSet(QStringLiteral("flip"))) {
                flipThrough(file, pageSizes, parser.value(QStringLiteral("flip")).toInt(),
                            sizes.first());
                continue;
            }
            const qint64 page = parser.value(QStringLiteral("bands")).toLongLong() - 1;
            const int workers = defaultEngineFactory().workers;
            for (const QSize& size : sizes) {
                const RenderKey key{page, size.width(), size.height()};
                Timings banded;
                Timings bandedAgain;
                Timings one;
                Timings oneAgain;
                Timings qtPdf;
                Timings qtPdfAgain;
                for (int round = 0; round < rounds; ++round) {
                    const PipelineTime all = pipelineTime(file, pageSizes, workers, key);
                    const PipelineTime single = pipelineTime(file, pageSizes, 1, key);
                    banded.milliseconds.append(all.firstMs);
                    bandedAgain.milliseconds.append(all.againMs);
                    one.milliseconds.append(single.firstMs);
                    oneAgain.milliseconds.append(single.againMs);
#ifdef ORVL_QTPDF_DRAW
                    const QSize area =
                        PageImage::pageArea(pageSizes.value(page), size.width(), size.height())
                            .size();
                    if (const auto reference = qtPdfTime(file, page, area)) {
                        qtPdf.milliseconds.append(reference->firstMs);
                        qtPdfAgain.milliseconds.append(reference->againMs);
                    }
#endif
                }
                const QByteArray qtPdfFields =
                    qtPdf.milliseconds.isEmpty()
                        ? QByteArray()
                        : ", \"qtpdf_ms\": " + jsonNumber(qtPdf) +
                              ", \"qtpdf_again_ms\": " + jsonNumber(qtPdfAgain);
                std::printf("{\"deck\": %s, \"page\": %lld, \"size\": \"%dx%d\", "
                            "\"workers\": %d, \"bands_ms\": %s, \"one_worker_ms\": %s, "
                            "\"bands_again_ms\": %s, \"one_worker_again_ms\": %s%s}\n",
                            jsonString(file).constData(), page + 1, size.width(), size.height(),
                            workers, jsonNumber(banded).constData(), jsonNumber(one).constData(),
                            jsonNumber(bandedAgain).constData(), jsonNumber(oneAgain).constData(),
                            qtPdfFields.constData());
                std::fflush(stdout);
            }
            continue;
        }
        if (pool && !sizes.isEmpty()) {
            // Before this program's own copy is open, so that every run starts cold; the two
            // alternate, and the median of three counts.
            const int workers = defaultEngineFactory().workers;
            Timings one;
            Timings all;
            Timings oneOpen;
            Timings allOpen;
            Timings onePipeline;
            Timings allPipeline;
            QList<QSizeF> pageSizes;
            if (const auto document = defaultEngineFactory().open(file, {}, nullptr)) {
                for (qint64 page = 0; page < document->pageCount(); ++page)
                    pageSizes.append(document->pageSize(page));
            }
            for (int run = 0; run < 3; ++run) {
                const PoolTime single = poolTime(file, 1, sizes.first());
                const PoolTime pooled = poolTime(file, workers, sizes.first());
                one.milliseconds.append(single.drawMs);
                oneOpen.milliseconds.append(single.openMs);
                all.milliseconds.append(pooled.drawMs);
                allOpen.milliseconds.append(pooled.openMs);
                onePipeline.milliseconds.append(
                    pipelinePoolTime(file, pageSizes, 1, sizes.first()));
                allPipeline.milliseconds.append(
                    pipelinePoolTime(file, pageSizes, workers, sizes.first()));
            }
            if (json)
                std::printf("{\"deck\": %s, \"size\": \"%dx%d\", \"pool_workers\": %d, "
                            "\"pool_ms\": %s, \"one_worker_ms\": %s, \"pool_open_ms\": %s, "
                            "\"one_worker_open_ms\": %s, \"pipeline_pool_ms\": %s, "
                            "\"pipeline_one_worker_ms\": %s}\n",
                            jsonString(file).constData(), sizes.first().width(),
                            sizes.first().height(), workers, jsonNumber(all).constData(),
                            jsonNumber(one).constData(), jsonNumber(allOpen).constData(),
                            jsonNumber(oneOpen).constData(), jsonNumber(allPipeline).constData(),
                            jsonNumber(onePipeline).constData());
            else
                std::printf("%s: whole deck at %dx%d once open: %d workers %.0f ms, one worker "
                            "%.0f ms, throughput %.2fx; opening %.0f / %.0f ms; through the "
                            "renderer with thumbnails first: %.0f / %.0f ms, %.2fx\n",
                            qPrintable(file), sizes.first().width(), sizes.first().height(),
                            workers, all.median(), one.median(), one.median() / all.median(),
                            allOpen.median(), oneOpen.median(), allPipeline.median(),
                            onePipeline.median(), onePipeline.median() / allPipeline.median());
        }
        const auto document = defaultEngineFactory().open(file, {}, nullptr);
        if (!document) {
            std::fprintf(stderr, "%s: cannot open\n", qPrintable(file));
            continue;
        }
        QList<PageFiles> pageFiles;
        for (qint64 page = 0; references && page < document->pageCount(); ++page) {
            const QString stem = scratch.filePath(QStringLiteral("p%1").arg(page));
            PageFiles files{stem + QStringLiteral("-once.pdf"), stem + QStringLiteral("-many.pdf")};
            if (!extractPage(file, page, 1, files.once) ||
                !extractPage(file, page, copies, files.repeated)) {
                std::fprintf(stderr, "qpdf could not extract page %lld\n", page + 1);
                return 1;
            }
            pageFiles.append(files);
        }
        if (!json)
            std::printf("%s: %lld pages, %d rounds after one warm-up round\n", qPrintable(file),
                        document->pageCount(), rounds);
        for (const QSize& size : sizes) {
            Timings ours;
            Timings viaMutool;
            Timings viaPdftoppm;
            // Per page: this program, mutool, pdftoppm.
            QList<std::array<Timings, 3>> pages(document->pageCount());
            for (int round = 0; round <= rounds; ++round) {
                const bool measured = round > 0;
                for (qint64 page = 0; page < document->pageCount(); ++page) {
                    QElapsedTimer timer;
                    timer.start();
                    const QImage image =
                        PageImage::draw(*document, {page, size.width(), size.height()});
                    const double elapsed = timer.nsecsElapsed() / 1e6;
                    if (image.isNull())
                        std::fprintf(stderr, "page %lld: no image\n", page + 1);
                    if (measured) {
                        ours.milliseconds.append(elapsed);
                        pages[page][0].milliseconds.append(elapsed);
                    }
                    if (!references)
                        continue;
                    const QSize area =
                        PageImage::pageArea(document->pageSize(page), size.width(), size.height())
                            .size();
                    const PageFiles& files = pageFiles.at(page);
                    const double mutoolTime =
                        warmToolTime(mutool, mutoolArguments(files.once, area),
                                     mutoolArguments(files.repeated, area));
                    const double pdftoppmTime =
                        warmToolTime(pdftoppm, pdftoppmArguments(files.once, area),
                                     pdftoppmArguments(files.repeated, area));
                    if (measured && mutoolTime >= 0) {
                        viaMutool.milliseconds.append(mutoolTime);
                        pages[page][1].milliseconds.append(mutoolTime);
                    }
                    if (measured && pdftoppmTime >= 0) {
                        viaPdftoppm.milliseconds.append(pdftoppmTime);
                        pages[page][2].milliseconds.append(pdftoppmTime);
                    }
                }
            }
            // What the program does for a smaller view of a page it has a larger image of (the
            // audience's, the first size): scale that image down instead of drawing.
            Timings derived;
            const QSize largest = sizes.first();
            if (size.width() < largest.width() && size.height() < largest.height()) {
                for (qint64 page = 0; page < document->pageCount(); ++page) {
                    const QImage larger =
                        PageImage::draw(*document, {page, largest.width(), largest.height()});
                    for (int round = 0; round < rounds && !larger.isNull(); ++round) {
                        QElapsedTimer timer;
                        timer.start();
                        const QImage image = PageImage::derive(larger, document->pageSize(page),
                                                               {page, size.width(), size.height()});
                        derived.milliseconds.append(timer.nsecsElapsed() / 1e6);
                    }
                }
            }
            if (json) {
                std::printf("{\"deck\": %s, \"size\": \"%dx%d\", \"ours_ms\": %s, "
                            "\"mutool_ms\": %s, \"pdftoppm_ms\": %s%s}\n",
                            jsonString(file).constData(), size.width(), size.height(),
                            jsonNumber(ours).constData(), jsonNumber(viaMutool).constData(),
                            jsonNumber(viaPdftoppm).constData(),
                            derived.milliseconds.isEmpty()
                                ? ""
                                : (", \"derived_ms\": " + jsonNumber(derived)).constData());
                std::fflush(stdout);
                continue;
            }
            std::printf("  %5dx%-5d ours      median %8.2f ms  max %8.2f ms\n", size.width(),
                        size.height(), ours.median(), ours.max());
            if (!derived.milliseconds.isEmpty())
                std::printf("  %5dx%-5d derived   median %8.2f ms  max %8.2f ms  (scaled down "
                            "from %dx%d)\n",
                            size.width(), size.height(), derived.median(), derived.max(),
                            largest.width(), largest.height());
            if (!viaMutool.milliseconds.isEmpty())
                std::printf("  %5dx%-5d mutool    median %8.2f ms  max %8.2f ms  ours/mutool %s\n",
                            size.width(), size.height(), viaMutool.median(), viaMutool.max(),
                            qPrintable(ratio(ours, viaMutool)));
            if (!viaPdftoppm.milliseconds.isEmpty())
                std::printf("  %5dx%-5d pdftoppm  median %8.2f ms  max %8.2f ms  ours/pdftoppm "
                            "%s\n",
                            size.width(), size.height(), viaPdftoppm.median(), viaPdftoppm.max(),
                            qPrintable(ratio(ours, viaPdftoppm)));
            // The whole deck once: the sum of the pages' medians, where heavy pages weigh in.
            std::array<double, 3> total{};
            for (const auto& page : pages) {
                for (int renderer = 0; renderer < 3; ++renderer)
                    total[renderer] += page[renderer].median();
            }
            std::printf("  %5dx%-5d deck total: ours %.0f ms, mutool %.0f ms, pdftoppm %.0f ms\n",
                        size.width(), size.height(), total[0], total[1], total[2]);
            for (qsizetype page = 0; perPage && page < pages.size(); ++page)
                std::printf("      page %2lld  ours %9.2f  mutool %9.2f  pdftoppm %9.2f ms\n",
                            page + 1, pages[page][0].median(), pages[page][1].median(),
                            pages[page][2].median());
            std::fflush(stdout);
        }
    }
    return 0;
}
