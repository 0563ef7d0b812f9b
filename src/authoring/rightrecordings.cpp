#include "authoring/rightrecordings.h"

#include "core/platform/safefile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace RightRecordings
{
namespace
{

constexpr qint64 MaxBytes = qint64(1024) * 1024;

QString wavePath(const QString &testDir, const QString &word)
{
    return testDir + word + QStringLiteral(".wav");
}

QByteArray fingerprint(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&f) ? hash.result().toHex() : QByteArray();
}

// word -> fingerprint; a damaged line is passed over.
QHash<QString, QByteArray> read(const QString &testDir)
{
    QHash<QString, QByteArray> kept;
    QByteArray bytes;
    QString why;
    if (SafeFile::readPlainFile(testDir + FileName, MaxBytes, &bytes, &why) != SafeFile::ReadStatus::Ok)
        return kept;
    for (const QByteArray &line : bytes.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab == 64)
            kept.insert(QString::fromUtf8(line.mid(tab + 1)), line.left(tab));
    }
    return kept;
}

} // namespace

bool isKept(const QString &testDir, const QString &word)
{
    const QByteArray mark = read(testDir).value(word);
    return !mark.isEmpty() && mark == fingerprint(wavePath(testDir, word));
}

bool keep(const QString &testDir, const QString &word, QString *error)
{
    QHash<QString, QByteArray> kept = read(testDir);
    kept.insert(word, fingerprint(wavePath(testDir, word)));
    QByteArray bytes;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        if (!it.value().isEmpty() && it.value() == fingerprint(wavePath(testDir, it.key())))
            bytes += it.value() + '\t' + it.key().toUtf8() + '\n';
    return SafeFile::replaceFile(testDir + FileName, bytes, error);
}

} // namespace RightRecordings
