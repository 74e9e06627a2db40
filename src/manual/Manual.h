#pragma once

#include <QString>
#include <QUrl>

// The program's own manual, compiled in as resources: English and Polish
// pages; every other language reads the English ones.
namespace manual {

// The contents page for the language box's text ("Polski" gives the Polish
// pages; "English", "český", "Magyar" and anything else the English ones).
QUrl startPage(const QString& languageName);

} // namespace manual
