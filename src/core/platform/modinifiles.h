#pragma once
#include <QString>

// The settings file operations: one section, "SETTINGS", of a private profile file.
// Both catch their own failures and report them in a critical message box.
namespace modINIfiles
{
inline const QString Section = QStringLiteral("SETTINGS");
QString GetSetting(const QString &file, const QString &key, const QString &def);
void WriteSetting(const QString &file, const QString &key, const QString &value);
// The box both operations show on failure.
void reportError(const QString &operation, int number, const QString &description);
} // namespace modINIfiles
