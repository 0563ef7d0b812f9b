#pragma once
#include "history/tricky.h"

#include <QHash>
#include <QList>
#include <QString>

// The test folder "Test_Tricky Words" in the program folder: copies of the recordings (and
// sentences) of the words due, so every activity works on it as on any test. A hidden
// ".origins" file in it names the test each word was copied from, so that its results can
// be counted for that test. Links are never followed, neither into a test nor out of it.
namespace TrickyFolder
{
QString path(const QString &appDir); // appDir + "Test_Tricky Words/"

// Makes the folder anew with the due words (of a word in two tests, the one missed last),
// swapping it in whole, or removes it when no word is due or none has a recording.
// Returns an empty text on success, else what went wrong.
QString rebuild(const QString &appDir, const QList<Tricky::Word> &due);

// word -> the test its recording came from
QHash<QString, QString> origins(const QString &appDir);
} // namespace TrickyFolder
