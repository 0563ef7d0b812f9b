#include "core/platform/modinifiles.h"

#include "core/platform/dialogs.h"
#include "core/platform/inifile.h"

namespace modINIfiles
{

void reportError(const QString &operation, int number, const QString &description)
{
    // The number is shown in the standard number form: a blank before a non-negative number.
    const QString num = number >= 0 ? QLatin1Char(' ') + QString::number(number) : QString::number(number);
    MsgBox(operation + QStringLiteral(": \n") + description, MsgButtons::Ok, MsgIcon::Critical,
           QStringLiteral("ERROR: ") + num);
}

QString GetSetting(const QString &file, const QString &key, const QString &def)
{
    const IniFile::ReadResult r = IniFile::read(file, Section, key, def);
    if (!r.ok)
        reportError(QStringLiteral("GetSetting"), r.errorNumber, r.description);
    return r.value;
}

bool WriteSetting(const QString &file, const QString &key, const QString &value)
{
    return WriteSettings(file, {{key, value}});
}

bool WriteSettings(const QString &file, const QList<std::pair<QString, QString>> &values)
{
    const IniFile::WriteResult r = IniFile::write(file, Section, values);
    if (!r.ok)
        reportError(QStringLiteral("WriteSetting"), r.errorNumber, r.description);
    return r.ok;
}

} // namespace modINIfiles
