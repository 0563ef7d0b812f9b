#include "voice/sentences.h"

#include "core/platform/testlibrary.h"
#include "core/sound/soundlibraries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sndfile.h>
#include <unistd.h>

using SoundLibraries::sndfile;

namespace Sentences
{
namespace
{

QString folderPath(const QString &testDir)
{
    return testDir + Folder.chopped(1);
}

bool present(const QFileInfo &info)
{
    return info.exists() || info.isSymLink();
}

// Unlinks the entry itself: a link goes, what it points to stays.
bool unlinkEntry(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 || !present(QFileInfo(path));
}

} // namespace

QString pathFor(const QString &testDir, const QString &word)
{
    return testDir + Folder + word + QStringLiteral(".wav");
}

QString playable(const QString &testDir, const QString &word)
{
    if (!TestLibrary::unsafeWordReason(word).isEmpty())
        return {};
    const QFileInfo folder(folderPath(testDir));
    const QString path = pathFor(testDir, word);
    const QFileInfo file(path);
    if (folder.isSymLink() || !folder.isDir() || file.isSymLink() || !file.isFile())
        return {};
    // The header alone tells a sound from junk; nothing is decoded here.
    SF_INFO info{};
    SNDFILE *f = sndfile().loaded() ? sndfile().open(QFile::encodeName(path).constData(), SFM_READ, &info) : nullptr;
    if (!f)
        return {};
    sndfile().close(f);
    return info.frames > 0 && info.samplerate > 0 && info.channels > 0 ? path : QString();
}

bool prepare(const QString &testDir, QString *error)
{
    const QFileInfo folder(folderPath(testDir));
    QString why;
    if (folder.isSymLink() || (folder.exists() && !folder.isDir()))
        why =
            QStringLiteral("Something else in the test folder is named \"") + Folder.chopped(1) + QStringLiteral("\".");
    else if (!folder.exists() && !QDir(testDir).mkdir(Folder.chopped(1)))
        why = QStringLiteral("The folder for sentences could not be made in the test folder.");
    if (error && !why.isEmpty())
        *error = why;
    return why.isEmpty();
}

bool remove(const QString &testDir, const QString &word)
{
    // A word is a single file name; anything else could reach outside the folder.
    if (!TestLibrary::unsafeWordReason(word).isEmpty())
        return false;
    const QFileInfo folder(folderPath(testDir));
    if (!present(folder))
        return true;
    if (folder.isSymLink() || !folder.isDir())
        return false;
    const QString path = pathFor(testDir, word);
    const QFileInfo sentence(path);
    if (!present(sentence))
        return true;
    if (sentence.isDir() && !sentence.isSymLink())
        return false;
    return unlinkEntry(path);
}

bool removeAll(const QString &testDir)
{
    const QString path = folderPath(testDir);
    const QFileInfo folder(path);
    if (!present(folder))
        return true;
    if (folder.isSymLink() || !folder.isDir())
        return unlinkEntry(path);
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &e : entries)
        if (e.isDir() && !e.isSymLink())
            return false;
    for (const QFileInfo &e : entries)
        if (!unlinkEntry(e.filePath()))
            return false;
    return QDir(testDir).rmdir(Folder.chopped(1));
}

} // namespace Sentences
