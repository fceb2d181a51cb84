// The yardstick of the desktop program's memory: a bare Qt Widgets window, shown, doing
// nothing. Prints "shown" once its window is up.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("A bare window"));
    window.show();
    QTimer::singleShot(0, [] {
        std::puts("shown");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
