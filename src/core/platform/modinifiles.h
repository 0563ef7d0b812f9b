#pragma once
#include <QString>

// The settings file operations: one section, "SETTINGS", of a private profile file.
// A failed write is reported in a critical message box; a file that cannot be read
// gives the default, as a missing one does.
namespace modINIfiles
{
inline const QString Section = QStringLiteral("SETTINGS");
QString GetSetting(const QString &file, const QString &key, const QString &def);
void WriteSetting(const QString &file, const QString &key, const QString &value);
// The box a failed operation shows.
void reportError(const QString &operation, int number, const QString &description);
} // namespace modINIfiles
