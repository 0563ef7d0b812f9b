#pragma once

#include "core/platform/testlibrary.h"

#include <QString>
#include <QStringList>

// The file rules of test authoring, kept apart from the window: whether a typed test
// name or word can be used, and how a test folder or a word file is removed. Each
// rule returns its outcome; the window decides which message to show.
namespace TestFiles
{

// The tricky-words test is remade by the program from the history: never edited or
// deleted by hand. A test of the user's that has its name is the user's to edit.
inline const QString MadeByProgram = QStringLiteral("Test_Tricky Words is made by Wordaroo from the missed words.");
bool isMadeByProgram(const QString &appDir, const QString &entry);
// Empty when a new test may take the typed name (already trimmed), else why not: the
// tricky-words test's name is the program's, whether or not that test exists now.
QString reservedNameReason(const QString &name);

// Removes leading and trailing blanks only (a tab or other control character stays,
// so that the name check can refuse it).
QString trimBlanks(const QString &text);

enum class Verdict {
    Ok,
    Empty,  // nothing left after trimming
    Listed, // exactly equal to a listed test or word
    Unsafe, // cannot be a file or folder name here; see reason
    OnDisk, // a test folder of that name exists but is not listed
};

struct Check {
    Verdict verdict = Verdict::Ok;
    QString reason; // for Unsafe: why, in words a parent understands
};

// A typed test name (already trimmed) against the listed entries of the test list
// and the program folder. Duplicates compare the full paths exactly (letter case
// counts); the folder on disk is looked at as an entry, links not followed.
Check checkTestName(const QString &appDir, const QString &name, const QStringList &listed);

// A typed word (already trimmed) against the words listed for the test, compared in
// their normal form (TestLibrary::normalForm). Besides
// the general name rules, a word must be found again by the word listing: it cannot
// begin with "." (hidden file) nor hold ".wav" (the listing cuts the name there).
Check checkWord(const QString &word, const QStringList &listed);

// The outcome of removing a test.
struct Removal {
    bool removed = false;   // the entry is gone from the program folder
    QStringList subFolders; // sub-folders that stopped the removal (nothing deleted)
    QStringList leftOver;   // entries that could not be deleted
    QString error;          // what failed when the folder itself stayed
};

// Removes the test entry appDir + entry. A link or a plain file is removed itself,
// never what it points to. A folder is removed with the files and links it holds
// (links are deleted, never followed), and with its hidden folder of sentences
// (Sentences::removeAll); a folder holding any other sub-folder is left untouched. A
// missing entry counts as removed.
Removal removeTest(const QString &appDir, const QString &entry);

// Deletes a word file: one more try at the same path when the first fails, whose
// result is ignored. Returns whether the path is gone.
bool deleteWordFile(const QString &path);

using TestLibrary::printable;

// True when something (a file, folder or link, even a broken one) is at path.
bool entryExists(const QString &path);

} // namespace TestFiles
