// The Qt PDF back end of the page engine: one opened document, used only on the thread that opened
// it.
#pragma once

#include "document/PageEngine.h"

#include <QList>

class QPdfDocument;

class PdfDocument : public PageEngine {
public:
    ~PdfDocument() override;

    // Page count and page sizes are read here once: the rasteriser serialises every call behind one
    // process-wide lock, so later questions from another thread would wait for a render in flight.
    static std::unique_ptr<PdfDocument> open(const QString& path, const QString& password = {},
                                             OpenStatus* status = nullptr);

    qint64 pageCount() const override { return pageSizes.size(); }
    QSizeF pageSize(qint64 page) const override;
    // Qt PDF 6.4 reads neither page labels nor annotation contents.
    QString pageLabel(qint64) const override { return {}; }
    QStringList noteTexts(qint64) const override { return {}; }
    // A draw cannot be interrupted here, so `cancel` is only looked at before it starts.
    QImage drawPage(qint64 page, QSize pixelSize, QRectF region = QRectF(0, 0, 1, 1),
                    const std::atomic_bool* cancel = nullptr) const override;

private:
    PdfDocument() = default;

    std::unique_ptr<QPdfDocument> document;
    QList<QSizeF> pageSizes;
};
