// "Say It Slowly" on the real sound engine, against a sound server whose "mic" records
// what its "speaker" plays: the word is heard about half as long again, and a word that
// cannot be slowed is still heard, at its own pace.
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// Milliseconds from the first to the last loud sample the mic recorded while `play` ran
// and its sound was heard to its end.
void listen(MMControl &speaker, const QString &recording, const std::function<void()> &play, double &heardMs)
{
    MMControl mic;
    mic.FileName = recording;
    mic.setCommand(u"Open"_s);
    mic.setCommand(u"Record"_s);
    QTest::qWait(250); // the input is flowing before anything plays
    play();
    QTRY_VERIFY_WITH_TIMEOUT(!speaker.isPlaying(), 5000);
    QTest::qWait(300);
    mic.setCommand(u"Stop"_s);
    const Pcm &pcm = qobject_cast<RealSoundDevice *>(mic.device())->sound();
    qint64 first = -1, last = -1;
    for (qint64 i = 0; i < pcm.frames(); ++i)
        if (std::abs(int(pcm.samples()[i * pcm.channels])) > 2000)
            (first < 0 ? first : last) = i;
    heardMs = first < 0 || last < 0 ? 0 : double(last - first) * 1000.0 / pcm.rate;
}
} // namespace

class TestAudioSlowly : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        if (RealSoundEngine probe; !probe.hasOutput() || !probe.hasInput()) {
            if (!qEnvironmentVariableIsEmpty("CI"))
                QFAIL("no sound server: the real-audio tests must run in CI");
            QSKIP("no PulseAudio server with a speaker and a mic (see tests/support/pulse.sh)");
        }
        Learning::registerWindows();
    }

    void saySlowly_data()
    {
        QTest::addColumn<bool>("study");
        QTest::addColumn<bool>("stretchable");
        QTest::addColumn<double>("ratio"); // heard length to the word's
        QTest::newRow("test view") << false << true << 1.0 / MMControl::SlowSpeed;
        QTest::newRow("study window") << true << true << 1.0 / MMControl::SlowSpeed;
        QTest::newRow("cannot be slowed: its own pace") << false << false << 1.0;
    }
    void saySlowly()
    {
        QFETCH(bool, study);
        QFETCH(bool, stretchable);
        QFETCH(double, ratio);
        RealSoundEngine real; // outlives the windows that TestEnv closes
        TestEnv env;
        Sound::setEngine(&real);
        env.makePrompts();
        env.makeTest(u"Test_Slow"_s, {});
        env.context.selectTest(u"Test_Slow"_s);
        constexpr int WordMs = 1000;
        TestEnv::writeWave(env.context.TestDir() + u"because.wav"_s, WordMs);
        PcmConvert::Slowed::refuseStreams(!stretchable);

        SoundForm *w = qobject_cast<SoundForm *>(Forms::show(study ? Windows::Review : Windows::Test));
        QVERIFY(w);
        QMetaObject::invokeMethod(w, "Timer1_Timer"); // the start prompt, then the word
        QTRY_VERIFY_WITH_TIMEOUT(!w->MMControl1->isPlaying(), 3000);
        auto *button = w->findChild<QPushButton *>(u"btnSaySlowly"_s);
        QVERIFY(button);
        QCOMPARE(button->text(), u"Say It Slowly"_s);

        double heard = 0;
        listen(
            *w->MMControl1, env.appDir() + u"heard.wav"_s, [button] { QTest::mouseClick(button, Qt::LeftButton); },
            heard);
        PcmConvert::Slowed::refuseStreams(false);
        QCOMPARE(w->MMControl1->Error(), 0);
        QVERIFY2(std::abs(heard - WordMs * ratio) < 120, qPrintable(QString::number(heard)));
    }
};

QTEST_MAIN(TestAudioSlowly)
#include "tst_audio_slowly.moc"
