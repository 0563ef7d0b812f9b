// The practice window (look, cover, write, check) driven through its real controls,
// with the test sound engine.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/ui/lettercompare.h"
#include "learning/frmPractice.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestPracticeWindow : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        Forms::registerFactory(Windows::Choice, [] { return new Form(Windows::Choice); });
        Learning::registerWindows();
    }

    // A word is done after two right writes in a row, a hinted one after three; the
    // summary tells the tries of each word.
    void twoRightInARowAndHints()
    {
        TestEnv env;
        env.makePrompts();
        const QString dir = env.makeTest(u"Test_Practice"_s, {u"cat"_s, u"dog"_s});
        env.context.selectTest(u"Test_Practice"_s);
        auto *w = qobject_cast<frmPractice *>(Forms::show(Windows::Practice));
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Practice"_s);
        QSignalSpy finished(w, &frmPractice::practiceFinished);
        const auto enter = [&] { TestUi::key(w->focusWidget(), Qt::Key_Return); };
        const auto write = [&](const QString &text) {
            QVERIFY(w->txtWord->isEnabled());
            QTest::keyClicks(w->txtWord, text);
            enter();
        };

        w->Timer1_Timer(); // Look
        QCOMPARE(w->lblWord->text(), u"cat"_s);
        QCOMPARE(env.sound.played(), QStringList{dir + u"cat.wav"_s});
        QVERIFY(!w->txtWord->isEnabled());
        QVERIFY(w->tmrCover->isActive());
        enter(); // Cover
        QCOMPARE(w->lblWord->text(), u"_ _ _"_s);
        write(u"cat"_s);
        QCOMPARE(w->lblCompare->comparison().marks(), u"==="_s);
        QCOMPARE(w->lblTally->text(), u"Right! 1 of 2 in a row."_s);
        enter(); // Look again
        QCOMPARE(w->lblWord->text(), u"cat"_s);
        w->tmrCover_Timer(); // covered after a while
        write(u"cat"_s);
        QCOMPARE(w->lblTally->text(), u"Right 2 times in a row: well done!"_s);
        QCOMPARE(w->btnNext->text(), u"Next Word"_s);

        enter();
        QCOMPARE(w->lblWord->text(), u"dog"_s);
        enter();
        TestUi::click(w->btnHint);
        QCOMPARE(w->lblWord->text(), u"d _ _"_s);
        QCOMPARE(w->lblTally->text(), u"Right in a row: 0 of 3"_s);
        env.sound.clear();
        TestUi::click(w->btnRepeat);
        QCOMPARE(env.sound.played(), QStringList{dir + u"dog.wav"_s});
        write(u"dgo"_s);
        QCOMPARE(w->lblCompare->comparison().marks(), u"=ss"_s);
        QVERIFY(w->lblCompare->isVisible());
        QCOMPARE(w->lblTally->text(), u"You wrote dgo: the o and the g are swapped. Look at the word again."_s);
        for (const QString &tally :
             {u"Right! 1 of 3 in a row."_s, u"Right! 2 of 3 in a row."_s, u"Right 3 times in a row: well done!"_s}) {
            enter();
            enter();
            write(u"dog"_s);
            QCOMPARE(w->lblTally->text(), tally);
        }
        QCOMPARE(w->btnNext->text(), u"Finish"_s);
        enter();
        QVERIFY(w->lstSummary->isVisible());
        QStringList rows;
        for (int i = 0; i < w->lstSummary->count(); ++i)
            rows << w->lstSummary->item(i)->text();
        QCOMPARE(rows, (QStringList{u"cat: 2 tries"_s, u"dog: 4 tries, 1 hint"_s}));

        TestUi::click(w->Command2);
        QCOMPARE(finished.size(), 1);
        TestUi::settle();
        QVERIFY(Forms::find(Windows::Choice));
    }
};

QTEST_MAIN(TestPracticeWindow)
#include "tst_frmPractice.moc"
