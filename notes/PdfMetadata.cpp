#include "notes/PdfMetadata.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {

// Entries of the pdfpc schema, whichever namespace address the writer gave it.
bool isPdfpc(QStringView prefix, QStringView namespaceUri) {
    return prefix.compare(QLatin1String("pdfpc"), Qt::CaseInsensitive) == 0 ||
           namespaceUri.contains(QLatin1String("pdfpc"), Qt::CaseInsensitive);
}

// The entries by lower-case name, written as elements or as attributes of rdf:Description;
// absent when the packet does not parse.
std::optional<QHash<QString, QString>> entriesOf(const QByteArray& packet) {
    QHash<QString, QString> entries;
    QXmlStreamReader xml(packet);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (isPdfpc(attribute.prefix(), attribute.namespaceUri()))
                entries.insert(attribute.name().toString().toLower(),
                               attribute.value().toString().left(200));
        }
        if (isPdfpc(xml.prefix(), xml.namespaceUri())) {
            const QString name = xml.name().toString().toLower();
            entries.insert(
                name,
                xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().left(200));
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return entries;
}

std::optional<bool> truth(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("true") || word == QLatin1String("1"))
        return true;
    if (word == QLatin1String("false") || word == QLatin1String("0"))
        return false;
    return std::nullopt;
}

} // namespace

namespace PdfMetadata {

bool apply(const QByteArray& packet, Sidecar::File& file) {
    if (packet.size() > maximumBytes)
        return false;
    const std::optional<QHash<QString, QString>> entries = entriesOf(packet);
    if (!entries)
        return false;
    const auto number = [&entries](const char* name) -> std::optional<qint64> {
        const auto found = entries->constFind(QLatin1String(name));
        return found == entries->cend() ? std::nullopt : Sidecar::leadingNumber(*found);
    };
    const auto text = [&entries](const char* name) { return entries->value(QLatin1String(name)); };
    if (const std::optional<qint64> length = number("duration");
        length && *length > 0 && *length <= Sidecar::maximumMinutes)
        file.durationMinutes = double(*length);
    if (const std::optional<QTime> start = Sidecar::clockTime(text("starttime")))
        file.startTime = start;
    if (const std::optional<QTime> end = Sidecar::clockTime(text("endtime")))
        file.endTime = end;
    if (const std::optional<qint64> last = number("lastminutes");
        last && *last >= 0 && *last <= Sidecar::maximumMinutes)
        file.lastMinutes = double(*last);
    // Counted from 1 here.
    if (const std::optional<qint64> end = number("enduserslide"); end && *end >= 1)
        file.endSlide = *end - 1;
    if (const QString side = text("notesposition").trimmed().toLower(); !side.isEmpty())
        file.beamerNotePosition = side.left(20);
    if (const std::optional<bool> plain = truth(text("disablemarkdown")))
        file.disableMarkdown = *plain;
    if (const QString transition = text("defaulttransition").trimmed(); !transition.isEmpty())
        file.defaultTransition = transition.left(100);
    return true;
}

} // namespace PdfMetadata
