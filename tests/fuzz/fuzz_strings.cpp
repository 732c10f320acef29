// Fuzzes the translation table reader and the printf-style filling of formats.
#include "FuzzSupport.h"

#include <limits>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzSupport::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const L10n::Table table = L10n::parseTable(input);
    for (auto entry = table.begin(); entry != table.end(); ++entry) {
        for (const QString& language : L10n::languages()) {
            const QString format = L10n::translate(table, language, entry.key());
            L10n::fill(format,
                       {QStringLiteral("x"), std::numeric_limits<qint64>::min(), -1, QVariant()});
        }
    }
    // The input itself as a format, with extreme and missing arguments.
    L10n::fill(QString::fromUtf8(input),
               {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                QStringLiteral("%@")});
    return 0;
}
