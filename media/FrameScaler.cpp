#include "media/FrameScaler.h"

#include <QVideoFrameFormat>

#include <optional>
#include <utility>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace {

struct Source {
    AVPixelFormat format;
    // YV12 holds V before U.
    bool chromaSwapped = false;
};

std::optional<Source> sourceOf(QVideoFrameFormat::PixelFormat format) {
    switch (format) {
    case QVideoFrameFormat::Format_YUV420P:
        return Source{AV_PIX_FMT_YUV420P};
    case QVideoFrameFormat::Format_YV12:
        return Source{AV_PIX_FMT_YUV420P, true};
    case QVideoFrameFormat::Format_YUV422P:
        return Source{AV_PIX_FMT_YUV422P};
    case QVideoFrameFormat::Format_NV12:
        return Source{AV_PIX_FMT_NV12};
    case QVideoFrameFormat::Format_NV21:
        return Source{AV_PIX_FMT_NV21};
    case QVideoFrameFormat::Format_UYVY:
        return Source{AV_PIX_FMT_UYVY422};
    case QVideoFrameFormat::Format_YUYV:
        return Source{AV_PIX_FMT_YUYV422};
    case QVideoFrameFormat::Format_P010:
        return Source{AV_PIX_FMT_P010LE};
    default:
        return std::nullopt;
    }
}

int coefficientsOf(QVideoFrameFormat::ColorSpace space) {
    switch (space) {
    case QVideoFrameFormat::ColorSpace_BT709:
        return SWS_CS_ITU709;
    case QVideoFrameFormat::ColorSpace_BT2020:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_ITU601;
    }
}

} // namespace

FrameScaler::~FrameScaler() {
    for (SwsContext* context : std::as_const(contexts))
        sws_freeContext(context);
}

QList<QImage> FrameScaler::scaled(const QVideoFrame& frame, const QList<QSize>& sizes) {
    QList<QImage> pictures(sizes.size());
    const std::optional<Source> source = sourceOf(frame.pixelFormat());
    if (!source) {
        const QImage whole = frame.toImage().convertToFormat(QImage::Format_RGB32);
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            if (!whole.isNull() && !sizes.at(i).isEmpty())
                pictures[i] = whole.size() == sizes.at(i)
                                  ? whole
                                  : whole.scaled(sizes.at(i), Qt::IgnoreAspectRatio,
                                                 Qt::SmoothTransformation);
        }
        return pictures;
    }
    QVideoFrame mapped = frame;
    if (frame.size().isEmpty() || !mapped.map(QVideoFrame::ReadOnly))
        return pictures;
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int plane = 0; plane < std::min(mapped.planeCount(), 4); ++plane) {
        planes[plane] = mapped.bits(plane);
        strides[plane] = mapped.bytesPerLine(plane);
    }
    if (source->chromaSwapped) {
        std::swap(planes[1], planes[2]);
        std::swap(strides[1], strides[2]);
    }
    const QVideoFrameFormat format = frame.surfaceFormat();
    const int* coefficients = sws_getCoefficients(coefficientsOf(format.colorSpace()));
    const int fullRange = format.colorRange() == QVideoFrameFormat::ColorRange_Full ? 1 : 0;
    contexts.resize(sizes.size(), nullptr);
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSize size = sizes.at(i);
        if (size.isEmpty())
            continue;
        contexts[i] = sws_getCachedContext(
            contexts[i], frame.width(), frame.height(), source->format, size.width(), size.height(),
            AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!contexts[i])
            continue;
        sws_setColorspaceDetails(contexts[i], coefficients, fullRange,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        // BGRA in memory is Qt's 0xAARRGGBB on a little-endian machine; the alpha comes out
        // opaque from a YUV frame.
        QImage picture(size, QImage::Format_RGB32);
        uint8_t* const target[4] = {picture.bits(), nullptr, nullptr, nullptr};
        const int targetStrides[4] = {int(picture.bytesPerLine()), 0, 0, 0};
        if (sws_scale(contexts[i], planes, strides, 0, frame.height(), target, targetStrides) > 0)
            pictures[i] = picture;
    }
    mapped.unmap();
    return pictures;
}
