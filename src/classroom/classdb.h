#pragma once
#include "classroom/classsettings.h"

#include <QSqlDatabase>
#include <QString>

// Connections to the class server through Qt SQL's PostgreSQL driver. A connection
// belongs to the thread that opened it, as every Qt SQL connection does.
namespace ClassDb
{
// The driver's reason a connection or statement failed, as libpq gave it.
QString reason(const QSqlDatabase &db);
QString reason(const class QSqlError &e);

// Adds a connection under name for these settings and opens it, giving up after
// timeoutSeconds. Empty when open, else why not. The connection stays registered
// under name either way (close it with ClassDb::drop).
QString open(const QString &name, const ClassSettings &s, int timeoutSeconds, const QString &extraOptions = {});
void drop(const QString &name);

// A libpq connection URL ("postgresql://user@host:port/db?sslmode=require") as settings;
// the password may be in it or is left empty (libpq then reads PGPASSWORD or .pgpass).
// Parameters it does not know (sslrootcert, ...) are kept in extraOptions. Empty why: read.
ClassSettings fromUrl(const QString &url, QString *extraOptions, QString *why);
// A connection line for a role, password and all.
QString url(const ClassSettings &s);
} // namespace ClassDb
