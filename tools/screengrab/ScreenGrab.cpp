// Saves the whole X screen as a PNG: the README's screenshots are made by scripts/screenshots
// under Xvfb with it, never by hand.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screengrab FILE.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap shot = screen->grabWindow(0);
    if (argc >= 6) {
        shot = shot.copy(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    }
    return shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
