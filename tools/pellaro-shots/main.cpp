// pellaro-shots: pictures of the program's windows for the built-in manual.
//
//   pellaro-shots OUTDIR
//
// Writes NAME-en.png (English) and NAME-pl.png (Polish) for every window into
// OUTDIR. Runs without a display: the offscreen platform is chosen unless
// QT_QPA_PLATFORM says otherwise.

#include "app/StartPicture.h"
#include "ui/ScreenShots.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellaro-shots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "pellaro-shots: cannot make %s\n", argv[1]);
        return 1;
    }
    const std::pair<const char*, const char*> languages[] = {{"English", "en"}, {"Polski", "pl"}};
    for (auto [language, suffix] : languages) {
        QString error;
        const QList<WindowShot> shots = ShootWindows(QString::fromLatin1(language), StartPicture(), &error);
        if (shots.isEmpty()) {
            std::fprintf(stderr, "pellaro-shots: %s\n", qPrintable(error));
            return 1;
        }
        for (const WindowShot& shot : shots) {
            const QString path = out.filePath(QStringLiteral("%1-%2.png").arg(shot.name, QLatin1String(suffix)));
            if (shot.image.size() != shot.expectedSize || !shot.image.save(path)) {
                std::fprintf(stderr, "pellaro-shots: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
