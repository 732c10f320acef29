#include "timing/TimingStore.h"

#include "base/L10n.h"
#include "net/Json.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString fileKind = QStringLiteral("talvane-orvello-timings");
constexpr int fileFormat = 1;

QString deckName(const QString& deckPath) {
    return QFileInfo(deckPath).fileName();
}

QJsonObject toJson(const QString& deckPath, const DeckTimings& timings) {
    QJsonArray runs;
    for (const TalkRun& run : timings.runs)
        runs.append(run.toJson());
    QJsonArray kept;
    QList<qsizetype> slides(timings.kept.begin(), timings.kept.end());
    std::sort(slides.begin(), slides.end());
    for (const qsizetype slide : slides)
        kept.append(slide);
    QJsonObject object{{QStringLiteral("kind"), fileKind},
                       {QStringLiteral("format"), fileFormat},
                       {QStringLiteral("deck"), deckPath},
                       {QStringLiteral("runs"), runs},
                       {QStringLiteral("keep"), kept}};
    if (timings.plan.isSet()) {
        QJsonArray plan;
        for (const int seconds : timings.plan.seconds)
            plan.append(seconds);
        object.insert(QStringLiteral("plan"), plan);
    }
    return object;
}

// Whole numbers from 0 to `maximum`; absent when any item is not one.
std::optional<QList<qint64>> readIntegers(const QJsonValue& value, qint64 maximum) {
    if (!value.isArray())
        return std::nullopt;
    QList<qint64> numbers;
    for (const QJsonValue& item : value.toArray()) {
        const auto number = Json::integralValue(item);
        if (!number || *number < 0 || *number > maximum)
            return std::nullopt;
        numbers.append(*number);
    }
    return numbers;
}

} // namespace

TimingStore::TimingStore(const QString& folder, QObject* parent)
    : QObject(parent), folder(folder),
      writer(std::make_unique<BackgroundWriter>([this](const QString& path, const QString& error) {
          QMetaObject::invokeMethod(
              this, [this, path, error] { written(path, error); }, Qt::QueuedConnection);
      })) {}

TimingStore::~TimingStore() {
    // The writer's last reports are queued to this object and dropped with it.
    writer.reset();
}

QString TimingStore::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/talvane-orvello/timings");
}

QString TimingStore::fileFor(const QString& deckPath) const {
    const QByteArray hash =
        QCryptographicHash::hash(deckPath.toUtf8(), QCryptographicHash::Sha256).toHex();
    return folder + QLatin1Char('/') + QString::fromLatin1(hash.left(32)) + QStringLiteral(".json");
}

TimingStore::Entry& TimingStore::entry(const QString& deckPath) {
    auto found = decks.find(deckPath);
    if (found == decks.end())
        found = decks.insert(deckPath, load(deckPath));
    return *found;
}

const DeckTimings& TimingStore::deck(const QString& deckPath) {
    return entry(deckPath).timings;
}

bool TimingStore::setAside(const QString& deckPath, const QString& file, bool keepOriginal,
                           const char* germanMessage) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int attempt = 0; aside.isEmpty() || QFileInfo::exists(aside); ++attempt)
        aside = file.chopped(5) + QStringLiteral(".damaged-") + stamp +
                (attempt ? QStringLiteral("-%1").arg(attempt) : QString()) +
                QStringLiteral(".json");
    const bool moved = keepOriginal ? QFile::copy(file, aside) : QFile::rename(file, aside);
    if (!moved) {
        emit problem(L10n::format("Die Zeiten zu %@ sind beschädigt und bleiben unverändert",
                                  {deckName(deckPath)}));
        return false;
    }
    emit problem(L10n::format(germanMessage, {deckName(deckPath), QFileInfo(aside).fileName()}));
    return true;
}

TimingStore::Entry TimingStore::load(const QString& deckPath) {
    Entry loaded;
    const QString path = fileFor(deckPath);
    QFile file(path);
    if (!file.exists())
        return loaded;
    std::optional<QJsonObject> top;
    if (file.size() <= maximumFileBytes && file.open(QIODevice::ReadOnly))
        top = Json::parseObject(file.readAll());
    file.close();
    if (!top) {
        loaded.writable = setAside(
            deckPath, path, false,
            ORVL_TEXT("Die Zeiten zu %@ waren beschädigt; die Datei liegt jetzt unter %@"));
        return loaded;
    }
    const auto format = Json::integralValue(top->value(QStringLiteral("format")));
    if (top->value(QStringLiteral("kind")).toString() != fileKind || format != fileFormat ||
        top->value(QStringLiteral("deck")).toString() != deckPath) {
        loaded.writable = setAside(
            deckPath, path, false,
            ORVL_TEXT("Die Zeiten zu %@ stammen nicht von hier; die Datei liegt jetzt unter %@"));
        return loaded;
    }

    // What can be read is kept; a copy of the whole file goes aside for the rest.
    bool salvaged = false;
    const QJsonValue runs = top->value(QStringLiteral("runs"));
    for (const QJsonValue& item : runs.toArray()) {
        const auto run = item.isObject() ? TalkRun::fromJson(item.toObject()) : std::nullopt;
        if (run)
            loaded.timings.runs.append(*run);
        else
            salvaged = true;
    }
    salvaged = salvaged || !runs.isArray();
    if (loaded.timings.runs.size() > maximumRuns)
        loaded.timings.runs = loaded.timings.runs.mid(loaded.timings.runs.size() - maximumRuns);
    if (const QJsonValue plan = top->value(QStringLiteral("plan")); !plan.isUndefined()) {
        const auto seconds = readIntegers(plan, SlidePlan::longestSlideSeconds);
        if (seconds && seconds->size() <= TalkRun::maximumSlides) {
            for (const qint64 value : *seconds)
                loaded.timings.plan.seconds.append(int(value));
        } else {
            salvaged = true;
        }
    }
    const auto kept = readIntegers(top->value(QStringLiteral("keep")), TalkRun::maximumSlides);
    if (kept)
        loaded.timings.kept = QSet<qsizetype>(kept->begin(), kept->end());
    salvaged = salvaged || !kept;
    if (salvaged) {
        loaded.writable =
            setAside(deckPath, path, true,
                     ORVL_TEXT("Einige Zeiten zu %@ waren beschädigt; eine Kopie liegt unter %@"));
    }
    return loaded;
}

std::optional<TalkRun> TimingStore::run(const QString& deckPath, const QString& runId) {
    for (const TalkRun& run : deck(deckPath).runs) {
        if (run.id == runId)
            return run;
    }
    return std::nullopt;
}

QJsonArray TimingStore::summary(const QString& deckPath) {
    return TalkRuns::summary(deck(deckPath).runs);
}

bool TimingStore::rename(const QString& deckPath, const QString& runId, const QString& name) {
    Entry& found = entry(deckPath);
    for (TalkRun& run : found.timings.runs) {
        if (run.id != runId)
            continue;
        run.name = Json::capped(name.simplified(), TalkRun::maximumNameLength);
        save(deckPath);
        return true;
    }
    return false;
}

bool TimingStore::remove(const QString& deckPath, const QString& runId) {
    Entry& found = entry(deckPath);
    if (runId == found.activeRun)
        return false;
    if (found.timings.runs.removeIf([&runId](const TalkRun& run) { return run.id == runId; }) == 0)
        return false;
    save(deckPath);
    return true;
}

void TimingStore::setPlan(const QString& deckPath, const SlidePlan& plan) {
    entry(deckPath).timings.plan = plan;
    save(deckPath);
}

bool TimingStore::adoptRun(const QString& deckPath, const QString& runId, qsizetype slideCount) {
    const std::optional<TalkRun> chosen = run(deckPath, runId);
    if (!chosen || slideCount <= 0)
        return false;
    setPlan(deckPath, SlidePlan::fromRun(*chosen, slideCount));
    return true;
}

bool TimingStore::adoptLastRun(const QString& deckPath, qsizetype slideCount) {
    const Entry& found = entry(deckPath);
    for (auto run = found.timings.runs.crbegin(); run != found.timings.runs.crend(); ++run) {
        if (run->id != found.activeRun)
            return adoptRun(deckPath, run->id, slideCount);
    }
    return false;
}

bool TimingStore::adoptRehearsalAverage(const QString& deckPath, qsizetype slideCount) {
    const Entry& found = entry(deckPath);
    QList<TalkRun> rehearsals;
    for (const TalkRun& run : found.timings.runs) {
        if (run.kind == TalkRun::Kind::rehearsal && run.id != found.activeRun)
            rehearsals.append(run);
    }
    const SlidePlan average = SlidePlan::averageOf(rehearsals, slideCount);
    if (!average.isSet())
        return false;
    setPlan(deckPath, average);
    return true;
}

void TimingStore::setKept(const QString& deckPath, qsizetype slide, bool keep) {
    if (slide < 0 || slide >= TalkRun::maximumSlides)
        return;
    QSet<qsizetype>& kept = entry(deckPath).timings.kept;
    if (kept.contains(slide) == keep)
        return;
    if (keep)
        kept.insert(slide);
    else
        kept.remove(slide);
    save(deckPath);
}

void TimingStore::beginRun(const QString& deckPath, const TalkRun& run) {
    Entry& found = entry(deckPath);
    QList<TalkRun>& runs = found.timings.runs;
    runs.append(run);
    if (runs.size() > maximumRuns)
        runs.remove(0, runs.size() - maximumRuns);
    found.activeRun = run.id;
    save(deckPath);
}

void TimingStore::updateRun(const QString& deckPath, const TalkRun& run) {
    Entry& found = entry(deckPath);
    for (TalkRun& stored : found.timings.runs) {
        if (stored.id == run.id) {
            stored = run;
            // The window follows a run in progress only when it is redrawn anyway.
            save(deckPath, false);
            return;
        }
    }
}

void TimingStore::endRun(const QString& deckPath, const TalkRun& run) {
    Entry& found = entry(deckPath);
    if (found.activeRun == run.id)
        found.activeRun.clear();
    for (TalkRun& stored : found.timings.runs) {
        if (stored.id == run.id)
            stored = run;
    }
    save(deckPath);
}

QString TimingStore::recordingRun(const QString& deckPath) const {
    const auto found = decks.constFind(deckPath);
    return found == decks.constEnd() ? QString() : found->activeRun;
}

void TimingStore::save(const QString& deckPath, bool announce) {
    const Entry& found = decks[deckPath];
    if (found.writable) {
        // A copy shares the lists; turning it into bytes happens on the writer's thread.
        writer->write(fileFor(deckPath), [deckPath, timings = found.timings] {
            return QJsonDocument(toJson(deckPath, timings)).toJson(QJsonDocument::Compact);
        });
    }
    if (announce)
        emit deckChanged(deckPath);
}

void TimingStore::written(const QString& path, const QString& error) {
    if (error.isEmpty()) {
        failing.remove(path);
        return;
    }
    if (failing.contains(path))
        return;
    failing.insert(path);
    emit problem(L10n::format("Die Zeiten konnten nicht gespeichert werden: %@", {error}));
}

void TimingStore::flush() {
    writer->flush();
}
