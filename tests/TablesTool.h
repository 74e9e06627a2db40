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
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}
