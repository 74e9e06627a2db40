// pellaro-icon: the program's window icon as PNG files for the desktop entry.
//
//   pellaro-icon OUTDIR SIZE...
//
// Writes OUTDIR/pellaro-SIZE.png for every size (16..512 pixels). Runs without
// a display: the offscreen platform is chosen unless QT_QPA_PLATFORM says
// otherwise.

#include "app/StartPicture.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: pellaro-icon OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "pellaro-icon: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 512) {
            std::fprintf(stderr, "pellaro-icon: not a size from 16 to 512: %s\n", argv[i]);
            return 2;
        }
        const QString path = out.filePath(QStringLiteral("pellaro-%1.png").arg(size));
        if (!WindowIcon(size).save(path)) {
            std::fprintf(stderr, "pellaro-icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
