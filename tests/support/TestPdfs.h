// Small PDF files with known page geometry, written by hand for the document tests.
#pragma once

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

namespace TestPdfs {

struct Page {
    QRectF mediaBox{0, 0, 400, 300};
    std::optional<QRectF> cropBox;
    int rotate = 0;
    // PDF content operators, in the page's own coordinates (origin bottom-left).
    QByteArray content;
    // More entries of the page dictionary, such as "/Annots [9 0 R]".
    QByteArray entries;
};

Page page(const QRectF& mediaBox, std::optional<QRectF> cropBox = {}, int rotate = 0,
          const QByteArray& content = {});

// Paints `box` in the colour given as "r g b" (each 0 to 1).
QByteArray fill(const QRectF& box, const char* colour);

// Objects 1 and 2 are the catalog and the page tree, then each page and its content stream;
// `objects` follow those, numbered from 3 + 2 * pages.size().
bool write(const QString& path, const QList<Page>& pages, const QByteArray& catalogEntries = {},
           const QList<QByteArray>& objects = {});
// Encrypts `source` with qpdf (AES-256); an empty user password leaves it openable by anyone.
bool encrypt(const QString& source, const QString& target, const QString& userPassword);

} // namespace TestPdfs
