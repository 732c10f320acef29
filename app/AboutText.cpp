#include "app/AboutText.h"

#include "base/L10n.h"
#include "engine/ProcessEngine.h"
#include "engine/Sandbox.h"

#include <QCoreApplication>
#include <QStringList>

namespace AboutText {

QString text(const QString& applicationTitle) {
    // The sandbox is known once a page worker has answered, that is once a deck was opened.
    const QStringList sandbox = Sandbox::names(ProcessEngine::workerSandbox());
    return QStringList{
        applicationTitle + QLatin1Char(' ') + QCoreApplication::applicationVersion(),
        L10n::lookup("Präsentationsprogramm für PDF-Foliensätze"), QString(),
        // MuPDF's licence is the AGPL, and so the whole program's.
        L10n::lookup("Lizenz: GNU Affero General Public License, Version 3 oder später"),
        L10n::format("Quelltext: %@", {QStringLiteral(ORVL_SOURCE_URL)}), QString(),
        L10n::format("PDF-Engine: %@ in eigenen Prozessen", {ProcessEngine::engineName()}),
        sandbox.isEmpty() ? L10n::lookup("Sandbox: noch kein PDF geöffnet")
                          : L10n::format("Sandbox: %@", {sandbox.join(QStringLiteral(", "))})}
        .join(QLatin1Char('\n'));
}

} // namespace AboutText
