#include "ui/common/PdfDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

namespace PdfDrop {

std::optional<QUrl> pdfUrl(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            QFileInfo(url.toLocalFile()).suffix().toLower() == QLatin1String("pdf"))
            return url;
    }
    return std::nullopt;
}

std::optional<QUrl> accept(QDropEvent* event) {
    std::optional<QUrl> url = pdfUrl(event->mimeData());
    if (url) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    return url;
}

} // namespace PdfDrop
