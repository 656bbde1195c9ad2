// Writes the program's icon as a PNG file for the desktop entry. It is the very picture the
// main window shows as its icon, drawn by the same code, so the two never drift apart.
//
//   tessaly_render_icon OUTPUT.png

#include "roulette/WheelPictures.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: tessaly_render_icon OUTPUT.png\n", stderr);
        return 2;
    }
    // A build machine has no display; the picture is drawn in memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!roulette::windowIcon().pixmap(32, 32).save(output, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
