#include "automation/NavigationState.h"

#include "app/Application.h"

namespace {

QString kindName(PageLink::Kind kind) {
    using Kind = PageLink::Kind;
    switch (kind) {
    case Kind::page:
        return QStringLiteral("page");
    case Kind::destination:
        return QStringLiteral("destination");
    case Kind::action:
        return QStringLiteral("action");
    case Kind::uri:
        return QStringLiteral("uri");
    case Kind::launch:
        return QStringLiteral("launch");
    case Kind::javascript:
        return QStringLiteral("javascript");
    case Kind::otherDocument:
        return QStringLiteral("otherDocument");
    case Kind::missing:
        return QStringLiteral("missing");
    case Kind::unsupported:
        break;
    }
    return QStringLiteral("unsupported");
}

QString actionName(PageLink::Action action) {
    using Action = PageLink::Action;
    switch (action) {
    case Action::next:
        return QStringLiteral("next");
    case Action::previous:
        return QStringLiteral("previous");
    case Action::first:
        return QStringLiteral("first");
    case Action::last:
        return QStringLiteral("last");
    case Action::back:
        return QStringLiteral("back");
    case Action::forward:
        return QStringLiteral("forward");
    case Action::none:
        break;
    }
    return {};
}

QJsonArray array(const QRectF& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

namespace NavigationState {

QJsonArray links(Application& app) {
    QJsonArray all;
    for (const PageLink& link : app.deck().navigation(app.slideShow().page()).links) {
        QJsonValue target;
        if (link.kind == PageLink::Kind::page || link.kind == PageLink::Kind::destination)
            target = link.page;
        else if (link.kind == PageLink::Kind::action)
            target = actionName(link.action);
        else if (!link.text.isEmpty())
            target = link.text;
        all.append(QJsonObject{{QStringLiteral("rect"), array(link.area)},
                               {QStringLiteral("kind"), kindName(link.kind)},
                               {QStringLiteral("target"), target}});
    }
    return all;
}

QJsonObject overview(Application& app) {
    return {{QStringLiteral("open"), app.overview().isOpen()},
            {QStringLiteral("selected"), app.overview().selected()}};
}

} // namespace NavigationState
