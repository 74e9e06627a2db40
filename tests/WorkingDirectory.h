#pragma once

#include "data/TableLayouts.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A fresh working directory with the three tables made empty, current for as
// long as it lives: the program opens its tables and config.ini from the
// current directory, as on an operator's PC.
class WorkingDirectory
{
public:
    WorkingDirectory()
    {
        if (m_dir.isValid())
            TableLayouts::createAll(m_dir.path());
        m_current = m_dir.isValid() && QDir::setCurrent(m_dir.path());
    }
    ~WorkingDirectory() { QDir::setCurrent(QDir::tempPath()); }

    // False when the directory could not be made or entered; check it with QVERIFY.
    bool isValid() const { return m_current; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_current = false;
};

// For each test function: a new working directory, config.ini holding config
// (none when empty), and no message box left over from the function before.
inline bool renewWorkingDirectory(std::unique_ptr<WorkingDirectory>& dir, const QByteArray& config = {})
{
    dir.reset();
    dir = std::make_unique<WorkingDirectory>();
    MessageBox::takeShown();
    QFile ini(dir->filePath(QStringLiteral("config.ini")));
    return dir->isValid() &&
           (config.isEmpty() || (ini.open(QIODevice::WriteOnly) && ini.write(config) == config.size()));
}
