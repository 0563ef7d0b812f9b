#include "testsupport.h"

#include "core/platform/forms.h"
#include "core/platform/lazylibrary.h"
#include "core/platform/rnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <vector>

QString TestEnv::fixFolder(const QTemporaryDir &dir)
{
    ProgramFolder::fix(dir.path());
    return ProgramFolder::path();
}

TestEnv::TestEnv() : history(fixFolder(m_dir)), context(&sound, &dialogs, history)
{
    Forms::setContext(&context);
    // The program's modules are staged in the build's program folder, not beside the tests.
    LazyLibrary::setModuleFolder(qEnvironmentVariable("WORDAROO_APPDIR"));
    Program::resetForTests();
    Program::setExitHandler([this](int code) {
        ended = true;
        exitCode = code;
    });
    setDialogs(&dialogs);
    Rnd::reset();
}

TestEnv::~TestEnv()
{
    TestUi::closeAllWindows();
    Forms::setContext(nullptr);
    setDialogs(nullptr);
    Program::setExitHandler({});
    Program::resetForTests();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

QString TestEnv::appDir() const
{
    return context.AppDir;
}

void TestEnv::writeWave(const QString &path, int ms, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) {
        qWarning("cannot write %s", qPrintable(path));
        return;
    }
    std::vector<short> samples(size_t(qint64(rate) * ms / 1000));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = short(8000 * std::sin(2 * M_PI * 440 * double(i) / rate));
    sf_write_short(f, samples.data(), sf_count_t(samples.size()));
    sf_close(f);
}

QString TestEnv::makeTest(const QString &folder, const QStringList &words)
{
    const QString dir = appDir() + folder;
    QDir().mkpath(dir);
    for (const QString &w : words)
        writeWave(dir + QLatin1Char('/') + w + QStringLiteral(".wav"));
    return dir + QLatin1Char('/');
}

QStringList TestEnv::promptFiles()
{
    return {QStringLiteral("Welcome.wav"),        QStringLiteral("logindir.wav"),    QStringLiteral("helloprof.wav"),
            QStringLiteral("learnwords.wav"),     QStringLiteral("starttest.wav"),   QStringLiteral("noword.wav"),
            QStringLiteral("finishtest.wav"),     QStringLiteral("dirtest.wav"),     QStringLiteral("resultsdir.wav"),
            QStringLiteral("whoopie.wav"),        QStringLiteral("pretty_good.wav"), QStringLiteral("keep_trying.wav"),
            QStringLiteral("brrrr.wav"),          QStringLiteral("studytime.wav"),   QStringLiteral("spellwrong.wav"),
            QStringLiteral("reviewcomplete.wav"), QStringLiteral("arcadedir.wav"),   QStringLiteral("raindir.wav"),
            QStringLiteral("splash.wav"),         QStringLiteral("scrambledir.wav"), QStringLiteral("wordis.wav"),
            QStringLiteral("Correct.wav"),        QStringLiteral("figureout.wav"),   QStringLiteral("great.wav")};
}

void TestEnv::makePrompts()
{
    for (const QString &p : promptFiles())
        writeWave(appDir() + p);
}

namespace TestUi
{

void closeAllWindows()
{
    for (Form *f : Forms::loaded()) {
        f->setAttribute(Qt::WA_DeleteOnClose, true);
        // Close without running the windows' own unload handlers: end-of-test cleanup.
        delete f;
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    settle();
}

void key(QWidget *w, int k, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(w, Qt::Key(k), mods);
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void settle(int ms)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace TestUi
