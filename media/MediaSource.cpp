#include "media/MediaSource.h"

#include "base/L10n.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

const QStringList mediaExtensions{
    QStringLiteral("mp4"), QStringLiteral("m4v"),  QStringLiteral("mov"),  QStringLiteral("webm"),
    QStringLiteral("mkv"), QStringLiteral("avi"),  QStringLiteral("ogv"),  QStringLiteral("ogg"),
    QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("wmv"),  QStringLiteral("flv"),
    QStringLiteral("3gp"), QStringLiteral("ts"),   QStringLiteral("mp3"),  QStringLiteral("wav"),
    QStringLiteral("m4a"), QStringLiteral("aac"),  QStringLiteral("opus"), QStringLiteral("oga"),
    QStringLiteral("flac")};

// "http:", "rtsp:", "ftp:" and the like; one letter is a Windows drive, not a scheme.
bool hasScheme(const QString& target) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch() || target.startsWith(QLatin1String("//")) ||
           target.startsWith(QLatin1String("\\\\"));
}

bool startsWithNoCase(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

// The path of a file: target ("file:///a/b.mp4", "file:b.mp4", "b%20c.mp4"), or nullopt for
// another scheme.
std::optional<QString> localPath(QString target) {
    if (startsWithNoCase(target, QStringLiteral("file://localhost/")))
        target = target.mid(16);
    else if (startsWithNoCase(target, QStringLiteral("file://")))
        target = target.mid(7);
    else if (startsWithNoCase(target, QStringLiteral("file:")))
        target = target.mid(5);
    else if (hasScheme(target))
        return std::nullopt;
    return QUrl::fromPercentEncoding(target.toUtf8());
}

std::optional<qint64> secondsOption(const QString& value) {
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || !(seconds >= 0) || seconds > 1e7)
        return std::nullopt;
    return qint64(std::llround(seconds * 1000));
}

} // namespace

namespace MediaSource {

bool looksLikeMedia(const QString& path) {
    return mediaExtensions.contains(QFileInfo(path).suffix().toLower());
}

std::optional<MediaLink> fromLink(const MediaLink& link) {
    QString target = link.target.trimmed();
    if (startsWithNoCase(target, QStringLiteral("run:")))
        target = target.mid(4);
    const qsizetype question = target.indexOf(QLatin1Char('?'));
    const QString path = question < 0 ? target : target.left(question);
    const QString query = question < 0 ? QString() : target.mid(question + 1);
    if (!looksLikeMedia(path))
        return std::nullopt;
    MediaLink media = link;
    media.target = path;
    for (const QString& option : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString name = option.section(QLatin1Char('='), 0, 0).toLower();
        const QString value = option.section(QLatin1Char('='), 1);
        if (name == QLatin1String("autostart"))
            media.autostart = true;
        else if (name == QLatin1String("loop"))
            media.repeat = 0;
        else if (name == QLatin1String("start"))
            media.startMs = secondsOption(value).value_or(0);
        else if (name == QLatin1String("stop"))
            media.stopMs = secondsOption(value).value_or(-1);
    }
    if (media.stopMs >= 0 && media.stopMs <= media.startMs)
        media.stopMs = -1;
    return media;
}

Resolved resolve(const MediaLink& link, const QString& deckFolder) {
    if (link.embedded)
        return {Resolved::Status::embedded, {}};
    const std::optional<QString> path = localPath(link.target.trimmed());
    if (!path)
        return {Resolved::Status::remote, {}};
    if (path->isEmpty())
        return {Resolved::Status::missing, {}};
    const QString folder = QFileInfo(deckFolder).canonicalFilePath();
    const QFileInfo file(QDir(deckFolder).absoluteFilePath(*path));
    if (!file.exists())
        return {Resolved::Status::missing, {}};
    // The file as it really is, symbolic links followed, must lie below the deck's folder.
    const QString real = file.canonicalFilePath();
    if (folder.isEmpty() || real.isEmpty() ||
        !real.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/')))
        return {Resolved::Status::outside, {}};
    if (!QFileInfo(real).isFile())
        return {Resolved::Status::notFile, {}};
    return {Resolved::Status::file, real};
}

QString refusal(Resolved::Status status) {
    switch (status) {
    case Resolved::Status::remote:
        return L10n::lookup("liegt im Netz und wird nicht abgerufen");
    case Resolved::Status::outside:
        return L10n::lookup("liegt außerhalb des Ordners der PDF-Datei");
    case Resolved::Status::missing:
        return L10n::lookup("Datei fehlt");
    case Resolved::Status::notFile:
        return L10n::lookup("keine gewöhnliche Datei");
    case Resolved::Status::embedded:
    case Resolved::Status::file:
        break;
    }
    return {};
}

} // namespace MediaSource
