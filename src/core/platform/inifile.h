#pragma once
#include <QList>
#include <QString>

#include <utility>

// A small private-profile ("INI") reader and writer with the results the program's
// settings rely on: section and key names match ignoring case, the first match wins,
// values are trimmed, a missing file, section or key gives the default, the first
// write creates the file, and lines a write does not touch are kept as they were.
// Files with a UTF-8 byte-order mark, UTF-16 with a byte-order mark, and CR, LF or
// CRLF line ends are all read as text, and a write keeps the file's encoding and
// line ends. Only a plain file of at most MaxFileSize bytes is read or written; a
// link, FIFO, device or folder is refused (see SafeFile). Writes replace the file
// atomically (temporary file, then rename).
namespace IniFile
{
inline constexpr int MaxValueLength = 254;
inline constexpr qint64 MaxFileSize = qint64(64) * 1024;

struct ReadResult {
    bool ok = true;      // false: the file exists but could not be read or decoded
    QString value;       // the value or the default; empty when !ok
    int errorNumber = 0; // the program's error number for the failure
    QString description; // what went wrong, for the user
};
// The value of key in section of the file, or def; cut to MaxValueLength characters.
ReadResult read(const QString &file, const QString &section, const QString &key, const QString &def);

struct WriteResult {
    bool ok = true;
    int errorNumber = 0; // the program's error number for the failure
    QString description; // what went wrong, for the user
};
using Values = QList<std::pair<QString, QString>>; // key, value
// Sets every key of values in section, in one replacement of the file.
WriteResult write(const QString &file, const QString &section, const Values &values);
WriteResult write(const QString &file, const QString &section, const QString &key, const QString &value);

// The pure text transformation behind write(): the new file contents (of a file
// already decoded to UTF-8 or the 8-bit code page).
QByteArray withValue(const QByteArray &contents, const QString &section, const QString &key, const QString &value);
} // namespace IniFile
