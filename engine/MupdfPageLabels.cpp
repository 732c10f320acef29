#include "engine/MupdfPageLabels.h"

#include <mupdf/pdf.h>

#include <algorithm>
#include <vector>

namespace {

// A hostile tree can be deep or cyclic; real files have a flat list or one level of kids.
constexpr int maximumDepth = 16;
constexpr int maximumNodes = 10000;

// Strings owned by the document's objects, valid while it is open.
struct Range {
    int start = 0;
    const char* style = nullptr;
    const char* prefix = nullptr;
    int first = 1;
};

// Collects the (start page, label dictionary) pairs of the tree. Only plain locals here: a MuPDF
// error jumps straight back to the caller's fz_catch.
void collect(fz_context* context, pdf_obj* node, int depth, int* budget, std::vector<Range>* out) {
    if (!node || depth > maximumDepth || --*budget < 0)
        return;
    pdf_obj* const numbers = pdf_dict_get(context, node, PDF_NAME(Nums));
    const int length = pdf_array_len(context, numbers);
    for (int i = 0; i + 1 < length; i += 2) {
        pdf_obj* const key = pdf_array_get(context, numbers, i);
        pdf_obj* const value = pdf_array_get(context, numbers, i + 1);
        if (!pdf_is_int(context, key) || !pdf_is_dict(context, value))
            continue;
        pdf_obj* const first = pdf_dict_gets(context, value, "St");
        out->push_back({pdf_to_int(context, key), pdf_dict_get_name(context, value, PDF_NAME(S)),
                        pdf_dict_get_text_string(context, value, PDF_NAME(P)),
                        pdf_is_int(context, first) ? pdf_to_int(context, first) : 1});
    }
    pdf_obj* const kids = pdf_dict_get(context, node, PDF_NAME(Kids));
    const int kidCount = pdf_array_len(context, kids);
    for (int i = 0; i < kidCount; ++i)
        collect(context, pdf_array_get(context, kids, i), depth + 1, budget, out);
}

QString roman(int number, bool upper) {
    static const std::pair<int, const char*> digits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString text;
    for (const auto& [value, letters] : digits) {
        for (; number >= value; number -= value)
            text += QLatin1String(letters);
    }
    return upper ? text.toUpper() : text;
}

// A to Z, then AA to ZZ, then AAA and so on.
QString letters(int number, bool upper) {
    const int repeat = (number - 1) / 26 + 1;
    const QChar letter(char16_t((upper ? u'A' : u'a') + (number - 1) % 26));
    return QString(std::min(repeat, 1000), letter);
}

} // namespace

namespace MupdfPageLabels {

QString format(const QString& style, const QString& prefix, int number) {
    if (number < 1)
        return prefix;
    if (style == QLatin1String("D"))
        return prefix + QString::number(number);
    if (style == QLatin1String("R") || style == QLatin1String("r"))
        return prefix + roman(number, style == QLatin1String("R"));
    if (style == QLatin1String("A") || style == QLatin1String("a"))
        return prefix + letters(number, style == QLatin1String("A"));
    return prefix;
}

QStringList read(fz_context* context, pdf_document* document, int pageCount) {
    std::vector<Range> ranges;
    int budget = maximumNodes;
    fz_try(context) {
        pdf_obj* const root = pdf_dict_get(context, pdf_trailer(context, document), PDF_NAME(Root));
        collect(context, pdf_dict_gets(context, root, "PageLabels"), 0, &budget, &ranges);
    }
    fz_catch(context) {
        return {};
    }
    if (ranges.empty())
        return {};
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Range& a, const Range& b) { return a.start < b.start; });
    QStringList labels;
    labels.reserve(pageCount);
    std::size_t next = 0;
    const Range* current = nullptr;
    for (int page = 0; page < pageCount; ++page) {
        while (next < ranges.size() && ranges[next].start <= page)
            current = &ranges[next++];
        if (!current) {
            labels.append(QString());
            continue;
        }
        labels.append(format(QString::fromUtf8(current->style ? current->style : ""),
                             QString::fromUtf8(current->prefix ? current->prefix : ""),
                             current->first + page - current->start));
    }
    return labels;
}

} // namespace MupdfPageLabels
