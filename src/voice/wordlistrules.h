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

// One word per line: each line is trimmed (blanks, tabs and carriage returns) and put in
// the one normal form of words (TestLibrary::normalForm), empty lines are skipped.
// Refused: words the test already has (compared in that normal form, letter case
// counts), a line repeated (its second and later copies), and names that cannot be word
// files. Runs in time linear in the text.
Parsed parse(const QString &text, const QStringList &existingWords);

// The one message listing the refused lines (the first few, then how many more), with
// each line shown printably and shortened; empty when nothing was refused.
QString refusalMessage(const QList<Refusal> &refused);

// Reads a text file chosen as a word list: a plain file of at most MaxBytes (the user
// picked it, so it may be reached through a link), holding text. A byte-order mark says
// how it is written (UTF-8, UTF-16 or UTF-32, either byte order) and is dropped; without
// one the text is UTF-8, or Latin-1 when it is not valid UTF-8, and may hold no zero
// bytes. On failure returns false with a clear message.
bool readTextFile(const QString &path, QString *text, QString *error);

} // namespace WordListRules
