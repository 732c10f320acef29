// Turns a fuzz input into a sequence of transport answers: NUL-separated chunks, each a body
// answered with 200 unless its first byte says otherwise (1: transport failure, 2: the next two
// bytes pick an HTTP status, 3: no HTTP status).
#pragma once

#include "support/ScriptedTransport.h"

#include <QByteArray>
#include <QList>

namespace ScriptedAnswers {

inline constexpr qsizetype maxAnswers = 64;

inline HttpResult answerFor(const QByteArray& chunk) {
    const char first = chunk.isEmpty() ? 0 : chunk.at(0);
    if (first == 1)
        return ScriptedTransport::failure();
    if (first == 2 && chunk.size() >= 3) {
        const int code = (uchar(chunk.at(1)) << 8 | uchar(chunk.at(2))) % 500 + 100;
        return ScriptedTransport::response(code, chunk.mid(3));
    }
    if (first == 3) {
        HttpResult result;
        result.kind = HttpResult::Kind::NonHttpResponse;
        result.body = chunk.mid(1);
        return result;
    }
    return ScriptedTransport::response(200, chunk);
}

inline QList<QByteArray> split(const QByteArray& input) {
    QList<QByteArray> chunks = input.split('\0');
    if (chunks.size() > maxAnswers)
        chunks.resize(maxAnswers);
    return chunks;
}

} // namespace ScriptedAnswers
