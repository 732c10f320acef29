// Qt PDF drawing one page: the reference a heavy page's first draw is held against. Prints the
// milliseconds of the first draw and the median of the draws after it.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s FILE PAGE WIDTH HEIGHT AGAIN\n", argv[0]);
        return 2;
    }
    QPdfDocument document;
    if (document.load(QString::fromLocal8Bit(argv[1])) != QPdfDocument::Error::None)
        return 1;
    const int page = std::atoi(argv[2]) - 1;
    const QSize size(std::atoi(argv[3]), std::atoi(argv[4]));
    const int again = std::max(1, std::atoi(argv[5]));
    std::vector<double> milliseconds;
    for (int round = 0; round <= again; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (document.render(page, size).isNull())
            return 1;
        milliseconds.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(milliseconds.begin() + 1, milliseconds.end());
    std::printf("%.2f %.2f\n", milliseconds[0], milliseconds[size_t(1 + again / 2)]);
    return 0;
}
