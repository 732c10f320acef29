#include "document/PdfDocument.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const QString& path, Status* status) {
    const auto report = [status](Status value) {
        if (status)
            *status = value;
    };
    std::unique_ptr<PdfDocument> opened(new PdfDocument);
    opened->document = std::make_unique<QPdfDocument>();
    // A load without a password set tries the empty one, the only one this program offers.
    const QPdfDocument::Error error = opened->document->load(path);
    if (error == QPdfDocument::Error::IncorrectPassword) {
        report(Status::locked);
        return nullptr;
    }
    if (error != QPdfDocument::Error::None ||
        opened->document->status() != QPdfDocument::Status::Ready) {
        report(Status::unreadable);
        return nullptr;
    }
    const int count = opened->document->pageCount();
    opened->pageSizes.reserve(count);
    for (int page = 0; page < count; ++page)
        opened->pageSizes.append(opened->document->pagePointSize(page));
    report(Status::ok);
    return opened;
}

QSizeF PdfDocument::pageSize(qint64 page) const {
    if (page < 0 || page >= pageSizes.size())
        return {};
    return pageSizes.at(page);
}

QImage PdfDocument::drawPage(qint64 page, QSize pixelSize) const {
    if (page < 0 || page >= pageSizes.size() || pixelSize.isEmpty())
        return {};
    QPdfDocumentRenderOptions options;
    // Without this flag form fields, stamps and other annotations would be missing.
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    return document->render(int(page), pixelSize, options);
}
