#include "sharing/manifest.h"

#include "core/platform/testlibrary.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace Manifest
{

namespace
{
const QString KeyVersion = QStringLiteral("formatVersion");
const QString KeyName = QStringLiteral("name");
const QString KeyProgram = QStringLiteral("program");
const QString KeyWords = QStringLiteral("words");
const QString KeyWord = QStringLiteral("word");
const QString KeyFile = QStringLiteral("file");
const QString KeyVoice = QStringLiteral("computerVoice");
const QString KeySentence = QStringLiteral("sentence");

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

Parsed bad(const QString &reason)
{
    Parsed p;
    p.problem = TestArchive::Problem::BadManifest;
    p.reason = reason;
    return p;
}
} // namespace

QString programVersion()
{
    const QString v = QCoreApplication::applicationVersion();
    return v.isEmpty() ? QStringLiteral(WORDAROO_VERSION) : v;
}

QByteArray write(const QString &testName, const QList<TestArchive::Word> &words)
{
    QJsonArray list;
    for (const TestArchive::Word &w : words) {
        QJsonObject o{{KeyWord, w.word}, {KeyFile, w.file}, {KeyVoice, w.computerVoice}};
        if (!w.sentence.isEmpty())
            o.insert(KeySentence, w.sentence);
        list.append(o);
    }
    const QJsonObject root{{KeyVersion, TestArchive::FormatVersion},
                           {KeyName, testName},
                           {KeyProgram, programVersion()},
                           {KeyWords, list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Parsed read(const QByteArray &json, const QSet<QString> &held)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return bad(QStringLiteral("Its manifest is not readable (") + error.errorString() + QStringLiteral(")."));
    if (!doc.isObject())
        return bad(QStringLiteral("Its manifest is not a list of the test's details."));
    const QJsonObject root = doc.object();

    const QJsonValue version = root.value(KeyVersion);
    const double v = version.toDouble(-1);
    if (!version.isDouble() || v < 1 || v != std::floor(v))
        return bad(QStringLiteral("Its manifest has no format version."));
    Parsed p;
    p.programVersion = root.value(KeyProgram).toString();
    // A newer layout may name everything else differently: nothing more is read.
    if (v > TestArchive::FormatVersion) {
        p.problem = TestArchive::Problem::NewerVersion;
        p.reason = QStringLiteral("It was made by a newer Wordaroo (version ") + p.programVersion +
                   QStringLiteral(", format ") + QString::number(v) + QStringLiteral("); this Wordaroo (version ") +
                   programVersion() + QStringLiteral(") reads format ") + QString::number(TestArchive::FormatVersion) +
                   QStringLiteral(". Install the newer Wordaroo to add it.");
        return p;
    }
    if (!root.value(KeyName).isString() || !root.value(KeyProgram).isString() || !root.value(KeyWords).isArray())
        return bad(QStringLiteral("Its manifest lacks the test's name, the program version or the words."));
    p.testName = root.value(KeyName).toString();
    if (p.testName.trimmed().isEmpty())
        return bad(QStringLiteral("Its manifest gives the test no name."));
    if (const QString why = TestLibrary::unsafeNameReason(p.testName); !why.isEmpty())
        return bad(QStringLiteral("The test's name in its manifest cannot be used. ") + why);

    QSet<QString> listed;
    const QJsonArray list = root.value(KeyWords).toArray();
    for (const auto &entry : list) {
        const QJsonObject o = entry.toObject();
        if (!o.value(KeyWord).isString() || !o.value(KeyFile).isString() || !o.value(KeyVoice).isBool() ||
            (o.contains(KeySentence) && !o.value(KeySentence).isString()))
            return bad(QStringLiteral("Its manifest lists a word without its word, file or voice."));
        // In the normal form the archive gives its entries' names in, whatever wrote it.
        TestArchive::Word w{TestLibrary::normalForm(o.value(KeyWord).toString()),
                            TestLibrary::normalForm(o.value(KeyFile).toString()),
                            TestLibrary::normalForm(o.value(KeySentence).toString()), o.value(KeyVoice).toBool()};
        if (const QString why = TestArchive::wordFileProblem(w.file); !why.isEmpty())
            return bad(QStringLiteral("Its manifest lists the file ") + quoted(w.file) +
                       QStringLiteral(", which cannot be a word file. ") + why);
        if (w.file != w.word + QStringLiteral(".wav"))
            return bad(QStringLiteral("Its manifest gives the word ") + quoted(w.word) + QStringLiteral(" the file ") +
                       quoted(w.file) + QLatin1Char('.'));
        if (!w.sentence.isEmpty() && w.sentence != TestArchive::SentenceFolder + QLatin1Char('/') + w.file)
            return bad(QStringLiteral("Its manifest gives the word ") + quoted(w.word) +
                       QStringLiteral(" the sentence ") + quoted(w.sentence) + QLatin1Char('.'));
        for (const QString &file : {w.file, w.sentence}) {
            if (file.isEmpty())
                continue;
            if (listed.contains(file))
                return bad(QStringLiteral("Its manifest lists ") + quoted(file) + QStringLiteral(" twice."));
            if (!held.contains(file))
                return bad(QStringLiteral("Its manifest lists ") + quoted(file) +
                           QStringLiteral(", which the shared test does not hold."));
            listed.insert(file);
        }
        p.words << w;
    }
    for (const QString &file : held)
        if (!listed.contains(file))
            return bad(QStringLiteral("It holds ") + quoted(file) +
                       QStringLiteral(", which its manifest does not list."));
    if (p.words.isEmpty()) {
        p.problem = TestArchive::Problem::NoWords;
        p.reason = QStringLiteral("It holds no words.");
    }
    return p;
}

} // namespace Manifest
