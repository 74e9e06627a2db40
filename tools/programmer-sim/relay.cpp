// serial-relay: two pseudo-terminals joined as a null-modem cable joins two
// serial ports, so that a program and the programmer simulator may each open
// a port of its own (--port): what one end's program writes, the other's reads.
// Prints the two terminals' paths, one a line; runs until it is ended.

#include "platform/SerialDevice.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// How long one end may leave bytes untaken before they are dropped, as a
// line with nobody listening drops them.
constexpr int TakeMs = 1000;

void pass(platform::SerialDevice& from, platform::SerialDevice& to)
{
    QByteArray bytes = from.read(4096);
    while (!bytes.isEmpty()) {
        const qint64 n = to.write(bytes);
        if (n < 0 || (n == 0 && !to.waitWritable(TakeMs)))
            return;
        bytes.remove(0, n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    std::optional<platform::PseudoTerminal> ends[2] = {platform::openPseudoTerminal(&error),
                                                       platform::openPseudoTerminal(&error)};
    if (!ends[0] || !ends[1]) {
        std::fprintf(stderr, "serial-relay: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n%s\n", qPrintable(ends[0]->path), qPrintable(ends[1]->path));
    std::fflush(stdout);
    for (int i = 0; i < 2; ++i) {
        platform::SerialDevice& from = *ends[i]->device;
        platform::SerialDevice& to = *ends[1 - i]->device;
        from.watchInput(&app, [&from, &to] { pass(from, to); });
    }
    return app.exec();
}
