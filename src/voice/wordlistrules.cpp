#include "voice/wordlistrules.h"

#include "core/platform/safefile.h"
#include "core/platform/testlibrary.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringTokenizer>

#include <optional>

namespace WordListRules
{
namespace
{

constexpr int ListedRefusals = 10;
constexpr int ShownChars = 40;

// The lines of a text, whatever its line ends (LF, CR LF or CR alone), trimmed; empty
// lines left out.
QList<QStringView> nonEmptyLines(QStringView text)
{
    QList<QStringView> lines;
    for (const QStringView piece : qTokenize(text, u'\n'))
        for (const QStringView line : qTokenize(piece, u'\r'))
            if (const QStringView trimmed = line.trimmed(); !trimmed.isEmpty())
                lines << trimmed;
    return lines;
}

// A line as a message may show it: control characters as "?", long lines shortened.
QString shown(const QString &line)
{
    QString out = line.left(ShownChars);
    for (QChar &c : out)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c.isNull())
            c = QLatin1Char('?');
    if (line.size() > ShownChars)
        out += QStringLiteral("...");
    return out;
}

} // namespace

Parsed parse(const QString &text, const QStringList &existingWords)
{
    Parsed result;
    if (text.size() > MaxBytes) {
        result.wholeRefusal = QStringLiteral("This text is too long to be a list of words.");
        return result;
    }
    const QList<QStringView> lines = nonEmptyLines(text);
    if (lines.size() > MaxWords) {
        result.wholeRefusal = QStringLiteral("This list has %1 lines. At most %2 words can be added at once.")
                                  .arg(lines.size())
                                  .arg(MaxWords);
        return result;
    }
    QSet<QString> existing;
    for (const QString &word : existingWords)
        existing.insert(TestLibrary::normalForm(word));
    QSet<QString> seen;
    for (const QStringView view : lines) {
        const QString line = TestLibrary::normalForm(view.toString());
        QString reason;
        if (existing.contains(line))
            reason = QStringLiteral("It is already a word of this test.");
        else if (seen.contains(line))
            reason = QStringLiteral("It is in the list more than once.");
        else
            reason = TestLibrary::unsafeWordReason(line);
        seen.insert(line);
        if (reason.isEmpty())
            result.accepted << line;
        else
            result.refused.append({line, reason});
    }
    return result;
}

QString refusalMessage(const QList<Refusal> &refused)
{
    if (refused.isEmpty())
        return {};
    QString message = refused.size() == 1 ? QStringLiteral("This line was not added:")
                                          : QStringLiteral("These lines were not added:");
    for (qsizetype i = 0; i < refused.size() && i < ListedRefusals; ++i)
        message += QStringLiteral("\n\"") + shown(refused.at(i).line) + QStringLiteral("\": ") + refused.at(i).reason;
    if (refused.size() > ListedRefusals)
        message += QStringLiteral("\n...and %1 more.").arg(refused.size() - ListedRefusals);
    return message;
}

bool readTextFile(const QString &path, QString *text, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // The program's one guarded read: a plain file only (no folder, link, pipe or
    // device), refused unread when too big.
    QByteArray bytes;
    QString why;
    switch (SafeFile::readPlainFile(path, MaxBytes, &bytes, &why, nullptr, SafeFile::Links::Follow)) {
    case SafeFile::ReadStatus::Missing:
        return fail(QStringLiteral("The file does not exist."));
    case SafeFile::ReadStatus::Failed:
        return fail(why);
    case SafeFile::ReadStatus::Ok:
        break;
    }
    // A byte-order mark names the encoding; UTF-16 and UTF-32 text holds zero bytes.
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
    if (marked && *marked != QStringConverter::Utf8) {
        QStringDecoder decoder(*marked); // drops the mark
        QString decoded = decoder.decode(bytes);
        if (decoder.hasError() || decoded.contains(QChar(0)))
            return fail(QStringLiteral("This is not a text file: it is not written as its first bytes say."));
        *text = decoded;
        return true;
    }
    // Text without a mark never holds zero bytes; programs, pictures and archives do.
    if (bytes.contains('\0'))
        return fail(QStringLiteral("This is not a text file."));
    QStringDecoder utf8(QStringConverter::Utf8);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        decoded = QString::fromLatin1(bytes);
    *text = decoded;
    return true;
}

} // namespace WordListRules
