#pragma once
#include <QString>

// A small private-profile ("INI") reader and writer with the results the program's
// settings rely on: section and key names match ignoring case, the first match wins,
// values are trimmed, a missing file, section or key gives the default, the first
// write creates the file, and lines a write does not touch are kept as they were.
// Writes replace the file atomically (temporary file, then rename).
namespace IniFile
{
inline constexpr int MaxValueLength = 254;

// The value of key in section of the file, or def; cut to MaxValueLength characters.
QString read(const QString &file, const QString &section, const QString &key, const QString &def);

struct WriteResult {
    bool ok = true;
    int errorNumber = 0; // the program's error number for the failure
    QString description; // what went wrong, for the user
};
WriteResult write(const QString &file, const QString &section, const QString &key, const QString &value);

// The pure text transformation behind write(): the new file contents.
QByteArray withValue(const QByteArray &contents, const QString &section, const QString &key, const QString &value);
} // namespace IniFile
