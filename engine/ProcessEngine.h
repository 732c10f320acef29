// A page engine that runs in a worker process: the document is opened here and read and drawn
// there, in a sandbox, under a memory limit and with a deadline for every answer, so a file that
// crashes, hangs or floods the engine costs one page, never the talk, and one that exploits it gets
// nothing. A worker that fails is killed and started again for the next request.
#pragma once

#include "engine/PageEngine.h"
#include "engine/Sandbox.h"
#include "engine/WorkerProtocol.h"

#include <QByteArray>
#include <QList>

#include <optional>

#include <sys/types.h>

class ProcessEngine : public PageEngine {
public:
    struct Limits {
        int openMilliseconds = 10000;
        // A draw may take this plus the per-megapixel share: 6 s at 1080p, 12 s at 4K, well
        // above the slowest real pages (a heavy translucent plot takes 3 s at 1080p on one
        // loaded core), since a draw cut short shows black.
        int drawMilliseconds = 4000;
        int drawMillisecondsPerMegapixel = 1000;
        // Reading a page is the part of every draw that does not grow with its size; read alone
        // ahead of the draws, it gets as long as a 4K draw.
        int readMilliseconds = 12000;
        int textMilliseconds = 3000;
        // Decoding an embedded clip of up to a gigabyte out of its filters.
        int mediaFileMilliseconds = 30000;
        // Writing a whole deck anew with the speaker's ink.
        int inkMilliseconds = 60000;
        // A cancelled request stops at MuPDF's next check, in milliseconds; a worker that takes
        // longer to answer it is replaced before the next request goes out.
        int cancelledMilliseconds = 1000;
        qint64 addressSpace = qint64(1536) << 20;
    };

    // `worker` is the worker executable (workerPath() in the program).
    // `cancel`, when set, ends a slow open early (as a failure).
    static std::unique_ptr<ProcessEngine> open(const QString& worker, const QString& path,
                                               const QString& password, OpenStatus* status,
                                               const Limits& limits,
                                               const std::atomic_bool* cancel = nullptr);
    ~ProcessEngine() override;

    // The installed worker beside the program, or where ORVL_PAGE_WORKER points.
    static QString workerPath();
    // What the page workers are confined by, as the last one to open a deck said; none before
    // any did.
    static Sandbox::Mechanisms workerSandbox();
    // The engine the workers draw with and its version, for the About box.
    static QString engineName();
    static EngineFactory factory(const QString& worker, const Limits& limits, int workers);

    qint64 pageCount() const override { return sizes.size(); }
    QSizeF pageSize(qint64 page) const override { return sizes.value(page); }
    QString pageLabel(qint64 page) const override { return labels.value(page); }
    QStringList noteTexts(qint64 page) const override;
    QByteArray metadata() const override;
    bool wasRepaired() const override { return repaired; }
    QString regionText(qint64 page, QRectF region) const override;
    PageNavigation navigation(qint64 page) const override;
    // Checked here again: a list that breaks a bound is dropped whole.
    QList<MediaLink> pageMedia(qint64 page) const override;
    // Sealed against any change before it is handed on, so what the program checks is what plays.
    int mediaFile(qint64 page, int index) const override;
    bool readPage(qint64 page, const std::atomic_bool* cancel = nullptr) const override;
    // Null when the worker failed on it (crash, deadline, memory) as well as for a cancelled draw.
    QImage drawPage(qint64 page, QSize pixelSize, QRectF region = QRectF(0, 0, 1, 1),
                    const std::atomic_bool* cancel = nullptr) const override;
    QImage drawRows(qint64 page, QSize pixelSize, int top, int bottom,
                    const std::atomic_bool* cancel = nullptr) const override;
    QByteArray writeWithInk(const QList<InkStroke>& ink) const override;

    // How often a worker process was started for this document: 1 until one fails.
    int starts() const { return started; }

private:
    struct Reply {
        WorkerProtocol::Answer answer;
        int fd = -1; // owned by the caller
    };

    // `deck` is the file opened for `path`, which the engine owns and hands to every worker.
    ProcessEngine(const QString& worker, const QString& path, int deck, const QString& password,
                  const Limits& limits);

    bool spawn() const;
    // Opens the document in a fresh worker; its answer's status, nullopt when it failed.
    std::optional<Reply> load(const std::atomic_bool* cancel = nullptr) const;
    void stop(bool grace) const;
    // `fd` goes with the request (a draw's buffer).
    std::optional<Reply> call(WorkerProtocol::Request request, const QByteArray& payload,
                              int milliseconds, const std::atomic_bool* cancel, int fd = -1) const;
    QImage image(const WorkerProtocol::Request& request, const std::atomic_bool* cancel) const;
    QByteArray bytes(const WorkerProtocol::Request& request) const;

    const QString worker;
    const QString path;
    const int deck;
    const QString password;
    const Limits limits;
    QList<QSizeF> sizes;
    QStringList labels;
    bool repaired = false;

    mutable pid_t pid = -1;
    mutable int socket = -1;
    mutable std::atomic_bool* cancelFlag = nullptr;
    mutable quint64 lastId = 0;
    // A request given up on (cancelled) whose answer the worker may still send.
    mutable bool abandoned = false;
    mutable int started = 0;
};
