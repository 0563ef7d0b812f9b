#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The rules for adding a whole typed or pasted list of words to a test at once, and
// reading such a list from a text file. Pure rules: no window, no message box; the
// window shows the messages built here.
namespace WordListRules
{

// Most words added at once; a longer list is refused as a whole (a paste gone wrong).
constexpr int MaxWords = 1000;
// Largest text file, and longest text, taken as a word list.
constexpr qint64 MaxBytes = qint64(1024) * 1024;

struct Refusal {
    QString line;   // the line as typed, trimmed
    QString reason; // why, in words a parent understands
};

struct Parsed {
    QStringList accepted;   // the new words, in the order typed
    QList<Refusal> refused; // the lines that are not added, in the order typed
    QString wholeRefusal;   // when set, nothing is added and this says why
};

// One word per line: each line is trimmed (blanks, tabs and carriage returns), empty
// lines are skipped. Refused: words the test already has (exact comparison, letter case
// counts), a line repeated (its second and later copies), and names that cannot be word
// files. Runs in time linear in the text.
Parsed parse(const QString &text, const QStringList &existingWords);

// The one message listing the refused lines (the first few, then how many more), with
// each line shown printably and shortened; empty when nothing was refused.
QString refusalMessage(const QList<Refusal> &refused);

// Reads a text file chosen as a word list: a plain file (not a link) of at most MaxBytes,
// holding text (no zero bytes), decoded as UTF-8 (a byte-order mark dropped), or as Latin-1 when
// it is not valid UTF-8. On failure returns false with a clear message.
bool readTextFile(const QString &path, QString *text, QString *error);

} // namespace WordListRules
