#include "voice/wordlistrules.h"

#include "core/platform/safefile.h"
#include "core/platform/testlibrary.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringTokenizer>

#include <optional>
#include <utility>

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

bool isSeparator(QChar c)
{
    // Commas, semicolons and tabs, also as Chinese and Japanese text writes them.
    return c == u',' || c == u';' || c == u'\t' || c == u'\uFF0C' || c == u'\uFF1B' || c == u'\u3001';
}

// A word as a list writes it: a bullet ("•", "- ", "*") or a number ("1.", "2)",
// "3 -", "4:") in front is taken off. A hyphen is a bullet only when a blank follows it
// ("-ing" stays a word), and digits are a number only when a mark follows them that no
// digit follows ("3.5" and "2nd" stay words).
QStringView withoutMarker(QStringView piece)
{
    static const QString bullets = QStringLiteral("\u2022\u25E6\u25AA\u25CF\u2023\u00B7\u2013\u2014*");
    if (!piece.isEmpty() &&
        (bullets.contains(piece.front()) || (piece.front() == u'-' && (piece.size() == 1 || piece.at(1).isSpace()))))
        return piece.mid(1).trimmed();
    qsizetype digits = 0;
    while (digits < piece.size() && piece.at(digits).isDigit())
        ++digits;
    if (digits == 0)
        return piece;
    qsizetype at = digits;
    while (at < piece.size() && piece.at(at).isSpace())
        ++at;
    if (at == piece.size())
        return piece;
    const QChar mark = piece.at(at);
    const bool last = at + 1 == piece.size();
    if (!last && piece.at(at + 1).isDigit())
        return piece;
    // A dash between a number and a word is a marker only with a blank beside it: "7-up" stays.
    const bool dash = mark == u'-' || mark == u'\u2013';
    if ((mark == u'.' || mark == u')' || mark == u':') || (dash && (at > digits || last || piece.at(at + 1).isSpace())))
        return piece.mid(at + 1).trimmed();
    return piece;
}

// The words of a pasted list: its lines cut at the separators, each without its
// marker, empty pieces left out.
QList<QStringView> words(const QList<QStringView> &lines)
{
    QList<QStringView> out;
    for (const QStringView line : lines) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i < line.size() && !isSeparator(line.at(i)))
                continue;
            if (const QStringView word = withoutMarker(line.mid(start, i - start).trimmed()); !word.isEmpty())
                out << word;
            start = i + 1;
        }
    }
    return out;
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
    const QList<QStringView> pieces = words(lines);
    if (pieces.size() > MaxWords) {
        result.wholeRefusal = QStringLiteral("This list has %1 words. At most %2 words can be added at once.")
                                  .arg(pieces.size())
                                  .arg(MaxWords);
        return result;
    }
    QSet<QString> existing;
    for (const QString &word : existingWords)
        existing.insert(TestLibrary::normalForm(word));
    QHash<QString, bool> seen;
    for (const QStringView view : pieces) {
        const QString line = TestLibrary::normalForm(view.toString());
        const bool repeated = std::exchange(seen[line], true);
        if (existing.contains(line)) {
            if (!repeated)
                result.alreadyInTest << line;
            continue;
        }
        QString reason;
        if (repeated)
            reason = QStringLiteral("It is in the list more than once.");
        else
            reason = TestLibrary::unsafeWordReason(line);
        if (reason.isEmpty())
            result.accepted << line;
        else
            result.refused.append({line, reason});
    }
    return result;
}

QString foundSummary(const Parsed &parsed)
{
    if (!parsed.wholeRefusal.isEmpty())
        return parsed.wholeRefusal;
    const qsizetype found = parsed.accepted.size() + parsed.alreadyInTest.size();
    if (found == 0 && parsed.refused.isEmpty())
        return {};
    QString text = found == 1 ? QStringLiteral("1 word found") : QStringLiteral("%1 words found").arg(found);
    if (!parsed.alreadyInTest.isEmpty())
        text += QStringLiteral(", %1 already in the test").arg(parsed.alreadyInTest.size());
    if (!parsed.refused.isEmpty())
        text += QStringLiteral(", %1 cannot be added").arg(parsed.refused.size());
    return text;
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
