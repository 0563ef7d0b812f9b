#pragma once
#include <QStringList>

// Directory search by a "*" wildcard pattern, as the program's listings need it:
// the pattern matches ignoring letter case, hidden (dot) entries are never yielded,
// and names come back in ascending order ignoring case so listings are stable.
// An unreadable or missing folder yields nothing.
namespace DirSearch
{
enum class Kind { FilesOnly, FilesAndFolders };
QStringList find(const QString &folder, const QString &pattern, Kind kind);
// Case-insensitive ordering used by every sorted list of the program.
bool lessIgnoringCase(const QString &a, const QString &b);
} // namespace DirSearch
