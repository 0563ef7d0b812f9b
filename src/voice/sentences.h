#pragma once
#include <QString>

// Where a word's sentence is kept: a hidden folder of the test, ".sentences/", holding
// word + ".wav". Hidden entries are never listed, so the test's word list is unchanged.
// Removal never follows a link out of the test folder. Paths only: recording and
// playing are the windows' business.
namespace Sentences
{

inline const QString Folder = QStringLiteral(".sentences/");

// testDir + ".sentences/" + word + ".wav" (testDir ends with "/").
QString pathFor(const QString &testDir, const QString &word);

// The word's sentence when one can be played: a plain file (no link) in the hidden
// folder (itself no link) that holds readable sound; empty otherwise, so a missing or
// corrupt sentence leaves the word to play alone.
QString playable(const QString &testDir, const QString &word);

// Makes the hidden folder when it is missing, so a sentence can be saved into it. Fails
// with a reason when something else (a file, or a link) has its name.
bool prepare(const QString &testDir, QString *error);

// Deletes the word's sentence. A link in its place is removed itself; the hidden folder
// is not entered when it is a link. Returns whether no sentence of the word is left.
bool remove(const QString &testDir, const QString &word);

// Deletes the hidden folder with the sentences in it (a link in its place is removed,
// never followed; links inside are deleted, not followed; a sub-folder stops it).
// Returns whether the folder is gone.
bool removeAll(const QString &testDir);

} // namespace Sentences
