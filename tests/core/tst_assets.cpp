// The staged program folder: every prompt the windows play, the splash, the sample
// tests and the help file are there, and every sound is a wave file that decodes.
#include "core/platform/testlibrary.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <vector>

class TstAssets : public QObject
{
    Q_OBJECT

    QString m_appDir;

    static void verifyWave(const QString &path)
    {
        SF_INFO info{};
        SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(f, qPrintable(path + QStringLiteral(": ") + QString::fromLocal8Bit(sf_strerror(nullptr))));
        sf_close(f);
        QCOMPARE(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        QVERIFY2(info.frames > info.samplerate / 10, qPrintable(path + QStringLiteral(" is too short")));
    }

    // The level of a wave file, RMS in dB below full scale.
    static double rmsDb(const QString &path)
    {
        SF_INFO info{};
        SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!f)
            return 0;
        std::vector<double> v(size_t(info.frames * info.channels));
        const sf_count_t n = sf_read_double(f, v.data(), sf_count_t(v.size()));
        sf_close(f);
        double sum = 0;
        for (sf_count_t i = 0; i < n; ++i)
            sum += v[size_t(i)] * v[size_t(i)];
        return n ? 10 * std::log10(sum / double(n)) : 0;
    }

  private Q_SLOTS:
    void initTestCase()
    {
        m_appDir = qEnvironmentVariable("WORDAROO_APPDIR");
        if (m_appDir.isEmpty())
            QSKIP("WORDAROO_APPDIR is not set (run through ctest)");
        m_appDir += QLatin1Char('/');
        QVERIFY(QFileInfo(m_appDir + QStringLiteral("wordaroo")).isExecutable());
    }

    void everyPromptIsAValidWaveFile()
    {
        for (const QString &prompt : TestEnv::promptFiles())
            verifyWave(m_appDir + prompt);
    }

    // The splash is heard between spoken directions: no louder than they are.
    void splashAsLoudAsTheSpeech_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::newRow("test directions") << QStringLiteral("dirtest.wav");
        QTest::newRow("rain directions") << QStringLiteral("raindir.wav");
        QTest::newRow("welcome") << QStringLiteral("Welcome.wav");
    }
    void splashAsLoudAsTheSpeech()
    {
        QFETCH(QString, prompt);
        const double splash = rmsDb(m_appDir + QStringLiteral("splash.wav"));
        QVERIFY2(splash > -18.5 && splash < -15.5, qPrintable(QString::number(splash)));
        QVERIFY2(std::abs(splash - rmsDb(m_appDir + prompt)) < 3, qPrintable(prompt));
    }

    void sampleTestsAreListedWithTheirWords()
    {
        const QStringList tests = TestLibrary::listTests(m_appDir);
        QCOMPARE(tests, QStringList({QStringLiteral("Test_Animals"), QStringLiteral("Test_Colours")}));
        const QStringList animals = TestLibrary::wordsOf(m_appDir + QStringLiteral("Test_Animals/"));
        QCOMPARE(animals.size(), 8);
        QCOMPARE(TestLibrary::wordsOf(m_appDir + QStringLiteral("Test_Colours/")).size(), 6);
        for (const QString &test : tests)
            for (const QString &word : TestLibrary::wordsOf(m_appDir + test + QLatin1Char('/')))
                verifyWave(m_appDir + test + QLatin1Char('/') + word + QStringLiteral(".wav"));
    }

    void helpFileIsHtml()
    {
        QFile help(m_appDir + QStringLiteral("Spell.HLP"));
        QVERIFY(help.open(QIODevice::ReadOnly));
        const QByteArray text = help.readAll();
        QVERIFY(text.contains("<html"));
        QVERIFY(text.size() > 2000);
    }
};

QTEST_MAIN(TstAssets)
#include "tst_assets.moc"
