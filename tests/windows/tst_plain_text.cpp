// Names from disk are shown as they are written, never as markup: a word file named
// like a piece of HTML shows its name literally in every window that shows words or
// test names, and in the message and input boxes.
#include "arcade/frmRain.h"
#include "arcade/frmScramble.h"
#include "arcade/register.h"
#include "authoring/frmMaint.h"
#include "authoring/newnamepanel.h"
#include "authoring/optionspanel.h"
#include "authoring/recordpanel.h"
#include "authoring/register.h"
#include "authoring/reviewsoundpanel.h"
#include "authoring/selecttestpanel.h"
#include "authoring/startpanel.h"
#include "authoring/typewordpanel.h"
#include "authoring/wordlistpanel.h"
#include "authoring/wordlistspanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "learning/frmPractice.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString Hack = u"<h1>BIG<font color=red>HACK"_s;
const QString HackTest = u"Test_"_s + Hack;

QString sorted(QString s)
{
    std::sort(s.begin(), s.end());
    return s;
}

// The controls of a window that show the name: labels holding it (whole, or its
// letters shuffled), marked when a label would take it for markup, and list rows
// reading it exactly.
QStringList shownAt(QWidget *window)
{
    QStringList where;
    for (QLabel *l : window->findChildren<QLabel *>()) {
        if (!l->text().contains(Hack) && sorted(l->text()) != sorted(Hack))
            continue;
        where << l->objectName() + (l->textFormat() == Qt::PlainText ? u""_s : u" as markup"_s);
    }
    for (QAbstractItemView *v : window->findChildren<QAbstractItemView *>()) {
        for (int i = 0; i < v->model()->rowCount(); ++i) {
            const QString row = v->model()->index(i, 0).data().toString();
            if (row == Hack || row == HackTest) {
                where << v->objectName();
                break;
            }
        }
    }
    where.sort();
    return where;
}

// Answers the next modal box: notes whether its text is plain and what it reads.
void inspectNextBox(bool &plain, QString &text)
{
    QTimer::singleShot(20, qApp, [&plain, &text] {
        QWidget *box = QApplication::activeModalWidget();
        if (auto *m = qobject_cast<QMessageBox *>(box)) {
            plain = m->textFormat() == Qt::PlainText;
            text = m->text();
        } else if (box) {
            const QList<QLabel *> labels = box->findChildren<QLabel *>();
            plain = !labels.isEmpty() && std::all_of(labels.cbegin(), labels.cend(),
                                                     [](QLabel *l) { return l->textFormat() == Qt::PlainText; });
            text = labels.isEmpty() ? QString() : labels.first()->text();
        }
        if (auto *d = qobject_cast<QDialog *>(box))
            d->reject();
    });
}
} // namespace

class TestPlainText : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void windows_data();
    void windows();
    void boxes();
};

void TestPlainText::initTestCase()
{
    Shell::registerWindows();
    Learning::registerWindows();
    Authoring::registerWindows();
    Arcade::registerWindows();
}

void TestPlainText::windows_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("start window lists") << int(Windows::Login) << QStringList{u"lstTests"_s, u"lstWords"_s};
    QTest::newRow("activity menu label") << int(Windows::Choice) << QStringList{u"lblSelect"_s};
    QTest::newRow("study word") << int(Windows::Review) << QStringList{u"lblWord"_s};
    QTest::newRow("practice check") << int(Windows::Practice) << QStringList{u"lblCompare"_s, u"lblWord"_s};
    QTest::newRow("test results") << int(Windows::Test) << QStringList{u"lstCorrect"_s, u"lstTries"_s, u"lstYours"_s};
    QTest::newRow("Scramble") << int(Windows::Scramble) << QStringList{u"lblWord"_s};
    QTest::newRow("Raining Words") << int(Windows::Rain) << QStringList{u"lblWord"_s};
    QTest::newRow("authoring lists and word")
        << int(Windows::Maint) << QStringList{u"List1"_s, u"LstTests"_s, u"lblWordToRecord"_s};
}

void TestPlainText::windows()
{
    QFETCH(int, window);
    QFETCH(QStringList, shown);
    TestEnv env;
    env.makePrompts();
    env.makeTest(HackTest, {Hack});
    env.context.selectTest(HackTest, {Hack});

    Form *w = Forms::show(Windows::Id(window));
    QVERIFY(w);
    if (auto *review = qobject_cast<frmReview *>(w)) {
        review->Timer1_Timer();
    } else if (auto *practice = qobject_cast<frmPractice *>(w)) {
        practice->Timer1_Timer();
        practice->tmrCover_Timer();
        practice->txtWord->setText(Hack);
        practice->btnNext_Click();
        practice->btnNext_Click(); // looks again: the word and its check both show it
    } else if (auto *test = qobject_cast<frmTest *>(w)) {
        test->Timer1_Timer();
        test->txtWord->setText(Hack);
        test->btnNext_Click();
    } else if (auto *scramble = qobject_cast<frmScramble *>(w)) {
        scramble->btnStart_Click();
    } else if (auto *rain = qobject_cast<frmRain *>(w)) {
        rain->btnStart_Click();
        rain->Timer1->stop();
    } else if (auto *maint = qobject_cast<frmMaint *>(w)) {
        maint->pnlStart->btnEdit_Click();
        maint->pnlSelectTest->btnEditTest_Click();
        maint->pnlWordList->btnAddWord_Click();
        maint->pnlTypeWord->txtWord->setText(Hack + u" too"_s);
        maint->pnlTypeWord->btnRecordWord_Click();
    }
    QVERIFY(env.dialogs.boxes.isEmpty());
    QCOMPARE(shownAt(w), shown);
}

void TestPlainText::boxes()
{
    QtDialogService real;
    bool plain = false;
    QString text;
    inspectNextBox(plain, text);
    real.message(nullptr, u"Missing Sound File for the word: "_s + Hack, MsgButtons::Ok, MsgIcon::None, {});
    QVERIFY(plain);
    QCOMPARE(text, u"Missing Sound File for the word: "_s + Hack);

    plain = false;
    inspectNextBox(plain, text);
    QCOMPARE(real.input(nullptr, Hack, {}, {}), QString());
    QVERIFY(plain);
    QCOMPARE(text, Hack);
}

QTEST_MAIN(TestPlainText)
#include "tst_plain_text.moc"
