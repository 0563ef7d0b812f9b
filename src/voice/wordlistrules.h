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
    QStringList accepted;      // the new words, in the order typed
    QStringList alreadyInTest; // words the test has already: left as they are, not an error
    QList<Refusal> refused;    // the words that are not added, in the order typed
    QString wholeRefusal;      // when set, nothing is added and this says why
};

// A list as people paste it: one word per line, or several on a line separated by
// commas, semicolons or tabs; a number before a word ("1.", "2)", "3 -", "4:") or a
// bullet ("•", "- ", "*") is not part of it. Each word is trimmed and put in the one
// normal form of words (TestLibrary::normalForm); empty pieces are skipped. Words the
// test already has (compared in that normal form, letter case counts) are counted
// apart. Refused: a word repeated (its second and later copies) and names that cannot
// be word files. Runs in time linear in the text.
Parsed parse(const QString &text, const QStringList &existingWords);

// What a parse found, as the list panel shows it while the text changes: "12 words
// found", with the words already in the test and those that cannot be added counted;
// empty when there is nothing in the text.
QString foundSummary(const Parsed &parsed);

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
