// Every German text the code shows has an English and a French entry with the same placeholders.
#include "base/L10n.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QRegularExpression>

namespace {

QString unescape(const QString& literal) {
    QString text;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        if (literal[i] == QLatin1Char('\\') && i + 1 < literal.size()) {
            const QChar next = literal[++i];
            text += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            text += literal[i];
        }
    }
    return text;
}

// The German texts passed to the lookup, with the file they were found in.
QMap<QString, QString> collectGermanTexts() {
    // The first argument may be several adjacent literals, which the compiler joins.
    // The macro's name is split so that moc does not expand it here.
    static const QRegularExpression call(
        QStringLiteral("\\b(?:L10n::lookup|L10n::format|ORVL_"
                       "TEXT)\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)"));
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    QMap<QString, QString> texts;
    for (const char* folder :
         {"app", "automation", "base", "document", "notes", "pacing", "timing", "ui", "ontime",
          "stagetimer", "remote", "drawing", "navigation", "media"}) {
        // ui/ keeps its widgets in subfolders.
        QDirIterator files(QStringLiteral(ORVL_SOURCE_DIR "/") + QLatin1String(folder),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString source = QString::fromUtf8(file.readAll());
            for (const auto& match : call.globalMatch(source)) {
                QString text;
                for (const auto& piece : literal.globalMatch(match.captured(1)))
                    text += unescape(piece.captured(1));
                texts.insert(text, file.fileName());
            }
        }
    }
    texts.remove(QStringLiteral("text")); // the marker macro's own definition
    return texts;
}

QStringList placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%(?:@|d|02d|%)"));
    QStringList found;
    for (const auto& match : placeholder.globalMatch(text))
        found.append(match.captured());
    return found;
}

} // namespace

class TestStrings : public QObject {
    Q_OBJECT
private slots:
    void everyTextIsTranslated() {
        QFile file(QStringLiteral(ORVL_SOURCE_DIR "/resources/strings.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const L10n::Table table = L10n::parseTable(file.readAll());
        QVERIFY2(!table.isEmpty(), "resources/strings.json does not parse as a translation table");

        const auto texts = collectGermanTexts();
        QVERIFY(!texts.isEmpty());
        QStringList problems;
        for (auto text = texts.begin(); text != texts.end(); ++text) {
            for (const QString& language : {QStringLiteral("en"), QStringLiteral("fr")}) {
                const auto entry = table.constFind(text.key());
                if (entry == table.constEnd() || !entry->contains(language)) {
                    problems << QStringLiteral("no %1 for \"%2\" (%3)")
                                    .arg(language, text.key(), text.value());
                    continue;
                }
                if (placeholders(entry->value(language)) != placeholders(text.key()))
                    problems << QStringLiteral("placeholders of %1 differ for \"%2\"")
                                    .arg(language, text.key());
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

ORVL_TEST_MAIN(TestStrings)
#include "tst_strings.moc"
