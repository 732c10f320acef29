// Which image of which page: the page index and the exact size in device pixels.
#pragma once

#include <QHashFunctions>
#include <QtGlobal>

struct RenderKey {
    qint64 page = 0;
    qint64 width = 0;  // device pixels
    qint64 height = 0; // device pixels

    qint64 pixels() const { return width * height; }
    friend bool operator==(const RenderKey&, const RenderKey&) = default;
    friend size_t qHash(const RenderKey& key, size_t seed = 0) {
        return qHashMulti(seed, key.page, key.width, key.height);
    }
};
