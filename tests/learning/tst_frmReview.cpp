// The study window driven through its real controls, with the test sound engine.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/widgets.h"
#include "learning/frmReview.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace
{
class StubMenu final : public Form
{
  public:
    StubMenu() : Form(Windows::Choice) { ++made; }
    static inline int made = 0;
};
} // namespace

class TestStudyWindow : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void start();
    void copy_data();
    void copy();
    void completion();
    void missingFirstWord();
    void leaving_data();
    void leaving();

  private:
    frmReview *open(const QStringList &words);
    void type(const QString &text);

    std::unique_ptr<TestEnv> env;
    frmReview *w = nullptr;
    QString dir;
};

void TestStudyWindow::initTestCase()
{
    Forms::registerFactory(Windows::Choice, [] { return new StubMenu; });
    Learning::registerWindows();
}

void TestStudyWindow::init()
{
    env.reset();
    env = std::make_unique<TestEnv>();
    StubMenu::made = 0;
}

frmReview *TestStudyWindow::open(const QStringList &words)
{
    env->makePrompts();
    dir = env->makeTest(QStringLiteral("Test_Study"), words);
    env->context.selectTest(QStringLiteral("Test_Study"));
    w = qobject_cast<frmReview *>(Forms::show(Windows::Review));
    return w;
}

void TestStudyWindow::type(const QString &text)
{
    QTest::keyClicks(w->txtWord, text);
    QTest::keyClick(w->txtWord, Qt::Key_Return);
}

void TestStudyWindow::start()
{
    QVERIFY(open({u"Ant"_s, u"bee"_s}));
    QCOMPARE(w->windowTitle(), QStringLiteral("Study Time"));
    QVERIFY(w->btnNext->isDefault());
    QCOMPARE(w->btnNext->text(), QStringLiteral("Next Word"));
    QCOMPARE(w->Command2->text(), QStringLiteral("End Study Time"));
    QVERIFY(w->lblWord->text().isEmpty());
    QVERIFY(w->lblProgress->text().isEmpty());
    QVERIFY(w->Timer1->isActive());

    w->Timer1_Timer();
    const QString app = env->appDir();
    QCOMPARE(env->sound.lines(),
             (QStringList{u"Close"_s, u"Open "_s + app + u"starttest.wav (wait)"_s, u"Play (wait)"_s, u"Close"_s,
                          u"Open "_s + dir + u"Ant.wav (wait)"_s, u"Play"_s}));
    QCOMPARE(w->lblWord->text(), QStringLiteral("Ant"));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 1 of 2"));
    QCOMPARE(w->focusWidget(), w->txtWord);
    QVERIFY(!w->Timer1->isActive());

    env->sound.clear();
    w->Timer1_Timer();
    QVERIFY(env->sound.log.isEmpty());

    Q_EMIT w->Picture1->clicked();
    QCOMPARE(env->sound.played(), QStringList{app + u"studytime.wav"_s});
}

void TestStudyWindow::copy_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt"); // empty: accepted
    QTest::newRow("exact") << u"Ant"_s << u""_s;
    QTest::newRow("outer spaces") << u"   Ant  "_s << u""_s;
    QTest::newRow("small letters") << u"ant"_s << u"spellwrong.wav"_s;
    QTest::newRow("capitals") << u"ANT"_s << u"spellwrong.wav"_s;
    QTest::newRow("inner space") << u"A nt"_s << u"spellwrong.wav"_s;
    QTest::newRow("nothing") << u""_s << u"noword.wav"_s;
    QTest::newRow("only spaces") << u"   "_s << u"noword.wav"_s;
}

void TestStudyWindow::copy()
{
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    QVERIFY(open({u"Ant"_s, u"bee"_s}));
    w->Timer1_Timer();
    env->sound.clear();
    type(typed);
    if (prompt.isEmpty()) {
        QCOMPARE(w->session().wordIndex(), 1);
        QCOMPARE(w->lblWord->text(), QStringLiteral("bee"));
        QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 2 of 2"));
        QVERIFY(w->txtWord->text().isEmpty());
        QCOMPARE(env->sound.played(), QStringList{dir + u"bee.wav"_s});
        return;
    }
    // The prompt to its end, then the word again in the background; the typing stays.
    QCOMPARE(env->sound.lines(),
             (QStringList{u"Close"_s, u"Open "_s + env->appDir() + prompt + u" (wait)"_s, u"Play (wait)"_s, u"Close"_s,
                          u"Open "_s + dir + u"Ant.wav (wait)"_s, u"Play"_s}));
    QCOMPARE(w->session().wordIndex(), 0);
    QCOMPARE(w->lblWord->text(), QStringLiteral("Ant"));
    QCOMPARE(w->txtWord->text(), typed);
    QCOMPARE(w->focusWidget(), w->txtWord);
}

void TestStudyWindow::completion()
{
    QVERIFY(open({u"ant"_s}));
    QPointer<frmReview> window = w;
    QSignalSpy finished(w, &frmReview::studyFinished);
    w->Timer1_Timer();
    type(QStringLiteral("Ant"));
    w->txtWord->clear();
    env->sound.setDuration(env->appDir() + u"reviewcomplete.wav"_s, 200);
    QString wordDuringPrompt;
    QTimer::singleShot(50, w, [&] { wordDuringPrompt = w->lblWord->text(); });
    env->sound.clear();
    type(QStringLiteral("ant"));
    QCOMPARE(wordDuringPrompt, QStringLiteral("Review Complete"));
    QCOMPARE(env->sound.lines(),
             (QStringList{u"Close"_s, u"Open "_s + env->appDir() + u"reviewcomplete.wav (wait)"_s, u"Play (wait)"_s}));
    TestUi::settle();
    QVERIFY(!window);
    QVERIFY(Forms::find(Windows::Choice));
    QCOMPARE(StubMenu::made, 1);
    // Told once: the word copied, after one wrong copy.
    QCOMPARE(finished.count(), 1);
    const auto session = finished.first().first().value<StudySession>();
    QVERIFY(session.isComplete());
    QCOMPARE(session.wrongCopies(), QList<int>{1});
}

void TestStudyWindow::missingFirstWord()
{
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    QVERIFY(QFile::remove(dir + u"ant.wav"_s));
    w->Timer1_Timer();
    QCOMPARE(env->dialogs.boxes.size(), 1);
    QCOMPARE(env->dialogs.boxes.first().text, QStringLiteral("Missing Sound File for the word: ant"));
    QCOMPARE(env->dialogs.boxes.first().buttons, MsgButtons::Ok);
    QCOMPARE(env->dialogs.boxes.first().title, QStringLiteral("Wordaroo"));
    QCOMPARE(w->lblWord->text(), QStringLiteral("ant"));
    QVERIFY(w->lblProgress->text().isEmpty());
    QCOMPARE(env->sound.played(), QStringList{env->appDir() + u"starttest.wav"_s});
    // The shown word can still be copied.
    type(QStringLiteral("ant"));
    QCOMPARE(w->lblWord->text(), QStringLiteral("bee"));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 2 of 2"));
}

void TestStudyWindow::leaving_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("byButton");
    QTest::newRow("End Study Time before the start") << false << true;
    QTest::newRow("End Study Time mid-way") << true << true;
    QTest::newRow("close box") << true << false;
}

void TestStudyWindow::leaving()
{
    QFETCH(bool, started);
    QFETCH(bool, byButton);
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    QPointer<frmReview> window = w;
    QSignalSpy finished(w, &frmReview::studyFinished);
    if (started) {
        w->Timer1_Timer();
        type(QStringLiteral("ant"));
    }
    env->sound.clear();
    if (byButton)
        TestUi::click(w->Command2);
    else
        w->close();
    TestUi::settle();
    QVERIFY(!window);
    QVERIFY(Forms::find(Windows::Choice));
    QCOMPARE(StubMenu::made, 1);
    QVERIFY(env->sound.played().isEmpty());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<StudySession>().copiedCount(), started ? 1 : 0);
}

QTEST_MAIN(TestStudyWindow)
#include "tst_frmReview.moc"
