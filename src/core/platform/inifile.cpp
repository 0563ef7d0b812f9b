#include "core/platform/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace IniFile
{
namespace
{

// Splits contents into lines, remembering whether the file used CRLF line ends.
QList<QByteArray> splitLines(const QByteArray &contents, bool *crlf)
{
    *crlf = contents.contains("\r\n");
    QList<QByteArray> lines = contents.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The section name of a "[name]" line, or a null string for any other line.
QString sectionName(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return {};
    const qsizetype end = t.indexOf(']');
    if (end < 0)
        return {};
    return QString::fromUtf8(t.mid(1, end - 1)).trimmed();
}

// The key of a "key=value" line (trimmed), or a null string.
QString keyName(const QByteArray &line, QByteArray *value = nullptr)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return {};
    if (value)
        *value = line.mid(eq + 1).trimmed();
    const QString key = QString::fromUtf8(line.left(eq)).trimmed();
    return key.isEmpty() ? QString() : key;
}

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString read(const QString &file, const QString &section, const QString &key, const QString &def)
{
    QFile f(file);
    QString result = def;
    if (QFileInfo(file).isFile() && f.open(QIODevice::ReadOnly)) {
        bool crlf = false;
        bool inSection = false;
        bool found = false;
        for (const QByteArray &line : splitLines(f.readAll(), &crlf)) {
            const QString name = sectionName(line);
            if (!name.isNull()) {
                if (found)
                    break;
                inSection = same(name, section);
                continue;
            }
            QByteArray value;
            if (inSection && same(keyName(line, &value), key)) {
                // Matching quotes around a value are not part of it.
                if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                    value.back() == value.front())
                    value = value.mid(1, value.size() - 2);
                result = QString::fromUtf8(value);
                found = true;
                break;
            }
        }
    }
    return result.left(MaxValueLength);
}

QByteArray withValue(const QByteArray &contents, const QString &section, const QString &key, const QString &value)
{
    bool crlf = false;
    QList<QByteArray> lines = splitLines(contents, &crlf);
    // Values are read back trimmed and without a pair of outer quotes: a value that
    // would lose its outer blanks or quotes is written inside quotes, so it reads
    // back exactly as written (a password with a blank must not lock anyone out).
    const bool outerBlank = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quoted = value.size() >= 2 &&
                        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                        value.back() == value.front();
    const QString stored = outerBlank || quoted ? QLatin1Char('"') + value + QLatin1Char('"') : value;
    const QByteArray newLine = key.toUtf8() + '=' + stored.toUtf8();

    qsizetype sectionAt = -1;
    qsizetype insertAt = -1; // after the last non-empty line of the section
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (sectionAt >= 0)
                break;
            if (same(name, section)) {
                sectionAt = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (same(keyName(lines[i]), key)) {
            lines[i] = newLine;
            insertAt = -2;
            break;
        }
        if (!lines[i].trimmed().isEmpty())
            insertAt = i + 1;
    }
    if (sectionAt < 0) {
        lines << '[' + section.toUtf8() + ']' << newLine;
    } else if (insertAt >= 0) {
        lines.insert(insertAt, newLine);
    }
    const QByteArray eol = crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    return lines.join(eol) + eol;
}

WriteResult write(const QString &file, const QString &section, const QString &key, const QString &value)
{
    QByteArray old;
    QFile in(file);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly))
            return {false, 70, QStringLiteral("Permission denied: cannot read %1").arg(file)};
        old = in.readAll();
        in.close();
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {false, 75, QStringLiteral("Path/File access error: cannot write %1 (%2)").arg(file, out.errorString())};
    out.write(withValue(old, section, key, value));
    if (!out.commit())
        return {false, 75, QStringLiteral("Path/File access error: cannot write %1 (%2)").arg(file, out.errorString())};
    return {};
}

} // namespace IniFile
