#include "history/trickyfolder.h"

#include "core/platform/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>

using namespace Qt::StringLiterals;

namespace
{
const QString Origins = u".origins"_s;
const QString Sentences = u".sentences"_s;
// Written into every folder Wordaroo makes, so that it never takes a folder of the user's for its own.
const QString Mark = u".made-by-wordaroo"_s;
const QByteArray MarkText = "Wordaroo makes this test from the missed words and remakes it each time the tests are "
                            "listed.\n";

// A real file or folder, not a link to one.
bool real(const QString &path, bool dir)
{
    const QFileInfo fi(path);
    return !fi.isSymLink() && (dir ? fi.isDir() : fi.isFile());
}

// Removes a link as a link, never what it points to.
void removeTree(const QString &path)
{
    const QFileInfo fi(path);
    if (fi.isDir() && !fi.isSymLink())
        QDir(path).removeRecursively();
    else if (fi.exists() || fi.isSymLink())
        QFile::remove(path);
}

bool copy(const QString &from, const QString &to)
{
    return real(from, false) && QFile::copy(from, to);
}

QString fail(const QString &what)
{
    return what + u": "_s + QString::fromLocal8Bit(std::strerror(errno));
}

// Whether dir holds only plain files of these names, besides the entries in also.
bool holdsOnly(const QString &dir, const QSet<QString> &files, const QStringList &also)
{
    const QStringList entries =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::all_of(entries.begin(), entries.end(), [&](const QString &name) {
        return also.contains(name) || (files.contains(name) && real(dir + name, false));
    });
}

// A folder made before the mark existed: it holds exactly what Wordaroo wrote there, a
// well-formed ".origins" and the recordings and sentences of the words it names. A folder
// the user made, added to or copied something into is not taken for one.
bool madeBeforeTheMark(const QString &dir)
{
    QFile f(dir + Origins);
    if (!real(f.fileName(), false) || f.size() > (1 << 20) || !f.open(QIODevice::ReadOnly))
        return false;
    QSet<QString> files;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0 || tab == line.size() - 1)
            return false;
        files.insert(QString::fromUtf8(line.left(tab)) + u".wav"_s);
    }
    if (files.isEmpty() || !holdsOnly(dir, files, {Origins, Sentences}))
        return false;
    const QString sentences = dir + Sentences;
    const QFileInfo fi(sentences);
    return !(fi.exists() || fi.isSymLink()) || (real(sentences, true) && holdsOnly(sentences + u'/', files, {}));
}
} // namespace

QString TrickyFolder::path(const QString &appDir)
{
    return appDir + QLatin1StringView(Tricky::FolderName) + u'/';
}

QString TrickyFolder::reservedTestName()
{
    return QLatin1StringView(Tricky::FolderName).sliced(TestLibrary::TestPrefix.size());
}

TrickyFolder::Owner TrickyFolder::owner(const QString &appDir)
{
    const QString dir = path(appDir);
    const QFileInfo fi(dir.chopped(1));
    if (!fi.exists() && !fi.isSymLink())
        return Owner::Nobody;
    if (real(dir.chopped(1), true) && (real(dir + Mark, false) || madeBeforeTheMark(dir)))
        return Owner::Wordaroo;
    return Owner::User;
}

QString TrickyFolder::rebuild(const QString &appDir, const QList<Tricky::Word> &due)
{
    if (owner(appDir) == Owner::User)
        return UsersOwnTest;
    const QString final = appDir + QLatin1StringView(Tricky::FolderName);
    const QString temp = appDir + u'.' + QLatin1StringView(Tricky::FolderName) + u".new"_s; // hidden: never listed
    removeTree(temp);

    QHash<QString, Tricky::Word> chosen;
    for (const Tricky::Word &w : due) {
        const bool safe = TestLibrary::unsafeNameReason(w.word).isEmpty() &&
                          TestLibrary::unsafeNameReason(w.test).isEmpty() &&
                          w.test != QLatin1StringView(Tricky::FolderName);
        auto it = chosen.find(w.word);
        if (safe && (it == chosen.end() || it->lastMiss < w.lastMiss))
            chosen.insert(w.word, w);
    }
    QStringList words = chosen.keys();
    std::sort(words.begin(), words.end());

    const auto none = [&final] {
        removeTree(final);
        return QFileInfo(final).exists() ? fail(final) : QString();
    };
    if (words.isEmpty())
        return none(); // nothing is due: no folder is made only to be removed
    if (!QDir().mkpath(temp + u"/.sentences"_s))
        return fail(temp);
    QByteArray origins;
    for (const QString &word : std::as_const(words)) {
        const QString test = appDir + chosen[word].test + u'/';
        if (!real(test.chopped(1), true) || !copy(test + word + u".wav"_s, temp + u'/' + word + u".wav"_s))
            continue;
        if (real(test + u".sentences"_s, true))
            copy(test + u".sentences/"_s + word + u".wav"_s, temp + u"/.sentences/"_s + word + u".wav"_s);
        origins += (word + u'\t' + chosen[word].test + u'\n').toUtf8();
    }
    if (origins.isEmpty()) {
        removeTree(temp);
        return none();
    }
    for (const auto &[name, bytes] : {std::pair{Origins, origins}, std::pair{Mark, MarkText}}) {
        QSaveFile file(temp + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            removeTree(temp);
            return file.errorString();
        }
    }

    // Swap the new folder in at once, so a window listing the tests never sees half a folder.
    const QByteArray from = QFile::encodeName(temp), to = QFile::encodeName(final);
    const bool exists = QFileInfo(final).exists() || QFileInfo(final).isSymLink();
    if (exists && renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        removeTree(temp);
        return {};
    }
    if (exists)
        removeTree(final); // a file system without the exchange: a brief moment without the folder
    if (std::rename(from.constData(), to.constData()) != 0) {
        QString why = fail(final);
        removeTree(temp);
        return why;
    }
    return {};
}

QHash<QString, QString> TrickyFolder::origins(const QString &appDir)
{
    QHash<QString, QString> map;
    QFile f(path(appDir) + Origins);
    if (owner(appDir) != Owner::Wordaroo || !real(f.fileName(), false) || !f.open(QIODevice::ReadOnly))
        return map;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            map.insert(QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)));
    }
    return map;
}
