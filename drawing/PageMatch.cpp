#include "drawing/PageMatch.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace PageMatch {

QString fingerprint(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    const QString words = QString(text).remove(digits).simplified();
    if (words.isEmpty())
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(words.toUtf8(), QCryptographicHash::Sha256).toHex().left(24));
}

int occurrence(const QList<PageId>& pages, qint64 index) {
    int count = 0;
    for (qint64 page = 0; page < index && page < pages.size(); ++page)
        count += pages.at(page) == pages.value(index);
    return count;
}

std::optional<qint64> find(const PageId& id, int occurrence, const QList<PageId>& pages) {
    int seen = 0;
    for (qint64 page = 0; page < pages.size(); ++page) {
        if (pages.at(page) == id && seen++ == occurrence)
            return page;
    }
    if (id.fingerprint.isEmpty())
        return std::nullopt;
    std::optional<qint64> found;
    for (qint64 page = 0; page < pages.size(); ++page) {
        if (pages.at(page).fingerprint != id.fingerprint ||
            PageMatch::occurrence(pages, page) != occurrence)
            continue;
        if (found)
            return std::nullopt;
        found = page;
    }
    return found;
}

} // namespace PageMatch
