#include "history/tricky.h"

namespace Tricky
{
namespace
{
constexpr int Intervals[] = {1, 3, 7}; // days after the 1st, 2nd and 3rd right day
constexpr int RetireDays = 3;          // right days after the miss day
} // namespace

State next(State s, const Answer &a)
{
    if (!a.right)
        return State{true, a.day, a.day, 0, 0, {}};
    if (!s.tricky || a.day == s.lastRight)
        return s;
    if (a.day > s.missed && ++s.laterDays >= RetireDays)
        return State{};
    s.lastRight = a.day;
    s.due = a.day.addDays(Intervals[std::min(s.rightDays, int(std::size(Intervals)) - 1)]);
    ++s.rightDays;
    return s;
}

State schedule(const QList<Answer> &answers)
{
    State s;
    for (const Answer &a : answers)
        s = next(s, a);
    return s;
}
} // namespace Tricky
