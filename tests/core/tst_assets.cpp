// The staged program folder: every prompt the windows play, the splash, the sample
// tests and the help file are there, and every sound is a wave file that decodes.
#include "core/platform/testlibrary.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sndfile.h>

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
