// "Say It Slowly" on the real sound engine, timed through the real test view: from the
// press of the button to the first sound a private PulseAudio server's "mic" hears of
// its "speaker", and how long the slowed word is heard, against "Repeat Word" on the
// same 2-second word. Also libsonic's own share: stretching the whole word in memory.
//
//   bench_slowplay [runs]      (uses $PULSE_SERVER, or starts a private server)
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_pcm.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void report(const char *what, const std::vector<double> &v, const char *unit)
{
    if (v.empty()) {
        std::printf("%-52s never measured\n", what);
        return;
    }
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("%-52s median %8.2f %s   (min %.2f, max %.2f, %zu runs)\n", what, median(v), unit, *lo, *hi, v.size());
    std::fflush(stdout);
}

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

qint64 now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Records the mic in 5 ms fragments on a thread of its own and notes when sound is first
// and last heard after it is armed.
class Ear
{
  public:
    Ear()
    {
        const pa_sample_spec spec{PA_SAMPLE_S16NE, Rate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = uint32_t(Rate / 200 * 2);
        m_mic =
            pa_simple_new(nullptr, "bench_slowplay", PA_STREAM_RECORD, nullptr, "ear", &spec, nullptr, &attr, nullptr);
        if (m_mic)
            m_thread = std::thread([this] { listen(); });
    }
    ~Ear()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_mic)
            pa_simple_free(m_mic);
    }
    bool ok() const { return m_mic != nullptr; }
    void arm() { m_firstAt = -1, m_lastAt = -1, m_armed = true; }
    qint64 firstAt() const { return m_firstAt; }
    qint64 lastAt() const { return m_lastAt; }

  private:
    static constexpr uint32_t Rate = 44100;
    void listen()
    {
        std::vector<qint16> fragment(Rate / 200);
        while (!m_stop) {
            if (pa_simple_read(m_mic, fragment.data(), fragment.size() * 2, nullptr) < 0)
                return;
            const qint64 arrived = now();
            if (!m_armed)
                continue;
            const auto n = qint64(fragment.size());
            for (qint64 i = 0; i < n; ++i)
                if (std::abs(int(fragment[size_t(i)])) > 1000) {
                    // The samples after it in this fragment were captured later still.
                    const qint64 at = arrived - (n - i) * 1000000000LL / Rate;
                    if (m_firstAt < 0)
                        m_firstAt = at;
                    m_lastAt = at;
                }
        }
    }
    pa_simple *m_mic = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_armed{false};
    std::atomic<qint64> m_firstAt{-1}, m_lastAt{-1};
};

// Presses a button of the test view `runs` times; reports the press to the handler's
// return, to the first sound heard, and the length heard.
void pressAndListen(const char *name, frmTest &w, QPushButton *button, Ear &ear, int runs)
{
    std::vector<double> returned, heard, length;
    for (int i = 0; i < runs; ++i) {
        w.MMControl1->setCommand(QStringLiteral("Close"));
        spin(300); // silence between runs
        ear.arm();
        const qint64 press = now();
        QTest::mouseClick(button, Qt::LeftButton);
        returned.push_back(double(now() - press) / 1e6);
        QElapsedTimer t;
        t.start();
        while ((w.MMControl1->isPlaying() || ear.firstAt() < 0) && t.elapsed() < 6000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        spin(200); // the end reaches the mic
        if (ear.firstAt() >= 0) {
            heard.push_back(double(ear.firstAt() - press) / 1e6);
            length.push_back(double(ear.lastAt() - ear.firstAt()) / 1e6);
        }
    }
    std::printf("%s\n", name);
    report("  press to the handler's return", returned, "ms");
    report("  press to the first sound heard", heard, "ms");
    report("  heard for (the word: 2000 ms)", length, "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 11;
    QTemporaryDir pulseDir(QDir::tempPath() + QStringLiteral("/bench-pulse-XXXXXX"));
    const QString pulseScript =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../tests/support/pulse.sh"));
    const bool ownServer = qEnvironmentVariableIsEmpty("PULSE_SERVER");
    if (ownServer) {
        if (QProcess::execute(pulseScript, {QStringLiteral("start"), pulseDir.path()}) != 0) {
            std::printf("bench_slowplay: no sound server could be started; nothing measured\n");
            return 0;
        }
        qputenv("XDG_RUNTIME_DIR", pulseDir.path().toLocal8Bit());
        qputenv("PULSE_SERVER", "unix:" + pulseDir.path().toLocal8Bit() + "/pulse/native");
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    {
        QApplication app(argc, argv);
        RealSoundEngine engine; // outlives the window that TestEnv closes
        TestEnv env;
        Sound::setEngine(&engine);
        env.makePrompts();
        env.makeTest(QStringLiteral("Test_Bench"), {});
        env.context.selectTest(QStringLiteral("Test_Bench"));
        const QString word = env.context.TestDir() + QStringLiteral("because.wav");
        TestEnv::writeWave(word, 2000);
        Learning::registerWindows();

        Ear ear;
        if (!ear.ok() || !engine.hasOutput()) {
            std::printf("bench_slowplay: no speaker or mic on the sound server; nothing measured\n");
        } else {
            auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
            w->Timer1_Timer(); // the start prompt, then the word
            spin(2500);
            pressAndListen("Say It Slowly, a 2 s word (22050 Hz mono)", *w, w->btnSaySlowly, ear, runs);
            pressAndListen("Repeat Word, the same word", *w, w->btnRepeat, ear, runs);
            w->MMControl1->setCommand(QStringLiteral("Close"));

            // libsonic's share: the whole word stretched in memory, and its first block.
            Pcm pcm;
            QString error;
            SoundFile::read(word, pcm, error);
            std::vector<double> whole, first;
            std::vector<qint16> out(size_t(pcm.frames() * 2));
            for (int i = 0; i < runs; ++i) {
                QElapsedTimer t;
                t.start();
                auto slowed = PcmConvert::Slowed::make(std::make_unique<PcmConvert::MemorySource>(pcm, 0), 0.65);
                qint64 got = slowed->read(out.data(), 3308); // 150 ms of the stretched sound
                first.push_back(double(t.nsecsElapsed()) / 1e6);
                while (const qint64 n = slowed->read(out.data(), qint64(out.size())))
                    got += n;
                whole.push_back(double(t.nsecsElapsed()) / 1e6);
                if (i == 0)
                    std::printf("libsonic stretches the 2000 ms word to %.0f ms\n", double(got) * 1000.0 / pcm.rate);
            }
            report("  the first 150 ms stretched after", first, "ms");
            report("  the whole word stretched after", whole, "ms");
        }
        Sound::setEngine(nullptr);
    }
    if (ownServer)
        QProcess::execute(pulseScript, {QStringLiteral("stop"), pulseDir.path()});
    return 0;
}
