#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// A spelling test as one file to share ("Animals.wordaroo"): a zip archive holding
// "manifest.json" and the test's word recordings, plus ".sentences/<word>.wav" where a
// word has a sentence. Written from a test folder, added to a program folder.
//
// An archive is untrusted input. Adding one unpacks it into a hidden folder
// ".import-XXXXXX" of the program folder, checks every entry and every recording, and
// only then renames that folder to the test folder, so nothing is ever written outside
// it and a refused, failed or interrupted import leaves no partial test behind.
//
// No window, no message box: every call returns its outcome with a message a parent
// understands; the window decides how to show it. No shared state: safe to call from a
// worker thread.
namespace TestArchive
{
// The manifest's layout version this program writes and reads; newer ones are refused.
inline constexpr int FormatVersion = 1;
// Limits on what one archive may hold. Sizes count the bytes actually unpacked, never
// what an entry's header claims.
inline constexpr int MaxEntries = 1000;
inline constexpr qint64 MaxMemberBytes = qint64(50) * 1024 * 1024;
inline constexpr qint64 MaxTotalBytes = qint64(500) * 1024 * 1024;
inline constexpr int MaxRecordingSeconds = 5 * 60;

inline const QString FileSuffix = QStringLiteral(".wordaroo");
inline const QString ManifestName = QStringLiteral("manifest.json");
inline const QString SentenceFolder = QStringLiteral(".sentences");

enum class Problem {
    None,
    CannotRead,     // the file or folder given cannot be opened or read
    NotAnArchive,   // a folder, an empty file or not a zip archive
    Damaged,        // a zip archive that is truncated, corrupt or locked with a password
    UnsafePath,     // an entry with an absolute path or ".."
    Link,           // a symbolic or hard link
    NotAFile,       // a device, a pipe or any other entry that is neither file nor folder
    BadName,        // an entry (or a test name) that cannot be a word file (or test folder) here
    Duplicate,      // the same entry name twice
    TooManyEntries, // more than MaxEntries
    TooLarge,       // a member over MaxMemberBytes or all of them over MaxTotalBytes
    BadManifest,    // missing, not JSON, fields missing, or words not matching the files
    NewerVersion,   // made by a newer program with a newer manifest layout
    BadSound,       // a recording libsndfile cannot open, without sound or too long
    NoWords,        // nothing to share or to add
    Exists,         // the test folder exists and was not to be replaced
    CannotWrite,    // the disk refused a write (full, read-only, ...): the system's reason is given
};

struct Result {
    Problem problem = Problem::None;
    QString message;     // why it failed, complete sentences; empty on success
    QString path;        // import: the new test folder, ending in "/"; export: the file written
    QStringList skipped; // files left out on purpose, each as "name: why" (export, folder of waves)
    bool ok() const { return problem == Problem::None; }
};

struct Word {
    QString word;
    QString file;     // "<word>.wav"
    QString sentence; // ".sentences/<word>.wav", or empty
    bool computerVoice = false;
};

// What a shared test says about itself.
struct Info : Result {
    QString testName; // without the "Test_" prefix, as the adult typed it
    QString programVersion;
    QList<Word> words;
};

enum class IfExists { Refuse, Replace };

// Writes the test folder testFolder (a "Test_..." folder) to destinationFile, any place
// the user chose. The manifest's test name is the folder name without its "Test_"
// prefix. Exported: the word files the word listing shows (names ending exactly in
// ".wav") and their sentences; only regular files, links are never followed. A word
// recording that cannot be read refuses the export (the archive would be refused when
// added); an unreadable sentence, a link or an odd name is left out and listed in
// skipped. Names are written in the one normal form of words (TestLibrary::normalForm),
// the form they come back in; two word files whose names differ only in that form refuse
// the export. The archive goes to a new file beside the destination that replaces it only
// when complete and when it passes the checks inspect makes; a destination that is a
// link, a device or a pipe is refused. A refused write gives the system's reason.
Result exportTest(const QString &testFolder, const QString &destinationFile);

// Reads a shared test's manifest and checks its entries' names, kinds and count
// without unpacking anything: for the question "Add the spelling test NAME to
// Wordaroo?". importInto checks everything again and more (sizes, recordings).
Info inspect(const QString &file);

// Adds the shared test in file to the program folder appDir as the folder
// appDir + testFolderName (the whole folder name, "Test_" prefix included). When that
// entry exists, Refuse fails with Problem::Exists and Replace swaps the new folder in
// for it once the new one is complete (a failure leaves the old test untouched).
// Hidden ".import-*" folders older than an hour, left by an interrupted import, are
// removed first.
Result importInto(const QString &file, const QString &appDir, const QString &testFolderName,
                  IfExists ifExists = IfExists::Refuse);

// Adds a folder of wave files (for example one dropped on the start window) as the
// test appDir + testFolderName, with the same unpacking rule as importInto: its
// regular files whose names are word files are copied (named in the one normal form of
// words) and checked; others, links, recordings that cannot be read and a second file of
// the same word written another way are left out and listed in skipped.
Result importFolderOfWaves(const QString &folder, const QString &appDir, const QString &testFolderName,
                           IfExists ifExists = IfExists::Refuse);

// name, or name + " (2)", " (3)" ... : the first whose test folder "Test_" + name is
// not in appDir (the answer "No" to replacing a test of the same name) and that is not
// reserved (a name the program keeps for a test of its own).
QString uniqueTestName(const QString &appDir, const QString &name, const QString &reserved = {});

// The test name of a test folder name: "Test_Animals" gives "Animals" (the prefix
// matched ignoring case, as the test listing does); other names are kept whole.
QString testNameOf(const QString &folderName);

// Why a file name cannot be a word file of a test, or empty when it can: it must end
// in ".wav", and the word before it must be a safe name that the word listing shows
// again exactly (no leading ".", no ".wav" inside, no blanks at either end).
QString wordFileProblem(const QString &fileName);
} // namespace TestArchive
