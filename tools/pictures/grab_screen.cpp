// Saves what an X display shows: the whole screen, or one window given by its id.
// Usage: grab_screen OUTPUT.png [WINDOW_ID]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2 || argc > 3) {
        err << "usage: grab_screen OUTPUT.png [WINDOW_ID]\n";
        return 2;
    }
    const WId window = argc == 3 ? WId(QByteArray(argv[2]).toULongLong(nullptr, 0)) : 0;
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        err << "cannot grab the screen into " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
