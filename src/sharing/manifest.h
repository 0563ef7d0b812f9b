#pragma once
#include "sharing/testarchive.h"

#include <QByteArray>
#include <QSet>

// The manifest of a shared test, "manifest.json":
//   {"formatVersion": 1, "name": "Animals", "program": "1.0",
//    "words": [{"word": "cat", "file": "cat.wav", "computerVoice": false,
//               "sentence": ".sentences/cat.wav"}, ...]}
// "sentence" is there only for a word that has one. The name is the test's name
// without the "Test_" prefix.
namespace Manifest
{
// Longest manifest read; a thousand words need far less.
inline constexpr qint64 MaxBytes = qint64(1024) * 1024;

struct Parsed {
    TestArchive::Problem problem = TestArchive::Problem::None;
    QString reason; // complete sentences
    QString testName;
    QString programVersion;
    QList<TestArchive::Word> words;
};

// The program's version as the manifest records it.
QString programVersion();

QByteArray write(const QString &testName, const QList<TestArchive::Word> &words);

// Reads a manifest and checks it against the recordings the archive holds (word and
// sentence entries): each listed file must be held, each held file listed.
Parsed read(const QByteArray &json, const QSet<QString> &held);
} // namespace Manifest
