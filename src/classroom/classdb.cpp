#include "classroom/classdb.h"

#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

namespace ClassDb
{
namespace
{
// libpq's parameters given as the driver's connect options: each value quoted as libpq
// reads it; the driver turns ";" into the separating space, so no value may hold one.
bool addOption(QString &options, const QString &key, const QString &value)
{
    if (value.contains(QLatin1Char(';')))
        return false;
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    options +=
        (options.isEmpty() ? QString() : QStringLiteral(";")) + key + QStringLiteral("='") + v + QLatin1Char('\'');
    return true;
}
} // namespace

QString reason(const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.driverText().trimmed();
    return text.isEmpty() ? QStringLiteral("no reason given") : text;
}

QString reason(const QSqlDatabase &db)
{
    return reason(db.lastError());
}

QString open(const QString &name, const ClassSettings &s, int timeoutSeconds, const QString &extraOptions)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name); // keeps drop() uniform
        return QStringLiteral("the PostgreSQL driver for Qt (libqt6sql6-psql) is not installed.");
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(s.server);
    db.setPort(s.port);
    db.setDatabaseName(s.database);
    db.setUserName(s.user);
    db.setPassword(s.password);
    QString options;
    addOption(options, QStringLiteral("connect_timeout"), QString::number(timeoutSeconds));
    addOption(options, QStringLiteral("application_name"), QStringLiteral("wordaroo"));
    // A connection whose server vanished is noticed within half a minute.
    addOption(options, QStringLiteral("keepalives_idle"), QStringLiteral("10"));
    addOption(options, QStringLiteral("keepalives_interval"), QStringLiteral("5"));
    addOption(options, QStringLiteral("keepalives_count"), QStringLiteral("3"));
    if (!addOption(options, QStringLiteral("sslmode"), s.sslMode.isEmpty() ? QStringLiteral("prefer") : s.sslMode))
        return QStringLiteral("the sslmode \"%1\" is not valid.").arg(s.sslMode);
    if (!extraOptions.isEmpty())
        options += QLatin1Char(';') + extraOptions;
    db.setConnectOptions(options);
    if (!db.open())
        return reason(db);
    return {};
}

void drop(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

ClassSettings fromUrl(const QString &text, QString *extraOptions, QString *why)
{
    ClassSettings s;
    const QUrl u(text, QUrl::StrictMode);
    if (!u.isValid() || (u.scheme() != QStringLiteral("postgresql") && u.scheme() != QStringLiteral("postgres"))) {
        *why = QStringLiteral("\"%1\" is not a PostgreSQL connection URL (postgresql://user@host/database).")
                   .arg(u.toString(QUrl::RemovePassword));
        return s;
    }
    s.server = u.host(QUrl::FullyDecoded);
    s.port = u.port(5432);
    s.database = u.path(QUrl::FullyDecoded).mid(1);
    s.user = u.userName(QUrl::FullyDecoded);
    s.password = u.password(QUrl::FullyDecoded);
    const QUrlQuery query(u);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QStringLiteral("host"))
            s.server = value;
        else if (key == QStringLiteral("port"))
            s.port = value.toInt();
        else if (key == QStringLiteral("dbname"))
            s.database = value;
        else if (key == QStringLiteral("user"))
            s.user = value;
        else if (key == QStringLiteral("password"))
            s.password = value;
        else if (key == QStringLiteral("sslmode"))
            s.sslMode = value;
        else if (!addOption(*extraOptions, key, value))
            *why = QStringLiteral("the URL's %1 cannot hold a \";\".").arg(key);
    }
    if (s.server.isEmpty())
        s.server = QStringLiteral("localhost");
    if (s.database.isEmpty())
        s.database = s.user;
    return s;
}

QString url(const ClassSettings &s)
{
    QUrl u;
    u.setScheme(QStringLiteral("postgresql"));
    u.setHost(s.server);
    u.setPort(s.port);
    u.setUserName(s.user);
    u.setPassword(s.password);
    u.setPath(QLatin1Char('/') + s.database);
    if (!s.sslMode.isEmpty())
        u.setQuery(QStringLiteral("sslmode=") + s.sslMode);
    return u.toString();
}
} // namespace ClassDb
