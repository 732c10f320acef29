// A page worker with a scripted engine, so the worker protocol can be tried against crashes,
// hangs and memory floods: page 0 draws red, 1 hangs, 2 crashes, 3 asks for 8 GiB, 4 draws
// green slowly, ignoring cancellation; reading pages 1-3 fails as drawing them does. A path
// containing "crash" or "hang" fails the open so.
#include "engine/PageWorker.h"

#include <QImage>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

class ScriptedEngine : public PageEngine {
public:
    void setImageAllocator(ImageAllocator allocator) override { allocate = std::move(allocator); }
    qint64 pageCount() const override { return 5; }
    QSizeF pageSize(qint64) const override { return {160, 90}; }
    QString pageLabel(qint64 page) const override { return QString::number(page + 1) + "a"; }
    QStringList noteTexts(qint64 page) const override { return {"note " + QString::number(page)}; }
    QByteArray metadata() const override { return "<x:xmpmeta/>"; }
    bool readPage(qint64 page, const std::atomic_bool*) const override {
        if (page >= 1 && page <= 3)
            drawPage(page, QSize(1, 1), {}, nullptr);
        return true;
    }
    QImage drawPage(qint64 page, QSize size, QRectF, const std::atomic_bool*) const override {
        switch (page) {
        case 1:
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        case 2:
            std::abort();
        case 3: {
            std::vector<char> flood(size_t(8) << 30, 1);
            return flood.back() ? QImage() : QImage();
        }
        case 4:
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            return filled(size, Qt::green);
        default:
            return filled(size, Qt::red);
        }
    }

private:
    QImage filled(QSize size, Qt::GlobalColor colour) const {
        QImage image =
            allocate ? allocate(size, QImage::Format_RGB32) : QImage(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    ImageAllocator allocate;
};

} // namespace

int main(int argc, char** argv) {
    const qint64 addressSpace = argc == 3 ? std::strtoll(argv[2], nullptr, 10) : 0;
    return PageWorker::serve(
        [](const QString& path, const QString&, OpenStatus* status) {
            if (path.contains("crash"))
                std::abort();
            while (path.contains("hang"))
                std::this_thread::sleep_for(std::chrono::seconds(1));
            *status = OpenStatus::ok;
            return std::unique_ptr<PageEngine>(new ScriptedEngine);
        },
        addressSpace);
}
