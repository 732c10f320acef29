#include "support/TestPdfs.h"

#include <QFile>
#include <QProcess>

namespace {

QByteArray number(double value) {
    return QByteArray::number(value, 'g', 10);
}

QByteArray box(const QRectF& rect) {
    return "[" + number(rect.left()) + " " + number(rect.top()) + " " + number(rect.right()) + " " +
           number(rect.bottom()) + "]";
}

} // namespace

namespace TestPdfs {

Page page(const QRectF& mediaBox, std::optional<QRectF> cropBox, int rotate,
          const QByteArray& content) {
    Page made;
    made.mediaBox = mediaBox;
    made.cropBox = cropBox;
    made.rotate = rotate;
    made.content = content;
    return made;
}

QByteArray fill(const QRectF& rect, const char* colour) {
    return QByteArray(colour) + " rg " + number(rect.x()) + " " + number(rect.y()) + " " +
           number(rect.width()) + " " + number(rect.height()) + " re f\n";
}

bool write(const QString& path, const QList<Page>& pages, const QByteArray& catalogEntries,
           const QList<QByteArray>& extraObjects) {
    QList<QByteArray> objects;
    objects.append("<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>");
    QByteArray kids;
    for (int i = 0; i < pages.size(); ++i)
        kids += QByteArray::number(3 + 2 * i) + " 0 R ";
    objects.append("<< /Type /Pages /Kids [" + kids + "] /Count " +
                   QByteArray::number(pages.size()) + " >>");
    for (int i = 0; i < pages.size(); ++i) {
        const Page& page = pages.at(i);
        QByteArray dictionary = "<< /Type /Page /Parent 2 0 R /MediaBox " + box(page.mediaBox);
        if (page.cropBox)
            dictionary += " /CropBox " + box(*page.cropBox);
        if (page.rotate != 0)
            dictionary += " /Rotate " + QByteArray::number(page.rotate);
        dictionary += " /Resources << >> /Contents " + QByteArray::number(4 + 2 * i) + " 0 R " +
                      page.entries + " >>";
        objects.append(dictionary);
        objects.append("<< /Length " + QByteArray::number(page.content.size()) + " >>\nstream\n" +
                       page.content + "\nendstream");
    }
    objects.append(extraObjects);
    QByteArray file = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(file.size());
        file += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = file.size();
    file += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        file += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    file += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

bool encrypt(const QString& source, const QString& target, const QString& userPassword) {
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--encrypt"), userPassword, QStringLiteral("owner-secret"),
                QStringLiteral("256"), QStringLiteral("--"), source, target});
    return qpdf.waitForFinished(30000) && qpdf.exitStatus() == QProcess::NormalExit &&
           qpdf.exitCode() == 0;
}

} // namespace TestPdfs
