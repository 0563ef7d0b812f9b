#pragma once
#include <QObject>
#include <QStringList>

class QListWidget;

// The test library: test folders named "Test_..." beside the program, one wave file
// per word. Pure rules over names, plus the list-filling that both LoadTests and
// LoadWordList share. No window, no message box.
namespace TestLibrary
{
inline const QString TestPrefix = QStringLiteral("Test_");

// Names of the entries in appDir matching "Test_*" (folders and plain files).
QStringList listTests(const QString &appDir);

// The words named by wave file names, in the given order: the part before the first
// exact ".wav", trimmed. Names without an exact (lower-case) ".wav" are skipped.
QStringList wordsFromFileNames(const QStringList &fileNames);

// The words of the test folder testDir, in listing order.
QStringList wordsOf(const QString &testDir);

// Replaces the contents of a sorted test list with names (kept in case-insensitive
// order). With no names the list is cleared, so a deleted test never stays listed.
// Returns true when at least one name was listed.
bool fillTestList(QListWidget *list, const QStringList &names);

// Adds one name to a list kept in ascending order ignoring case; returns its row.
int addSorted(QListWidget *list, const QString &name);

// Why a typed test name or word cannot be used as a file name, or empty when it can.
QString unsafeNameReason(const QString &name);

// Why a word cannot be a word file, or empty when it can: the name rules above, and the
// word must be found again by the word listing, which skips hidden files and cuts a file
// name at its first ".wav" (so no leading "." and no ".wav" inside).
QString unsafeWordReason(const QString &word);

// A name as a message may show it: control characters become "?".
QString printable(const QString &name);

// A word or name in the one form it is compared and saved in: Unicode's composed form
// (NFC). "café" typed with a ready-made "é" or with "e" and a combining accent is one
// word, one file name, the name an archive gives back.
QString normalForm(const QString &name);
} // namespace TestLibrary

// Tells whoever lists the tests that test folders were made, changed or deleted
// (the authoring window says so; the start window lists them again). The application
// context holds the program's one.
class TestCatalogue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TestCatalogue)
  public:
    TestCatalogue() = default;

  Q_SIGNALS:
    void changed();
};

// The shared word-list operation of the program.
namespace Module1
{
// Fills a list control with the words of the test in testDir.
void LoadWordList(QListWidget *list, const QString &testDir);
} // namespace Module1
