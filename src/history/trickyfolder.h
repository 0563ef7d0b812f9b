#pragma once
#include "history/tricky.h"

#include <QHash>
#include <QList>
#include <QString>

// The test folder "Test_Tricky Words" in the program folder: copies of the recordings (and
// sentences) of the words due, so every activity works on it as on any test. A hidden
// ".origins" file in it names the test each word was copied from, so that its results can
// be counted for that test. Links are never followed, neither into a test nor out of it.
//
// The folder's name is an ordinary test name, so the user may have a test of that name.
// Wordaroo removes or remakes only a folder it made itself: one holding its hidden mark
// file, or, as made before the mark existed, one that holds exactly what Wordaroo wrote
// there (".origins", the recordings and sentences of the words it names, nothing else).
// Anything else at that name (a folder, file or link) is the user's and never touched;
// the tricky-words test is then not made.
namespace TrickyFolder
{
QString path(const QString &appDir); // appDir + "Test_Tricky Words/"

// The test name ("Tricky Words") no new test may take, for the folder Wordaroo makes.
QString reservedTestName();
// What the adult is told while a test of their own holds the name.
inline const QString UsersOwnTest = QStringLiteral(
    "A test of your own is named Tricky Words: rename it so that Wordaroo can make the tricky-words test.");

enum class Owner {
    Nobody,   // nothing at that name
    Wordaroo, // a folder Wordaroo made
    User,     // anything else: never removed or rewritten
};
Owner owner(const QString &appDir);

// Makes the folder anew with the due words (of a word in two tests, the one missed last),
// swapping it in whole, or removes it when no word is due or none has a recording.
// Returns an empty text on success, else what went wrong (UsersOwnTest when the name is
// the user's).
QString rebuild(const QString &appDir, const QList<Tricky::Word> &due);

// word -> the test its recording came from; empty unless Wordaroo made the folder
QHash<QString, QString> origins(const QString &appDir);
} // namespace TrickyFolder
