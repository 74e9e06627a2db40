#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the built pellaro-tables (PELLARO_TABLES_EXE) as an installer would,
// and gives back its exit code (-1 when it crashed) and everything it printed.
struct ToolRun
{
    int exitCode;
    QString output;
};

inline ToolRun tables(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(PELLARO_TABLES_EXE), args);
    p.waitForFinished(240000);
    // A console program on Windows ends its lines with CR LF.
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll()).replace(QLatin1String("\r\n"), QLatin1String("\n"))};
}
