#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The marking rules of the spelling test, without any window: how the answers are
// lined up with the words, which answers are right, the percentage and the spoken
// reaction. A TestRun applies them; the test window shows and plays what they decide.
namespace Scoring
{

// The mark appended to a wrong answer in the results list.
inline const QString WrongMarker = QStringLiteral("  XXX");
// What an unanswered word shows before its mark.
inline const QString NoAnswer = QStringLiteral(" ");

// Removes spaces (only spaces) from both ends; spaces inside stay.
QString trimSpaces(const QString &text);

// The answers given, padded with NoAnswer rows up to the number of words.
QStringList padAnswers(const QStringList &answers, int wordCount);

// An answer is right when it equals the word after both are upper-cased and
// trimmed of outer spaces; inner spaces must match.
bool isRight(const QString &answer, const QString &word);

// Whole percentage, truncated toward zero. total must be positive.
int percent(int right, int total);

struct Reaction {
    QString sound;       // prompt file name in the program folder
    bool smiley = false; // only a perfect score shows the smiley
};
// The spoken reaction for a percentage; each band is a strict "greater than".
Reaction reaction(int percent);

struct Result {
    QStringList rows;   // the answers as shown, wrong ones marked
    QList<bool> missed; // per row: marked wrong by this scoring
    int right = 0;
    int total = 0;
    std::optional<int> percent; // none when there are no words
};
// Scores the answer rows against the words, row by row (rows beyond the words are
// left as they are and never marked).
Result score(const QStringList &answers, const QStringList &words);

} // namespace Scoring
