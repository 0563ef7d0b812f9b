#include "classroom/classsettings.h"

#include "core/platform/inifile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString Section = QStringLiteral("Class");

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}
} // namespace

ClassSettings ClassSettings::load(const QString &appDir, QString *why)
{
    ClassSettings s;
    const QString file = appDir + QLatin1StringView(FileName);
    if (!QFile::exists(file))
        return s;
    const auto value = [&](const char *key, const QString &def = {}) {
        const IniFile::ReadResult r = IniFile::read(file, Section, QLatin1StringView(key), def);
        if (!r.ok && why)
            *why = r.description;
        return r.value;
    };
    s.server = value("Server");
    s.port = value("Port", QStringLiteral("5432")).toInt();
    s.database = value("Database");
    s.user = value("User");
    s.password = value("Password");
    s.sslMode = value("SSLMode", s.sslMode);
    return s;
}

bool ClassSettings::save(const QString &appDir, QString *why) const
{
    const QString file = appDir + QLatin1StringView(FileName);
    const QByteArray name = QFile::encodeName(file);
    // Made readable by the user alone before anything is written into it; the safe write
    // keeps the permissions of the file it replaces.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        *why = QStringLiteral("%1 cannot be written: %2").arg(QLatin1StringView(FileName), systemReason(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    const IniFile::WriteResult r = IniFile::write(file, Section,
                                                  {{QStringLiteral("Server"), server},
                                                   {QStringLiteral("Port"), QString::number(port)},
                                                   {QStringLiteral("Database"), database},
                                                   {QStringLiteral("User"), user},
                                                   {QStringLiteral("Password"), password},
                                                   {QStringLiteral("SSLMode"), sslMode}});
    if (!r.ok)
        *why = r.description;
    return r.ok;
}

bool ClassSettings::remove(const QString &appDir, QString *why)
{
    const QByteArray name = QFile::encodeName(appDir + QLatin1StringView(FileName));
    if (::unlink(name.constData()) == 0 || errno == ENOENT)
        return true;
    *why = QStringLiteral("%1 cannot be removed: %2").arg(QLatin1StringView(FileName), systemReason(errno));
    return false;
}
