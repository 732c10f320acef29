// The PDF back end: one opened document, used only on the thread that opened it.
#pragma once

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <memory>

class QPdfDocument;

class PdfDocument {
public:
    enum class Status { ok, unreadable, locked };

    ~PdfDocument();

    // Opens the file, unlocking an encrypted one with the empty password only. Page count and page
    // sizes are read here once: the rasteriser serialises every call behind one process-wide lock,
    // so later questions from another thread would wait for a render in flight.
    static std::unique_ptr<PdfDocument> open(const QString& path, Status* status = nullptr);

    qint64 pageCount() const { return pageSizes.size(); }
    // The page as displayed, in points: the crop box with the page rotation applied.
    QSizeF pageSize(qint64 page) const;
    // The page drawn at exactly `pixelSize`, on a transparent background; null on failure.
    QImage drawPage(qint64 page, QSize pixelSize) const;

private:
    PdfDocument() = default;

    std::unique_ptr<QPdfDocument> document;
    QList<QSizeF> pageSizes;
};
