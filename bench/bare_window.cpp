// The yardstick of bench_startup: an empty QMainWindow of the same size, through the same
// first-paint probe as orelia.
#include "ui/FirstPaintProbe.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1280, 800);
    FirstPaintProbe::installFromEnvironment(window);
    window.show();
    return QApplication::exec();
}
