#include "core/platform/inifile.h"

#include "core/platform/safefile.h"

#include <QDir>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>

Q_LOGGING_CATEGORY(lcSettings, "wordaroo.settings", QtInfoMsg)

namespace IniFile
{
namespace
{

// Error numbers shown in the settings error box.
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75;

// A settings file's text and how it was stored. Files without a byte-order mark
// are taken byte for byte (the 8-bit code page); the others are decoded to UTF-8
// for parsing and encoded back the same way on writing.
enum class Encoding { Bytes, Utf8Bom, Utf16LE, Utf16BE };
struct Text {
    QByteArray bytes;
    Encoding encoding = Encoding::Bytes;
};

bool decode(const QByteArray &raw, const QString &file, Text *text, QString *why)
{
    if (raw.startsWith("\xEF\xBB\xBF")) {
        *text = {raw.mid(3), Encoding::Utf8Bom};
        return true;
    }
    const bool le = raw.startsWith("\xFF\xFE");
    if (!le && !raw.startsWith("\xFE\xFF")) {
        *text = {raw, Encoding::Bytes};
        return true;
    }
    const QByteArray units = raw.mid(2);
    QStringDecoder decoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    const QString decoded = decoder(units);
    if (units.size() % 2 != 0 || decoder.hasError() || !QStringView(decoded).isValidUtf16()) {
        *why = QStringLiteral("%1 starts as UTF-16 text but is not valid UTF-16.").arg(QDir::toNativeSeparators(file));
        return false;
    }
    *text = {decoded.toUtf8(), le ? Encoding::Utf16LE : Encoding::Utf16BE};
    return true;
}

QByteArray encode(const Text &text)
{
    switch (text.encoding) {
    case Encoding::Bytes:
        break;
    case Encoding::Utf8Bom:
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.bytes;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool le = text.encoding == Encoding::Utf16LE;
        QStringEncoder encoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QByteArray units = encoder(QString::fromUtf8(text.bytes));
        return (le ? QByteArrayLiteral("\xFF\xFE") : QByteArrayLiteral("\xFE\xFF")) + units;
    }
    }
    return text.bytes;
}

// Reads and decodes the file; a missing file is empty text. false: errorNumber
// and description say why.
bool load(const QString &file, Text *text, int *errorNumber, QString *description)
{
    QByteArray raw;
    int err = 0;
    switch (SafeFile::readPlainFile(file, MaxFileSize, &raw, description, &err)) {
    case SafeFile::ReadStatus::Missing:
        *text = {};
        return true;
    case SafeFile::ReadStatus::Failed:
        *errorNumber = err == EACCES || err == EPERM ? PermissionDenied : PathFileAccessError;
        return false;
    case SafeFile::ReadStatus::Ok:
        break;
    }
    if (!decode(raw, file, text, description)) {
        *errorNumber = PathFileAccessError;
        return false;
    }
    return true;
}

// Splits contents into lines at CRLF, CR or LF, and says which line end the file
// uses: CRLF if any line has one, CR if every line has one, LF otherwise.
QList<QByteArray> splitLines(const QByteArray &contents, QByteArray *eol)
{
    QList<QByteArray> lines;
    bool crlf = false, cr = false, lf = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const char c = contents[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << contents.mid(start, i - start);
        if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') {
            crlf = true;
            ++i;
        } else {
            (c == '\r' ? cr : lf) = true;
        }
        start = i + 1;
    }
    if (start < contents.size())
        lines << contents.mid(start);
    if (eol)
        *eol = crlf ? QByteArrayLiteral("\r\n") : cr && !lf ? QByteArrayLiteral("\r") : QByteArrayLiteral("\n");
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

QString valueIn(const QByteArray &contents, const QString &section, const QString &key, const QString &def)
{
    bool inSection = false;
    for (const QByteArray &line : splitLines(contents, nullptr)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = same(name, section);
            continue;
        }
        QByteArray value;
        if (inSection && same(keyName(line, &value), key)) {
            // Matching quotes around a value are not part of it.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return QString::fromUtf8(value);
        }
    }
    return def;
}

} // namespace

ReadResult read(const QString &file, const QString &section, const QString &key, const QString &def)
{
    ReadResult r;
    Text text;
    if (!load(file, &text, &r.errorNumber, &r.description)) {
        qCWarning(lcSettings).noquote() << r.description;
        r.ok = false;
        return r;
    }
    r.value = valueIn(text.bytes, section, key, def).left(MaxValueLength);
    return r;
}

QByteArray withValue(const QByteArray &contents, const QString &section, const QString &key, const QString &value)
{
    QByteArray eol;
    QList<QByteArray> lines = splitLines(contents, &eol);
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
    return lines.join(eol) + eol;
}

WriteResult write(const QString &file, const QString &section, const Values &values)
{
    WriteResult r;
    Text text;
    if (!load(file, &text, &r.errorNumber, &r.description)) {
        qCWarning(lcSettings).noquote() << r.description;
        r.ok = false;
        return r;
    }
    for (const auto &[key, value] : values)
        text.bytes = withValue(text.bytes, section, key, value);
    const QByteArray bytes = encode(text);
    if (bytes.size() > MaxFileSize) {
        const QString why = QStringLiteral("%1 would grow beyond %2 bytes, more than a settings file may hold.")
                                .arg(QDir::toNativeSeparators(file))
                                .arg(MaxFileSize);
        qCWarning(lcSettings).noquote() << why;
        return {false, PathFileAccessError, why};
    }
    // A failed write is logged as a file write.
    QString why;
    if (!SafeFile::replaceFile(file, bytes, &why))
        return {false, PathFileAccessError, why};
    return r;
}

WriteResult write(const QString &file, const QString &section, const QString &key, const QString &value)
{
    return write(file, section, Values{{key, value}});
}

} // namespace IniFile
