#pragma once

#include <QStringList>

class QTextStream;

// Runs "db ARGS..."; -1 when the arguments make no command (usage).
int databaseCommand(const QStringList& args, QTextStream& out);
