#pragma once

#include "config/Settings.h"
#include "pgstore/PgStore.h"

// The settings every desk of a site on a shared database shares: the system
// number, the previous one and the two passwords' hashes, one row per key in
// the table pellaro_site. The cards every desk writes carry that system
// number, so no desk may keep its own.
namespace pgsite {

// The statement that makes the table; db init runs it with the others, and a
// database made before it gets the table at its first use.
QString settingsSchema();

class SiteSettings final : public settings::SiteStore
{
public:
    explicit SiteSettings(PgServer server);
    ~SiteSettings() override;
    SiteSettings(const SiteSettings&) = delete;
    SiteSettings& operator=(const SiteSettings&) = delete;

    QString name() const override;
    bool read(QMap<QString, QString>* values, QString* error) override;
    bool write(const QMap<QString, QString>& values, bool onlyMissing, QString* error) override;

private:
    // The connection, opened (and the table made) on first use.
    bool ready(QString* error);

    PgServer m_server;
    QString m_connection;
    bool m_open = false;
};

} // namespace pgsite
