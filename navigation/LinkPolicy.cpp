#include "navigation/LinkPolicy.h"

#include "base/L10n.h"

#include <optional>

namespace {

constexpr qsizetype shownCharacters = 100;

std::optional<QUrl> webAddress(const QString& text) {
    const QString address = text.trimmed();
    for (const QChar character : address) {
        if (character.category() == QChar::Other_Control || character.isSpace())
            return std::nullopt;
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty())
        return url;
    if (scheme == QLatin1String("mailto") && !url.path().isEmpty())
        return url;
    return std::nullopt;
}

LinkPolicy::Outcome refuse(const QString& why) {
    LinkPolicy::Outcome outcome;
    outcome.why = why;
    return outcome;
}

LinkPolicy::Outcome does(LinkPolicy::Outcome::Does what, qint64 page = -1) {
    LinkPolicy::Outcome outcome;
    outcome.does = what;
    outcome.page = page;
    return outcome;
}

} // namespace

namespace LinkPolicy {

Outcome decide(const PageLink& link, qint64 pageCount, bool onConsole) {
    using Does = Outcome::Does;
    using Kind = PageLink::Kind;
    switch (link.kind) {
    case Kind::page:
    case Kind::destination:
        if (link.page < 0 || link.page >= pageCount)
            break;
        return does(Does::goTo, link.page);
    case Kind::action:
        switch (link.action) {
        case PageLink::Action::next:
            return does(Does::next);
        case PageLink::Action::previous:
            return does(Does::previous);
        case PageLink::Action::first:
            return does(Does::first);
        case PageLink::Action::last:
            return does(Does::last);
        case PageLink::Action::back:
            return does(Does::back);
        case PageLink::Action::forward:
            return does(Does::forward);
        case PageLink::Action::none:
            break;
        }
        break;
    case Kind::uri: {
        const std::optional<QUrl> url = webAddress(link.text);
        if (!url)
            return refuse(L10n::format("Link nicht gefolgt: Adressen dieser Art werden nicht "
                                       "geöffnet (%@)",
                                       {shown(link.text)}));
        // The audience's screen opens nothing: a browser there would show the speaker's desktop.
        if (!onConsole)
            return refuse(L10n::lookup("Web-Link nicht geöffnet: Adressen öffnen sich nur mit "
                                       "einem Klick am Pult"));
        Outcome outcome = does(Does::open);
        outcome.url = *url;
        return outcome;
    }
    case Kind::launch:
        return refuse(link.text.trimmed().isEmpty()
                          ? L10n::lookup("Link nicht gefolgt: er würde ein Programm oder eine "
                                         "Datei öffnen")
                          : L10n::format("Link nicht gefolgt: er würde ein Programm oder eine "
                                         "Datei öffnen (%@)",
                                         {shown(link.text)}));
    case Kind::javascript:
        return refuse(L10n::lookup("Link nicht gefolgt: er würde JavaScript ausführen"));
    case Kind::otherDocument:
        return refuse(L10n::lookup("Link nicht gefolgt: er führt in ein anderes Dokument"));
    case Kind::missing:
        break;
    case Kind::unsupported:
        return refuse(L10n::format("Link nicht gefolgt: die Aktion „%@“ wird nicht ausgeführt",
                                   {shown(link.text)}));
    }
    return refuse(L10n::lookup("Link nicht gefolgt: sein Ziel fehlt im Dokument"));
}

QString shown(const QString& text) {
    QString line;
    for (const QChar character : text) {
        if (character.category() == QChar::Other_Control || character == QChar::LineSeparator ||
            character == QChar::ParagraphSeparator)
            line += QLatin1Char(' ');
        else
            line += character;
    }
    line = line.simplified();
    if (line.size() > shownCharacters)
        line = line.left(shownCharacters - 1) + QStringLiteral("…");
    return line;
}

} // namespace LinkPolicy
