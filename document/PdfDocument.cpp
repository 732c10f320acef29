#include "document/PdfDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <cmath>

namespace {

// Qt PDF names every unreadable file an invalid format; the header tells a damaged PDF from another
// kind of file.
OpenStatus unreadableStatus(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return OpenStatus::damaged;
    return file.read(1024).contains("%PDF-") ? OpenStatus::damaged : OpenStatus::notPdf;
}

} // namespace

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const QString& path, const QString& password,
                                               OpenStatus* status) {
    const auto fail = [status](OpenStatus value) -> std::unique_ptr<PdfDocument> {
        if (status)
            *status = value;
        return nullptr;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(OpenStatus::notFound);
    if (!info.isReadable())
        return fail(OpenStatus::permissionDenied);
    std::unique_ptr<PdfDocument> opened(new PdfDocument);
    opened->document = std::make_unique<QPdfDocument>();
    // Without a password set, a load tries the empty one.
    if (!password.isEmpty())
        opened->document->setPassword(password);
    const QPdfDocument::Error error = opened->document->load(path);
    if (error == QPdfDocument::Error::IncorrectPassword)
        return fail(password.isEmpty() ? OpenStatus::needsPassword : OpenStatus::wrongPassword);
    if (error == QPdfDocument::Error::FileNotFound)
        return fail(OpenStatus::notFound);
    if (error != QPdfDocument::Error::None ||
        opened->document->status() != QPdfDocument::Status::Ready)
        return fail(unreadableStatus(path));
    const int count = opened->document->pageCount();
    opened->pageSizes.reserve(count);
    for (int page = 0; page < count; ++page)
        opened->pageSizes.append(opened->document->pagePointSize(page));
    if (status)
        *status = OpenStatus::ok;
    return opened;
}

QSizeF PdfDocument::pageSize(qint64 page) const {
    if (page < 0 || page >= pageSizes.size())
        return {};
    return pageSizes.at(page);
}

QImage PdfDocument::drawPage(qint64 page, QSize pixelSize, QRectF region,
                             const std::atomic_bool* cancel) const {
    if (page < 0 || page >= pageSizes.size() || pixelSize.isEmpty() || region.isEmpty() ||
        (cancel && *cancel))
        return {};
    QPdfDocumentRenderOptions options;
    // Without this flag form fields, stamps and other annotations would be missing.
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    if (region != QRectF(0, 0, 1, 1)) {
        // The whole page is scaled so that the region fills the image, then clipped to it.
        const QSize whole(int(std::round(pixelSize.width() / region.width())),
                          int(std::round(pixelSize.height() / region.height())));
        options.setScaledSize(whole);
        options.setScaledClipRect(QRect(QPoint(int(std::round(region.x() * whole.width())),
                                               int(std::round(region.y() * whole.height()))),
                                        pixelSize));
    }
    return document->render(int(page), pixelSize, options);
}

EngineFactory defaultEngineFactory() {
    EngineFactory factory;
    factory.workers = 1;
    factory.open = [](const QString& path, const QString& password,
                      OpenStatus* status) -> std::unique_ptr<PageEngine> {
        return PdfDocument::open(path, password, status);
    };
    return factory;
}
