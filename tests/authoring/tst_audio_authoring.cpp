// Making a test with real recordings: the sound server's "mic" records what its
// "speaker" plays, so each word is a tone played while the authoring window records.
#include "maint_helpers.h"

#include "core/platform/appcontext.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "shell/register.h"
#include "voice/recordingcleanup.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>

#include <sndfile.h>

#include <cmath>
#include <vector>

using namespace Maint;
using namespace Qt::StringLiterals;

namespace
{

// A tone; an amplitude above 1 is cut at full scale, as a microphone driven too hard.
void writeTone(const QString &path, int ms, double freq, int rate = 22050, double amplitude = 0.5)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(f, sf_strerror(nullptr));
    std::vector<double> data(size_t(rate * ms / 1000));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = std::clamp(amplitude * std::sin(2 * M_PI * freq * double(i) / rate), -1.0, 1.0);
    sf_write_double(f, data.data(), sf_count_t(data.size()));
    sf_close(f);
}

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A recorded word file as libsndfile reads it: its format, and the length and
// frequency of the tone in it (from the first to the last loud sample).
struct Heard {
    bool valid = false;
    int format = 0, channels = 0;
    double toneMs = 0, frequency = 0;
};

Heard hear(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<short> x(size_t(info.frames * info.channels));
    Heard h{sf_readf_short(f, x.data(), info.frames) == info.frames && info.frames > 0, info.format, info.channels};
    sf_close(f);
    qint64 first = -1, last = -1, crossings = 0;
    for (qint64 i = 0; i < qint64(x.size()); ++i) {
        if (std::abs(int(x[size_t(i)])) <= 2000)
            continue;
        if (first < 0)
            first = i;
        last = i;
    }
    for (qint64 i = first + 1; first >= 0 && i <= last; ++i)
        crossings += (x[size_t(i - 1)] < 0) != (x[size_t(i)] < 0);
    if (last > first) {
        h.toneMs = (last - first) * 1000.0 / info.samplerate;
        h.frequency = crossings / 2.0 / (double(last - first) / info.samplerate);
    }
    return h;
}

} // namespace

class tst_AudioAuthoring : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void makeATestFromTheMicrophone();
    void aClippedRecordingWarns();

  private:
    // On pnlRecord: ENTER starts, a tone plays into the mic, ENTER stops. Returns the
    // loudest the meter showed.
    int recordTone(frmMaint *w, const QString &tone);
    MMControl *m_speaker = nullptr;
};

void tst_AudioAuthoring::initTestCase()
{
    if (RealSoundEngine probe; !probe.hasOutput() || !probe.hasInput()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("no sound server: the real-audio tests must run in CI");
        QSKIP("no PulseAudio server with a speaker and a mic (see tests/support/pulse.sh)");
    }
}

int tst_AudioAuthoring::recordTone(frmMaint *w, const QString &tone)
{
    enter(w);
    if (w->pnlRecord->btnBeginRecord->text() != RecordPanel::StopCaption)
        return -1;
    waitMs(250); // the input flows before the tone starts
    m_speaker->setCommand(u"Close"_s);
    m_speaker->FileName = tone;
    m_speaker->setCommand(u"Open"_s);
    m_speaker->setCommand(u"Play"_s);
    int loudest = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 900) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        loudest = std::max(loudest, w->pnlRecord->pbLevel->value());
    }
    enter(w);
    return loudest;
}

void tst_AudioAuthoring::makeATestFromTheMicrophone()
{
    TestEnv env;
    RealSoundEngine real;
    Sound::setEngine(&real);
    MMControl speaker;
    m_speaker = &speaker;
    const QString low = env.appDir() + u"low.wav"_s, high = env.appDir() + u"high.wav"_s,
                  mid = env.appDir() + u"mid.wav"_s;
    writeTone(low, 500, 440);
    writeTone(high, 500, 880);
    writeTone(mid, 300, 660);

    // In through the start window, as a parent would.
    Shell::registerWindows();
    Authoring::registerWindows();
    Form *login = Forms::show(Windows::Login);
    QVERIFY(login);
    login->findChild<QAction *>(u"mnuCreate"_s)->trigger();
    auto *w = Forms::find<frmMaint>(Windows::Maint);
    QVERIFY(w);
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));

    makeTest(w, u"Sounds"_s);
    const QString dir = env.appDir() + u"Test_Sounds/"_s;
    QCOMPARE(env.context.TestDir(), dir);

    // First word: the meter moves while the tone is heard, the time runs.
    type(w, u"sun"_s);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    const int loudest = recordTone(w, low);
    QVERIFY2(loudest >= 50, qPrintable(QString::number(loudest)));
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QVERIFY(!w->pnlRecord->tmrLevel->isActive());
    QElapsedTimer listening;
    listening.start();
    w->pnlReviewSound->btnListen_Click(); // plays the recording to its end
    QVERIFY2(listening.elapsed() >= 800, qPrintable(QString::number(listening.elapsed())));
    QCOMPARE(w->MMControl1->Error(), 0);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    const Heard sun1 = hear(dir + u"sun.wav"_s);
    QVERIFY(sun1.valid);
    QVERIFY2(std::abs(sun1.frequency - 440) < 15, qPrintable(QString::number(sun1.frequency)));

    // Second word.
    enter(w);
    type(w, u"moon"_s);
    enter(w);
    QVERIFY(recordTone(w, high) > 0);
    enter(w);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"sun"_s, u"moon"_s}));

    // "sun" again, now a shorter, different tone: the file holds only the new one.
    select(w->pnlWordList->List1, u"sun"_s);
    env.dialogs.answers = {MsgResult::Yes};
    w->pnlWordList->btnReRecordWord_Click();
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QVERIFY(recordTone(w, mid) > 0);
    enter(w);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"moon"_s, u"sun"_s}));

    // "moon" deleted.
    select(w->pnlWordList->List1, u"moon"_s);
    env.dialogs.answers = {MsgResult::Yes};
    w->pnlWordList->btnDelWord_Click();
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"sun"_s}));

    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{u"sun.wav"_s});
    const Heard sun2 = hear(dir + u"sun.wav"_s);
    QVERIFY(sun2.valid);
    QCOMPARE(sun2.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(sun2.channels, 1);
    QVERIFY2(std::abs(sun2.frequency - 660) < 15, qPrintable(QString::number(sun2.frequency)));
    // Only the new tone: the first one, kept before or after it, would widen the span.
    QVERIFY2(std::abs(sun2.toneMs - 300) < 40, qPrintable(QString::number(sun2.toneMs)));
    QCOMPARE(TestLibrary::wordsOf(dir), QStringList{u"sun"_s});
    QVERIFY(env.dialogs.boxes.size() == 2); // the two confirmations, no failure

    // Back on the start window, the new test is listed with its word.
    w->pnlWordList->btnFinishNewTest_Click();
    w->pnlStart->btnExit_Click();
    TestUi::settle();
    QVERIFY(login->isVisible());
    QCOMPARE(items(login->findChild<QListWidget *>(u"lstTests"_s)), QStringList{u"Test_Sounds"_s});
    QCOMPARE(items(login->findChild<QListWidget *>(u"lstWords"_s)), QStringList{u"sun"_s});

    speaker.setCommand(u"Close"_s);
    TestUi::closeAllWindows();
    Sound::setEngine(&env.sound);
}

// A microphone at the server's 44.1 kHz driven into clipping: the flat tops are a few
// samples long there and would be smoothed away by a conversion to the saved rate.
void tst_AudioAuthoring::aClippedRecordingWarns()
{
    TestEnv env;
    RealSoundEngine real;
    Sound::setEngine(&real);
    MMControl speaker;
    m_speaker = &speaker;
    const QString loud = env.appDir() + u"loud.wav"_s;
    writeTone(loud, 500, 440, 44100, 1.005);
    frmMaint *w = open();
    QVERIFY(w);
    makeTest(w, u"Loud"_s);
    type(w, u"sun"_s);
    enter(w);
    QVERIFY(recordTone(w, loud) > 0);
    enter(w); // "Save Word"
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.constLast().text, RecordingCleanup::ClippedMessage);
    speaker.setCommand(u"Close"_s);
    TestUi::closeAllWindows();
    Sound::setEngine(&env.sound);
}

QTEST_MAIN(tst_AudioAuthoring)
#include "tst_audio_authoring.moc"
