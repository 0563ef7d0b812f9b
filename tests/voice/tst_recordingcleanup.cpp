// The clean-up of recorded words, on generated recordings: a tone standing for the
// voice, quiet room noise around it, and a key click at the start. What is measured is
// what a listener gets: how much silence is left at each end and how loud the peak is.
#include "voice/recordingcleanup.h"

#include <QTest>

#include <cmath>
#include <vector>

using namespace RecordingCleanup;
using Samples = std::vector<qint16>;
Q_DECLARE_METATYPE(RecordingCleanup::Verdict)

namespace
{
constexpr int Rate = 22050;

double amplitude(double db)
{
    return 32768.0 * std::pow(10.0, db / 20.0);
}

// Room noise near -70 dBFS, the same on every run.
void addNoise(Samples &s, int ms)
{
    quint32 state = 12345;
    for (int i = 0; i < Rate * ms / 1000; ++i) {
        state = state * 1664525u + 1013904223u;
        s.push_back(qint16(int(state >> 24) % 21 - 10));
    }
}

// A 440 Hz tone at the given peak level (above 0 dBFS it clips at full scale).
void addTone(Samples &s, int ms, double db)
{
    for (int i = 0; i < Rate * ms / 1000; ++i)
        s.push_back(
            qint16(std::clamp(std::lround(amplitude(db) * std::sin(2 * M_PI * 440 * i / Rate)), -32768L, 32767L)));
}

// A key click: 5 ms of a loud decaying burst.
void addClick(Samples &s)
{
    for (int i = 0; i < Rate * 5 / 1000; ++i)
        s.push_back(qint16((i % 2 ? -1 : 1) * 20000 * (1.0 - double(i) / (Rate * 5 / 1000))));
}

double peakDb(const Samples &s)
{
    int peak = 0;
    for (const qint16 v : s)
        peak = std::max(peak, std::abs(int(v)));
    return 20 * std::log10(std::max(peak, 1) / 32768.0);
}

// Milliseconds before the first and after the last sample of the tone (louder than the
// noise can be after the largest gain).
std::pair<double, double> silenceAtEnds(const Samples &s)
{
    const auto loud = [](qint16 v) { return std::abs(int(v)) > 1000; };
    const auto first = std::find_if(s.begin(), s.end(), loud);
    const auto last = std::find_if(s.rbegin(), s.rend(), loud);
    return {1000.0 * double(first - s.begin()) / Rate, 1000.0 * double(last - s.rbegin()) / Rate};
}
} // namespace

class TstRecordingCleanup : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void clean_data()
    {
        QTest::addColumn<bool>("click");
        QTest::addColumn<int>("before"); // ms of noise
        QTest::addColumn<double>("toneDb");
        QTest::addColumn<int>("toneMs");
        QTest::addColumn<int>("after");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<double>("resultDb"); // peak after the clean-up
        QTest::newRow("silence around, raised") << false << 1000 << -12.0 << 600 << 1200 << Verdict::Ok << -1.0;
        QTest::newRow("key click, then silence") << true << 700 << -12.0 << 600 << 900 << Verdict::Ok << -1.0;
        QTest::newRow("short silences kept") << false << 60 << -6.0 << 400 << 40 << Verdict::Ok << -1.0;
        QTest::newRow("voice nearly throughout") << false << 30 << -6.0 << 1000 << 30 << Verdict::Ok << -1.0;
        QTest::newRow("loud, lowered") << false << 500 << -0.1 << 500 << 500 << Verdict::Ok << -1.0;
        QTest::newRow("quiet: gain capped at +20 dB") << false << 500 << -36.0 << 500 << 500 << Verdict::Ok << -16.0;
        QTest::newRow("clipped") << false << 500 << 6.0 << 500 << 500 << Verdict::Clipped << -1.0;
        QTest::newRow("silent") << false << 1000 << -12.0 << 0 << 1000 << Verdict::NoVoice << 0.0;
        QTest::newRow("only the key click") << true << 1000 << -12.0 << 0 << 1000 << Verdict::NoVoice << 0.0;
        QTest::newRow("a blip under 150 ms") << false << 1000 << -12.0 << 100 << 1000 << Verdict::NoVoice << 0.0;
    }

    void clean()
    {
        QFETCH(bool, click);
        QFETCH(int, before);
        QFETCH(double, toneDb);
        QFETCH(int, toneMs);
        QFETCH(int, after);
        QFETCH(Verdict, verdict);
        QFETCH(double, resultDb);
        Samples in;
        if (click)
            addClick(in);
        addNoise(in, before);
        addTone(in, toneMs, toneDb);
        addNoise(in, after);

        const Result r = RecordingCleanup::clean(in, Rate);
        QCOMPARE(r.verdict, verdict);
        if (verdict == Verdict::NoVoice) {
            QVERIFY(r.samples == in);
            return;
        }
        QVERIFY2(std::abs(peakDb(r.samples) - resultDb) < 0.1, qPrintable(QString::number(peakDb(r.samples))));
        const auto [lead, trail] = silenceAtEnds(r.samples);
        QVERIFY2(lead <= KeptSilenceMs && lead >= std::min(before, 140) - 1, qPrintable(QString::number(lead)));
        QVERIFY2(trail <= KeptSilenceMs && trail >= std::min(after, 140) - 1, qPrintable(QString::number(trail)));
        const double ms = 1000.0 * double(r.samples.size()) / Rate;
        QVERIFY2(ms >= toneMs + lead + trail - 1 && ms <= toneMs + 2 * KeptSilenceMs + 1,
                 qPrintable(QString::number(ms)));
    }
};

QTEST_GUILESS_MAIN(TstRecordingCleanup)
#include "tst_recordingcleanup.moc"
