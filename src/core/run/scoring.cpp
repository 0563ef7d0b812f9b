#include "core/run/scoring.h"

namespace Scoring
{

QString trimSpaces(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

QStringList padAnswers(const QStringList &answers, int wordCount)
{
    QStringList rows = answers;
    while (rows.size() < wordCount)
        rows << NoAnswer;
    return rows;
}

bool isRight(const QString &answer, const QString &word)
{
    return trimSpaces(answer.toUpper()) == trimSpaces(word.toUpper());
}

int percent(int right, int total)
{
    // right * 100 / total is never negative, so integer division truncates exactly.
    return int(qint64(right) * 100 / total);
}

Reaction reaction(int percent)
{
    if (percent > 99)
        return {QStringLiteral("whoopie.wav"), true};
    if (percent > 90)
        return {QStringLiteral("pretty_good.wav"), false};
    if (percent > 80)
        return {QStringLiteral("keep_trying.wav"), false};
    return {QStringLiteral("brrrr.wav"), false};
}

Result score(const QStringList &answers, const QStringList &words)
{
    Result r;
    r.rows = answers;
    r.total = int(words.size());
    for (qsizetype i = 0; i < r.rows.size(); ++i)
        r.missed << false;
    for (int i = 0; i < r.total; ++i) {
        // The answer rows are padded to the word count before scoring; a short list
        // still scores its missing rows as unanswered.
        if (i >= r.rows.size()) {
            r.rows << NoAnswer;
            r.missed << false;
        }
        if (isRight(r.rows.at(i), words.at(i))) {
            ++r.right;
        } else {
            r.rows[i] += WrongMarker;
            r.missed[i] = true;
        }
    }
    if (r.total > 0)
        r.percent = Scoring::percent(r.right, r.total);
    return r;
}

} // namespace Scoring
