// The computer voice's files: marked inside, playable, written whole or not at all (a
// link is replaced, a full disk mid-batch keeps what was saved), and the hidden
// sentence files beside the words.
#include "core/platform/testlibrary.h"
#include "testsupport.h"
#include "voice/computervoice.h"
#include "voice/sentences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name | QDir::IgnoreCase);
}

bool writeText(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TstComputerVoice : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void wordIsMarkedAndPlayable()
    {
        TestEnv env;
        const QString path = env.appDir() + u"beautiful.wav"_s;
        QString error;
        QVERIFY2(ComputerVoice::synthesize(u"beautiful"_s, path, &error), qPrintable(error));

        SF_INFO info{};
        SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY(f);
        const QString software = QString::fromUtf8(sf_get_string(f, SF_STR_SOFTWARE));
        std::vector<short> samples(size_t(info.frames));
        QCOMPARE(sf_readf_short(f, samples.data(), info.frames), info.frames);
        sf_close(f);
        QVERIFY2(software.startsWith(ComputerVoice::Mark), qPrintable(software));
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.samplerate, 16000);
        const double seconds = double(info.frames) / info.samplerate;
        QVERIFY2(seconds > 0.4 && seconds < 2.5, qPrintable(QString::number(seconds)));
        QVERIFY(*std::max_element(samples.begin(), samples.end()) > 3000);
        QVERIFY(ComputerVoice::isComputerVoice(path));
        QCOMPARE(entries(env.appDir()), QStringList{u"beautiful.wav"_s});

        // Not the computer voice: a recording, the mark as bare text, no file.
        TestEnv::writeWave(env.appDir() + u"recorded.wav"_s);
        QVERIFY(writeText(env.appDir() + u"text.wav"_s, ComputerVoice::Mark.toUtf8()));
        for (const QString &name : {u"recorded.wav"_s, u"text.wav"_s, u"missing.wav"_s, QString()})
            QVERIFY2(!ComputerVoice::isComputerVoice(env.appDir() + name), qPrintable(name));
    }

    void failuresSayWhyAndLeaveNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("file"); // in the program folder, which holds a folder and a link
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing to say") << u"???"_s << u"q.wav"_s
                                        << u"The computer voice found nothing it could say in it."_s;
        QTest::newRow("no such folder") << u"cat"_s << u"gone/cat.wav"_s << u": No such file or directory."_s;
        QTest::newRow("a folder in the way") << u"cat"_s << u"dir.wav"_s << u" is a folder, not a plain file."_s;
        QTest::newRow("a link in the way") << u"cat"_s << u"link.wav"_s << u" is a symbolic link, not a plain file."_s;
        QTest::newRow("outside the program folder")
            << u"cat"_s << u"../cat.wav"_s << u" is outside the program folder, so it is not written."_s;
    }

    void failuresSayWhyAndLeaveNothing()
    {
        QFETCH(QString, text);
        QFETCH(QString, file);
        QFETCH(QString, error);
        TestEnv env;
        QTemporaryDir outside;
        QVERIFY(writeText(outside.filePath(u"x"_s), "keep me"));
        QVERIFY(QDir(env.appDir()).mkdir(u"dir.wav"_s) &&
                QFile::link(outside.filePath(u"x"_s), env.appDir() + u"link.wav"_s));
        const QStringList before = entries(env.appDir());
        QString why;
        QVERIFY(!ComputerVoice::synthesize(text, env.appDir() + file, &why));
        QVERIFY2(why.endsWith(error), qPrintable(why));
        QCOMPARE(entries(env.appDir()), before);
        QCOMPARE(readAll(outside.filePath(u"x"_s)), QByteArray("keep me"));
        QVERIFY(!QFileInfo::exists(env.appDir() + u"../cat.wav"_s));
    }

    void batchKeepsWhatWasSavedWhenTheDiskFills()
    {
        TestEnv env;
        const QString testDir = env.appDir();
        const QStringList words{u"a"_s, u"I"_s, u"???"_s, u"antidisestablishmentarianism"_s, u"be"_s};
        // A file size limit stands in for a disk that fills: the short words fit, the long
        // one is refused part-way through its file.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 60 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &small);
        QList<int> progress;
        const ComputerVoice::Batch batch =
            ComputerVoice::makeWords(testDir, words, [&](int done, int total) { progress << done * 100 + total; });
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(batch.saved, (QStringList{u"a"_s, u"I"_s}));
        QStringList failed;
        for (const ComputerVoice::Failure &f : batch.failed)
            failed << f.word + u": "_s + f.reason;
        const QString full = u"Cannot write "_s + testDir + u"antidisestablishmentarianism.wav: File too large."_s;
        QCOMPARE(failed, (QStringList{u"???: The computer voice found nothing it could say in it."_s,
                                      u"antidisestablishmentarianism: "_s + full, u"be: "_s + full}));
        QCOMPARE(progress, (QList<int>{105, 205, 305, 505}));
        QCOMPARE(entries(testDir), (QStringList{u"a.wav"_s, u"I.wav"_s}));
        QVERIFY(ComputerVoice::isComputerVoice(testDir + u"I.wav"_s));
    }

    void sentencesAreHiddenAndRemovedWithoutFollowingLinks()
    {
        TestEnv env;
        const QString testDir = env.makeTest(u"Test_s"_s, {u"their"_s});
        const QString path = Sentences::pathFor(testDir, u"their"_s);
        QCOMPARE(path, testDir + u".sentences/their.wav"_s);
        QString error;
        QVERIFY2(Sentences::prepare(testDir, &error), qPrintable(error));
        QVERIFY2(ComputerVoice::synthesize(u"Their coats are red."_s, path, &error), qPrintable(error));
        QCOMPARE(TestLibrary::wordsOf(testDir), QStringList{u"their"_s});
        QVERIFY(!Sentences::remove(testDir, u"../their"_s));
        QVERIFY(Sentences::remove(testDir, u"their"_s) && !QFileInfo::exists(path));

        // The hidden folder is a link to the outside: never entered, only the link removed.
        QVERIFY(Sentences::removeAll(testDir));
        const QString outside = env.appDir() + u"outside/"_s;
        QVERIFY(QDir().mkpath(outside) && writeText(outside + u"their.wav"_s, "keep"));
        QVERIFY(QFile::link(outside, testDir + u".sentences"_s));
        QVERIFY(!Sentences::prepare(testDir, &error));
        QVERIFY(!Sentences::remove(testDir, u"their"_s));
        QVERIFY(Sentences::removeAll(testDir));
        QCOMPARE(readAll(outside + u"their.wav"_s), QByteArray("keep"));
        QCOMPARE(entries(testDir), QStringList{u"their.wav"_s});
    }
};

QTEST_GUILESS_MAIN(TstComputerVoice)
#include "tst_computervoice.moc"
