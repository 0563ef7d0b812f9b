// Raining Words at level 5: are the 200 ms fall ticks on time in the real event loop?
//
// Opens the real game window over a stand-in start window, starts level 5 in list
// order and lets the fall timer run for 100 intervals per run. The player catches each
// word on its tenth tick, so the stop-and-restart of the timer around every new word
// is measured as well as the plain ticks. A tick is timed when the timer's event
// arrives, before the game's handler runs. For each run it reports the mean interval,
// the latest tick (interval - 200 ms) and the drift of the last tick from its place on
// the 200 ms grid; then the medians over the runs and whether they meet the targets:
// mean within 2% of 200 ms and no tick more than 20 ms late.
//
// Usage: bench_rain [runs=7] [--real-sound]
//   --real-sound plays through the sound server (silent failure without one) instead
//   of the logging test engine.
#include "arcade/frmRain.h"
#include "arcade/register.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "core/sound/realengine.h"
#include "history/programhistory.h"
#include "testengine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace
{

constexpr int Intervals = 100;
constexpr double Target = 200.0;

void writeWave(const QString &path, int ms)
{
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return;
    std::vector<short> samples(size_t(22050 * ms / 1000));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = short(6000 * std::sin(2 * M_PI * 440 * double(i) / 22050));
    sf_write_short(f, samples.data(), sf_count_t(samples.size()));
    sf_close(f);
}

// Notes the start of every timer event of the object it watches.
class TickClock final : public QObject
{
  public:
    explicit TickClock(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            m_onTick();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> m_onTick;
};

struct Run {
    double mean = 0;
    double worstLate = 0;
    double drift = 0;
};

Run runOnce()
{
    auto *rain = qobject_cast<frmRain *>(Forms::show(Windows::Rain));
    rain->List1->setCurrentRow(4); // "Level 5 - Fastest!"
    rain->chkRandom->setChecked(false);

    std::vector<qint64> stamps;
    stamps.reserve(Intervals + 1);
    QElapsedTimer clock;
    clock.start();
    int ticksOfWord = 0;
    QString word;
    QEventLoop loop;
    // The moment a tick starts: the timer's event, before the game's handler runs.
    TickClock tickClock([&] { stamps.push_back(clock.nsecsElapsed()); });
    rain->Timer1->installEventFilter(&tickClock);
    // Connected after the game's handler: plays the child, then ends the run.
    QObject::connect(rain->Timer1, &QTimer::timeout, rain, [&] {
        if (rain->lblWord->text() != word) {
            word = rain->lblWord->text();
            ticksOfWord = 0;
        }
        if (++ticksOfWord == 9)
            rain->txtWord->setText(word); // caught by the tenth tick
        if (int(stamps.size()) > Intervals)
            loop.quit();
    });
    rain->btnStart->click();
    loop.exec();
    rain->Command4->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    if (qEnvironmentVariableIsSet("BENCH_RAIN_DUMP")) {
        for (int i = 1; i <= Intervals; ++i)
            std::printf("%.2f%s", double(stamps[size_t(i)] - stamps[size_t(i - 1)]) / 1e6, i % 10 ? " " : "\n");
    }
    Run r;
    double sum = 0;
    for (int i = 1; i <= Intervals; ++i) {
        const double ms = double(stamps[size_t(i)] - stamps[size_t(i - 1)]) / 1e6;
        sum += ms;
        r.worstLate = std::max(r.worstLate, ms - Target);
    }
    r.mean = sum / Intervals;
    r.drift = double(stamps.back() - stamps.front()) / 1e6 - Intervals * Target;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The start window as the game reads it: a loaded "frmLogin" holding "lstWords".
class StartWindow : public Form
{
  public:
    explicit StartWindow(const QStringList &words) : Form(Windows::Login)
    {
        auto *list = new QListWidget(this);
        list->setObjectName(QStringLiteral("lstWords"));
        list->addItems(words);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    // The offscreen platform cannot raise windows and says so on every show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (!msg.contains(QLatin1String("does not support raise")) && !msg.contains(QLatin1String("XDG_RUNTIME_DIR")))
            std::fprintf(stderr, "%s\n", qPrintable(msg));
        if (type == QtFatalMsg)
            std::abort();
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 7;
    bool realSound = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--real-sound"))
            realSound = true;
        else if (a.toInt() > 0)
            runs = a.toInt();
    }

    std::unique_ptr<TestSoundEngine> logging;
    std::unique_ptr<RealSoundEngine> real;
    if (realSound) {
        real = std::make_unique<RealSoundEngine>();
        Sound::setEngine(real.get());
    } else {
        logging = std::make_unique<TestSoundEngine>();
    }

    QTemporaryDir dir;
    ProgramFolder::fix(dir.path());
    ProgramHistory history(ProgramFolder::path());
    AppContext context(real ? static_cast<SoundEngine *>(real.get()) : logging.get(), &dialogs(), history);
    Forms::setContext(&context);
    const QStringList words{QStringLiteral("rain"), QStringLiteral("cloud"), QStringLiteral("puddle"),
                            QStringLiteral("umbrella"), QStringLiteral("splash")};
    context.selectTest(QStringLiteral("Test_Weather"), words);
    QDir().mkpath(context.TestDir());
    for (const QString &w : words)
        writeWave(context.TestDir() + w + QStringLiteral(".wav"), 700);
    writeWave(context.AppDir + QStringLiteral("splash.wav"), 400);

    Arcade::registerWindows();
    Forms::registerFactory(Windows::ArcadeSelect, [] { return new Form(Windows::ArcadeSelect); });
    new StartWindow(words);

    std::printf("Raining Words, level 5 (200 ms), %d intervals per run, %s\n", Intervals,
                realSound ? "real sound engine" : "logging sound engine");
    std::printf("%4s %12s %14s %12s\n", "run", "mean (ms)", "latest (ms)", "drift (ms)");
    std::vector<double> means, lates, drifts;
    for (int i = 0; i < runs; ++i) {
        const Run r = runOnce();
        means.push_back(r.mean);
        lates.push_back(r.worstLate);
        drifts.push_back(r.drift);
        std::printf("%4d %12.3f %+14.3f %+12.3f\n", i + 1, r.mean, r.worstLate, r.drift);
    }
    const double m = median(means), late = median(lates), drift = median(drifts);
    const bool meanOk = std::abs(m - Target) <= 0.02 * Target;
    const bool lateOk = late <= 20.0;
    std::printf("median %9.3f %+14.3f %+12.3f\n", m, late, drift);
    std::printf("latest tick over all runs: %+.3f ms\n", *std::max_element(lates.begin(), lates.end()));
    std::printf("mean within 2%% of 200 ms: %s; no tick more than 20 ms late: %s\n", meanOk ? "yes" : "NO",
                lateOk ? "yes" : "NO");
    Sound::setEngine(nullptr);
    return meanOk && lateOk ? 0 : 1;
}
