#pragma once
#include <QString>

class AppContext;

// Sharing tests through message boxes: what "Share Test...", "Add a Shared Test...",
// a file opened from the desktop and a file dropped on the start window have in common.
// The file work is TestArchive's; here are the questions, the messages and the news
// that the tests changed (the context's TestCatalogue::changed).
namespace SharedTests
{
inline const QString FileFilter = QStringLiteral("Shared spelling tests (*.wordaroo)");

// The folder the file choosers start in: the user's Documents folder, or the home
// folder when there is none.
QString documentsFolder();

// The file a test folder name ("Test_Animals") is shared as by default, in folder.
QString suggestedFile(const QString &folder, const QString &testFolderName);

// Whether path can be offered as a shared test: a ".wordaroo" file or a folder.
bool isOffer(const QString &path);

// Writes the test folder AppDir + testFolderName to file (".wordaroo" added
// when missing) and says how it went. Returns the file written, or empty.
QString share(const AppContext &context, const QString &testFolderName, const QString &file);

enum class Ask {
    No,    // the adult chose the file in the authoring window: add it straight away
    First, // opened from the desktop or dropped: "Add the spelling test ... to Wordaroo?"
};

// Adds path (a shared test file, or a folder of wave files) to AppDir. A test
// of the same name is replaced only when the adult says so; otherwise the new one gets
// the first free name of name + " (2)", " (3)" ... A test named "Tricky Words" (the
// test Wordaroo makes from the missed words) always does. Every refusal is shown with its
// reason. Returns the new test folder name ("Test_..."), or empty when nothing was added.
QString add(AppContext &context, const QString &path, Ask ask);
} // namespace SharedTests
