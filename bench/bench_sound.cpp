// Timings of the real sound engine, measured on what is heard: a private PulseAudio
// server's "mic" records its "speaker", so the time from a PlayWave call to the first
// sound in the recording is the time until the sound is heard.
//
//   bench_sound [runs]      (uses $PULSE_SERVER, or starts a private server)
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "core/sound/sound_pcm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <pulse/simple.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
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
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("%-46s median %8.2f %s   (min %.2f, max %.2f, %zu runs)\n", what, median(v), unit, *lo, *hi, v.size());
    std::fflush(stdout);
}

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

void writeTone(const QString &path, int ms)
{
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    std::vector<short> s(size_t(22050 * ms / 1000));
    for (size_t i = 0; i < s.size(); ++i) // full amplitude from the very first sample
        s[i] = short(16000 * std::cos(2 * M_PI * 440 * double(i) / 22050));
    sf_write_short(f, s.data(), sf_count_t(s.size()));
    sf_close(f);
}

// Records the mic in 5 ms fragments on a thread of its own and notes when the first
// sound arrives.
class Ear
{
  public:
    Ear()
    {
        const pa_sample_spec spec{PA_SAMPLE_S16NE, Rate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = uint32_t(Rate / 200 * 2);
        m_mic = pa_simple_new(nullptr, "bench_sound", PA_STREAM_RECORD, nullptr, "ear", &spec, nullptr, &attr, nullptr);
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
    void arm() { m_heardAt = -1, m_armed = true; }
    static qint64 now()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    qint64 heardAt() const { return m_heardAt; }

  private:
    static constexpr uint32_t Rate = 44100;
    void listen()
    {
        std::vector<qint16> fragment(Rate / 200);
        while (!m_stop) {
            if (pa_simple_read(m_mic, fragment.data(), fragment.size() * 2, nullptr) < 0)
                return;
            const qint64 arrived = now();
            if (!m_armed || m_heardAt >= 0)
                continue;
            const auto n = qint64(fragment.size());
            for (qint64 i = 0; i < n; ++i)
                if (std::abs(int(fragment[size_t(i)])) > 1000) {
                    // The samples after it in this fragment were captured later still.
                    m_heardAt = arrived - (n - i) * 1000000000LL / Rate;
                    break;
                }
        }
    }
    pa_simple *m_mic = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_armed{false};
    std::atomic<qint64> m_heardAt{-1};
};

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
            std::printf("bench_sound: no sound server could be started; nothing measured\n");
            return 0;
        }
        qputenv("XDG_RUNTIME_DIR", pulseDir.path().toLocal8Bit());
        qputenv("PULSE_SERVER", "unix:" + pulseDir.path().toLocal8Bit() + "/pulse/native");
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    int code = 0;
    {
        QApplication app(argc, argv);
        RealSoundEngine engine;
        Sound::setEngine(&engine);
        QTemporaryDir dir;
        const QString word = dir.filePath(QStringLiteral("word.wav")),
                      second = dir.filePath(QStringLiteral("second.wav"));
        writeTone(word, 2000);
        writeTone(second, 1000);

        Ear ear;
        if (!ear.ok() || !engine.hasOutput()) {
            std::printf("bench_sound: no speaker or mic on the sound server; nothing measured\n");
            code = 0;
        } else {
            spin(300);
            MMControl control;
            std::vector<double> returned, heard, waited;
            for (int i = 0; i < runs; ++i) {
                control.setCommand(QStringLiteral("Close"));
                spin(250); // silence between runs
                ear.arm();
                const qint64 call = ear.now();
                Module1::PlayWave(control, word);
                returned.push_back(double(ear.now() - call) / 1e6);
                QElapsedTimer t;
                t.start();
                while (ear.heardAt() < 0 && t.elapsed() < 1000)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                if (ear.heardAt() >= 0)
                    heard.push_back(double(ear.heardAt() - call) / 1e6);
            }
            control.setCommand(QStringLiteral("Close"));
            report("PlayWave (no wait) of a 2 s word returns after", returned, "ms");
            if (heard.empty())
                std::printf("PlayWave was never heard\n");
            else
                report("... and is heard after", heard, "ms");

            // Where the time of a PlayWave goes: its three commands one by one, each
            // cutting off the previous sound as PlayWave does.
            std::vector<double> closeMs, openMs, playMs;
            for (int i = 0; i < runs; ++i) {
                spin(100);
                QElapsedTimer s;
                s.start();
                control.setCommand(QStringLiteral("Close"));
                closeMs.push_back(double(s.nsecsElapsed()) / 1e6);
                control.FileName = word;
                s.restart();
                control.setCommand(QStringLiteral("Open"));
                openMs.push_back(double(s.nsecsElapsed()) / 1e6);
                s.restart();
                control.setCommand(QStringLiteral("Play"));
                playMs.push_back(double(s.nsecsElapsed()) / 1e6);
            }
            report("  of which Close (stops the sound playing)", closeMs, "ms");
            report("  of which Open (reads the 2 s file)", openMs, "ms");
            report("  of which Play (connects a stream)", playMs, "ms");
            control.setCommand(QStringLiteral("Close"));

            for (int i = 0; i < std::max(5, runs / 2); ++i) {
                spin(100);
                QElapsedTimer t;
                t.start();
                Module1::PlayWave(control, second, true);
                waited.push_back(double(t.nsecsElapsed()) / 1e6);
            }
            report("PlayWave (wait) of a 1.0 s file returns after", waited, "ms");

            // A minute of recording: nothing lost, and saving it is quick.
            MMControl mic;
            mic.FileName = dir.filePath(QStringLiteral("minute.wav"));
            mic.setCommand(QStringLiteral("Open"));
            QElapsedTimer t;
            t.start();
            mic.setCommand(QStringLiteral("Record"));
            spin(60000);
            mic.setCommand(QStringLiteral("Stop"));
            const double wall = double(t.nsecsElapsed()) / 1e6;
            const auto *device = qobject_cast<RealSoundDevice *>(mic.device());
            const double recorded = double(device->sound().frames()) * 1000.0 / device->sound().rate;
            std::printf("%-46s %8.0f ms of %.0f ms (%.2f %%)\n", "60 s recording holds", recorded, wall,
                        100.0 * (recorded - wall) / wall);
            std::vector<double> saves;
            for (int i = 0; i < 5; ++i) {
                QElapsedTimer s;
                s.start();
                mic.setCommand(QStringLiteral("Save"));
                saves.push_back(double(s.nsecsElapsed()) / 1e6);
                if (mic.Error())
                    std::printf("Save failed: %s\n", qPrintable(mic.ErrorMessage()));
            }
            report("Save of the 60 s recording", saves, "ms");
        }
        Sound::setEngine(nullptr);
    }
    if (ownServer)
        QProcess::execute(pulseScript, {QStringLiteral("stop"), pulseDir.path()});
    return code;
}
