// The tricky-words schedule over tables of dated answers.
#include "history/tricky.h"

#include <QTest>

class tst_Schedule : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void schedule_data();
    void schedule();
};

// Days are counted from the 27th of February of a leap year, so the intervals cross the 29th.
static const QDate Day0(2024, 2, 27);

void tst_Schedule::schedule_data()
{
    QTest::addColumn<QString>("answers"); // "<day><+ right|- wrong>" in the order given
    QTest::addColumn<int>("due");         // day due; -1: not tricky

    QTest::newRow("never missed") << "0+ 1+" << -1;
    QTest::newRow("missed: due at once") << "0-" << 0;
    QTest::newRow("right later that day: 1 day") << "0- 0+" << 1;
    QTest::newRow("a day counts once") << "0- 0+ 0+ 0+" << 1;
    QTest::newRow("next right day: 3 days") << "0- 0+ 1+" << 4;
    QTest::newRow("third right day: 7 days, crossing 29 Feb") << "0- 0+ 1+ 4+" << 11;
    QTest::newRow("three later days retire it") << "0- 0+ 1+ 4+ 11+" << -1;
    QTest::newRow("three later days, none on the miss day") << "0- 1+ 2+ 5+" << -1;
    QTest::newRow("only two later days") << "0- 0+ 1+ 2+" << 9;
    QTest::newRow("right before due still counts") << "0- 1+ 1+ 2+" << 5;
    QTest::newRow("a new miss starts again") << "0- 1+ 2+ 3-" << 3;
    QTest::newRow("miss after a right the same day") << "0- 0+ 0-" << 0;
    QTest::newRow("retired, then missed again") << "0- 1+ 2+ 5+ 20- 20+" << 21;
}

void tst_Schedule::schedule()
{
    QFETCH(QString, answers);
    QFETCH(int, due);
    QList<Tricky::Answer> list;
    for (const QString &a : answers.split(u' '))
        list.append({Day0.addDays(a.chopped(1).toInt()), a.endsWith(u'+')});
    const Tricky::State s = Tricky::schedule(list);
    QCOMPARE(s.tricky, due >= 0);
    if (due >= 0) {
        QCOMPARE(s.due, Day0.addDays(due));
        QVERIFY(!Tricky::isDue(s, s.due.addDays(-1)));
        QVERIFY(Tricky::isDue(s, s.due));
    }
}

QTEST_GUILESS_MAIN(tst_Schedule)
#include "tst_schedule.moc"
