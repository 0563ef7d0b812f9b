#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// The spaced schedule of the tricky words, as a pure rule over one word's test answers.
// A wrong answer makes the word tricky and due at once. Right answers count once per day:
// after the n-th right day since the miss the word is due again that day + 1, 3 or 7
// days. It retires when it has been right on three days after the day of the miss, so a
// right answer on the day of the miss itself (the practice straight after the test) moves
// the word on but does not count towards retiring it. A new miss starts it all again.
namespace Tricky
{
inline constexpr auto FolderName = "Test_Tricky Words";

struct Answer {
    QDate day;
    bool right = false;
};

struct State {
    bool tricky = false;
    QDate due;         // when tricky: the first day it is due
    QDate missed;      // the day of the last miss
    int rightDays = 0; // days with a right answer since that miss
    int laterDays = 0; // of them, days after the day of the miss
    QDate lastRight;
};

State next(State s, const Answer &a);
// answers in the order they were given
State schedule(const QList<Answer> &answers);
inline bool isDue(const State &s, QDate today)
{
    return s.tricky && s.due <= today;
}

// A word due for a child, named by the test folder it belongs to.
struct Word {
    QString test; // "Test_Animals"
    QString word;
    QDate due;
    QDateTime lastMiss;
    friend bool operator==(const Word &, const Word &) = default;
};
} // namespace Tricky
