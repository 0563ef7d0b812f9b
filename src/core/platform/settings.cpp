#include "core/platform/settings.h"

#include "core/platform/appcontext.h"
#include "core/platform/inifile.h"
#include "core/platform/modinifiles.h"

namespace Settings
{
namespace
{
const QString ProtectDefault = QStringLiteral("False");
const QString ProtectOn = QStringLiteral("True");
// Written in lower case when protection is switched off.
const QString ProtectOff = QStringLiteral("false");
} // namespace

QString path()
{
    return ProgramFolder::path() + FileName;
}

Value read(const QString &key, const QString &def)
{
    const IniFile::ReadResult r = IniFile::read(path(), modINIfiles::Section, key, def);
    return {r.ok, r.value, r.description};
}

QString get(const QString &key, const QString &def)
{
    return modINIfiles::GetSetting(path(), key, def);
}

bool set(const QString &key, const QString &value)
{
    return modINIfiles::WriteSetting(path(), key, value);
}

bool set(const QList<std::pair<QString, QString>> &values)
{
    return modINIfiles::WriteSettings(path(), values);
}

bool protectionOn(const QString &protectValue)
{
    return protectValue == ProtectOn;
}

Value readProtect()
{
    return read(Protect, ProtectDefault);
}

Value readPassword()
{
    return read(TheWord, QString());
}

bool isProtected()
{
    return protectionOn(get(Protect, ProtectDefault));
}

QString password()
{
    return get(TheWord, QString());
}

bool saveProtection(bool on, const QString &password)
{
    if (on)
        return set({{Protect, ProtectOn}, {TheWord, password}});
    return set(Protect, ProtectOff);
}

} // namespace Settings
