#pragma once
#include <QString>

// The recordings an adult kept although listening doubted them ("This Recording Is
// Right"), remembered per file in the test folder's hidden file ".right-recordings":
// one line per recording, the SHA-256 of the file and its word, separated by a tab. A
// recording made again is another file and is doubted again. No window.
namespace RightRecordings
{

inline const QString FileName = QStringLiteral(".right-recordings");

// Whether the recording testDir + word + ".wav" is the one that was kept (testDir ends with "/").
bool isKept(const QString &testDir, const QString &word);

// Remembers the recording as it is now; the entries of words whose recording is gone
// are dropped. Written whole or not at all; false with the reason on failure.
bool keep(const QString &testDir, const QString &word, QString *error);

} // namespace RightRecordings
