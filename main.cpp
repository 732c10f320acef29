// Program entry: the application object, then the controller, then the event loop.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return 0;
}
