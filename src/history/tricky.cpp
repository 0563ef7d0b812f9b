#include "history/tricky.h"

namespace Tricky
{
namespace
{
constexpr int Intervals[] = {1, 3, 7}; // days after the 1st, 2nd and 3rd right day
constexpr int RetireDays = 3;          // right days after the miss day
} // namespace

State schedule(const QList<Answer> &answers)
{
    State s;
    QDate lastRight;
    int laterDays = 0;
    for (const Answer &a : answers) {
        if (!a.right) {
            s = State{true, a.day, a.day, 0};
            lastRight = {};
            laterDays = 0;
            continue;
        }
        if (!s.tricky || a.day == lastRight)
            continue;
        lastRight = a.day;
        if (a.day > s.missed && ++laterDays >= RetireDays) {
            s = State{};
            continue;
        }
        s.due = a.day.addDays(Intervals[std::min(s.rightDays, int(std::size(Intervals)) - 1)]);
        ++s.rightDays;
    }
    return s;
}
} // namespace Tricky
