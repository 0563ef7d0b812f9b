#pragma once
// The synthetic history the history benchmarks record: run i is one of 20 tests of 20
// words, ten runs a day from start, about one word in six wrong.
#include "history/historystore.h"

#include <QRandomGenerator>

inline History::TestRun syntheticRun(const QDateTime &start, int i, const QString &child, QRandomGenerator &rnd)
{
    using namespace Qt::StringLiterals;
    History::TestRun r{start.addSecs(qint64(i) * 8640), child, u"Test_%1"_s.arg(i % 20), 0, false, {}};
    int right = 0;
    for (int w = 0; w < 20; ++w) {
        const QString word = u"word%1_%2"_s.arg(i % 20).arg(w);
        const bool ok = rnd.bounded(6) != 0;
        right += ok;
        r.words.append({word, ok ? word : word.left(int(rnd.bounded(1, 6))), ok, {}});
    }
    r.percent = right * 100 / 20;
    return r;
}
