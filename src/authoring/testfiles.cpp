#include "authoring/testfiles.h"

#include "core/platform/testlibrary.h"
#include "history/trickyfolder.h"
#include "voice/sentences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace TestFiles
{

QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isMadeByProgram(const QString &appDir, const QString &entry)
{
    return entry == QLatin1StringView(Tricky::FolderName) &&
           TrickyFolder::owner(appDir) == TrickyFolder::Owner::Wordaroo;
}

QString reservedNameReason(const QString &name)
{
    if (name != TrickyFolder::reservedTestName())
        return {};
    return QStringLiteral("Tricky Words is the name of the test Wordaroo makes from the missed words.");
}

Check checkTestName(const QString &appDir, const QString &name, const QStringList &listed)
{
    if (name.isEmpty())
        return {Verdict::Empty, {}};
    if (const QString reason = TestLibrary::unsafeNameReason(name); !reason.isEmpty())
        return {Verdict::Unsafe, reason};
    const QString path = appDir + TestLibrary::TestPrefix + name;
    for (const QString &entry : listed)
        if (appDir + entry == path)
            return {Verdict::Listed, {}};
    if (entryExists(path))
        return {Verdict::OnDisk, {}};
    return {};
}

Check checkWord(const QString &word, const QStringList &listed)
{
    if (word.isEmpty())
        return {Verdict::Empty, {}};
    // Compared in the one normal form of words: "café" is listed however it was typed.
    const QString normal = TestLibrary::normalForm(word);
    for (const QString &entry : listed)
        if (TestLibrary::normalForm(entry) == normal)
            return {Verdict::Listed, {}};
    if (const QString reason = TestLibrary::unsafeWordReason(word); !reason.isEmpty())
        return {Verdict::Unsafe, reason};
    return {};
}

namespace
{
bool removeEntry(const QString &path)
{
    // QFile::remove unlinks a link itself; the second try is the platform call.
    if (QFile::remove(path))
        return true;
    ::unlink(QFile::encodeName(path).constData());
    return !entryExists(path);
}
} // namespace

Removal removeTest(const QString &appDir, const QString &entry)
{
    Removal r;
    if (entry.isEmpty() || entry == QLatin1String(".") || entry == QLatin1String("..") ||
        entry.contains(QLatin1Char('/'))) {
        r.error = QStringLiteral("\"") + entry + QStringLiteral("\" is not a test of the program folder.");
        return r;
    }
    const QString path = appDir + entry;
    const QFileInfo info(path);
    if (!entryExists(path)) {
        r.removed = true;
        return r;
    }
    if (info.isSymLink() || !info.isDir()) {
        r.removed = removeEntry(path);
        if (!r.removed)
            r.error = QStringLiteral("It could not be deleted.");
        return r;
    }

    const QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The hidden folder of sentences belongs to the test; any other folder stops it.
    const QString sentences = Sentences::Folder.chopped(1);
    for (const QFileInfo &e : entries)
        if (!e.isSymLink() && e.isDir() && e.fileName() != sentences)
            r.subFolders << e.fileName();
    if (!r.subFolders.isEmpty())
        return r;

    for (const QFileInfo &e : entries) {
        const bool removed =
            e.fileName() == sentences ? Sentences::removeAll(path + QLatin1Char('/')) : removeEntry(e.filePath());
        if (!removed)
            r.leftOver << e.fileName();
    }
    if (!r.leftOver.isEmpty())
        return r;
    r.removed = QDir(appDir).rmdir(entry);
    if (!r.removed)
        r.error = QStringLiteral("The folder could not be removed.");
    return r;
}

bool deleteWordFile(const QString &path)
{
    return removeEntry(path);
}

} // namespace TestFiles
