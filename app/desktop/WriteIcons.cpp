// Writes the window icon as the PNG files of the desktop's icon theme, for the install:
// ry7icons FOLDER SIZE... writes FOLDER/<size>x<size>/apps/ry7styletool.png for each size.
#include "app/CIconFactory.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    const QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 3) {
        std::fputs("usage: ry7icons FOLDER SIZE...\n", stderr);
        return 2;
    }
    for (const QString& size : arguments.mid(2)) {
        const int pixels = size.toInt();
        const QString folder = QString("%1/%2x%2/apps").arg(arguments.at(1)).arg(pixels);
        if (pixels <= 0 || !QDir().mkpath(folder) ||
            !CIconFactory::WindowPicture(pixels).save(folder + "/ry7styletool.png", "PNG")) {
            std::fprintf(stderr, "ry7icons: cannot write the %s pixel icon into %s\n", qPrintable(size),
                         qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
