#pragma once
#include <QList>
#include <QString>

#include <utility>

// The settings file operations: one section, "SETTINGS", of a private profile file.
// Both catch their own failures and report them in a critical message box; a file
// that exists but is not a plain file of at most 64 kB, or cannot be decoded, is
// such a failure, and nothing is then written.
namespace modINIfiles
{
inline const QString Section = QStringLiteral("SETTINGS");
// The value, or def; after a failure (reported) the empty text.
QString GetSetting(const QString &file, const QString &key, const QString &def);
// Whether the value was written (a failure has been reported).
bool WriteSetting(const QString &file, const QString &key, const QString &value);
// Several keys in one replacement of the file: all are written or none.
bool WriteSettings(const QString &file, const QList<std::pair<QString, QString>> &values);
// The box both operations show on failure.
void reportError(const QString &operation, int number, const QString &description);
} // namespace modINIfiles
