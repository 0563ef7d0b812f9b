// The history through the real windows: the start window with and without children,
// runs recorded and read back, the tricky-words test coming and going over simulated
// days, practising the missed words, typing during spoken directions, and the report.
#include "authoring/frmMaint.h"
#include "authoring/newnamepanel.h"
#include "authoring/optionspanel.h"
#include "authoring/progressreport.h"
#include "authoring/recordpanel.h"
#include "authoring/register.h"
#include "authoring/reviewsoundpanel.h"
#include "authoring/selecttestpanel.h"
#include "authoring/startpanel.h"
#include "authoring/typewordpanel.h"
#include "authoring/wordlistpanel.h"
#include "authoring/wordlistspanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/platform/settings.h"
#include "core/ui/layout.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "history/trickyfolder.h"
#include "learning/frmPractice.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{
const QDate Day1(2026, 3, 2);

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Keys as the keyboard sends them, through the window system (held during a wait).
void typeFromKeyboard(QWidget *w, const QString &text)
{
    QWindow *window = w->window()->windowHandle();
    for (const QChar c : text)
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QWindowSystemInterface::handleKeyEvent(window, type, Qt::Key_A + (c.toUpper().unicode() - 'A'),
                                                   Qt::NoModifier, QString(c));
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QWindowSystemInterface::handleKeyEvent(window, type, Qt::Key_Return, Qt::NoModifier, u"\r"_s);
}
} // namespace

class TestHistoryWindows : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HistoryStore> store;
    QDateTime clock;

    frmLogin *openStart() { return qobject_cast<frmLogin *>(Forms::show(Windows::Login)); }
    void setDay(QDate day) { clock = QDateTime(day, QTime(10, 0)); }
    // Takes the selected test through the test window, answering as given.
    frmTest *takeTest(const QStringList &answers)
    {
        auto *t = qobject_cast<frmTest *>(Forms::show(Windows::Test));
        t->Timer1_Timer();
        for (const QString &a : answers) {
            QTest::keyClicks(t->txtWord, a);
            QTest::keyClick(t->txtWord, Qt::Key_Return);
        }
        return t;
    }
    void select(frmLogin *login, const QString &test)
    {
        auto *list = login->findChild<QListWidget *>(u"lstTests"_s);
        const QList<QListWidgetItem *> found = list->findItems(test, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list->setCurrentItem(found.first());
    }

    // With WORDAROO_SHOTS set, the report as the adult sees it and as printed go there.
    void saveReportPictures()
    {
        const QString out = qEnvironmentVariable("WORDAROO_SHOTS");
        if (out.isEmpty())
            return;
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        m->pnlProgress->cboPaperTest->setCurrentText(u"Test_Animals"_s);
        TestUi::settle(100);
        QVERIFY(m->grab().save(out + u"/progress_report.png"_s));
        ProgressReport::choosePrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(out + u"/progress_report.pdf"_s);
            return true;
        };
        m->pnlProgress->btnPrint->click();
        ProgressReport::choosePrinter = nullptr;
    }

  private Q_SLOTS:
    void initTestCase()
    {
        Shell::registerWindows();
        Learning::registerWindows();
        Authoring::registerWindows();
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        env->history.setClock([this] { return clock; });
        env->makePrompts();
        env->makeTest(u"Test_Animals"_s, {u"cat"_s, u"dog"_s, u"hen"_s});
        store = std::make_unique<HistoryStore>(env->appDir());
        env->history.install(store.get());
        setDay(Day1);
    }
    void cleanup()
    {
        TestUi::closeAllWindows();
        env->history.install(nullptr);
        store.reset();
        env.reset();
    }

    void startWindowWithoutChildren()
    {
        frmLogin *login = openStart();
        auto *cbo = login->findChild<QComboBox *>(u"cboChild"_s);
        QVERIFY(cbo && !cbo->isVisibleTo(login));
        QVERIFY(!login->findChild<QLabel *>(u"lblChild"_s)->isVisibleTo(login));
        auto *list = login->findChild<QListWidget *>(u"lstTests"_s);
        QCOMPARE(list->geometry().top(), Twips::px(1680));
        QCOMPARE(texts(list), QStringList{u"Test_Animals"_s});
    }

    void childChosenAndRemembered()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        QCOMPARE(store->addChild(u"Ben"_s), QString());
        frmLogin *login = openStart();
        auto *cbo = login->findChild<QComboBox *>(u"cboChild"_s);
        QVERIFY(cbo->isVisibleTo(login));
        QCOMPARE(login->findChild<QLabel *>(u"lblChild"_s)->text(), u"Who is spelling today?"_s);
        QCOMPARE(cbo->currentText(), u"Ann"_s);
        cbo->setCurrentIndex(1);
        Q_EMIT cbo->activated(1);
        QCOMPARE(Settings::get(Settings::LastChild, QString()), u"Ben"_s);

        // A new run of the program starts with the child chosen last.
        TestUi::closeAllWindows();
        env->history.setChild(QString());
        login = openStart();
        QCOMPARE(login->findChild<QComboBox *>(u"cboChild"_s)->currentText(), u"Ben"_s);
        login->findChild<QPushButton *>(u"btnOK"_s)->click();
        QWidget *menu = Forms::find(Windows::Choice);
        QVERIFY(menu);
        QCOMPARE(menu->findChild<QLabel *>(u"lblSelect"_s)->text(), u"Selected test is Test_Animals for Ben"_s);
    }

    void runRecordedAndReadBack()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        openStart();
        takeTest({u"cat"_s, u"dgo"_s, u"hne"_s});
        QVERIFY(store->flush());
        const QList<History::ScoreLine> lines = store->scores(u"Ann"_s);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].test, u"Test_Animals"_s);
        QCOMPARE(lines[0].points.size(), 1);
        QCOMPARE(lines[0].points[0].percent, 33);
        const QList<History::MissedWord> missed = store->mostMissed(u"Ann"_s);
        QCOMPARE(missed.size(), 2);
        QCOMPARE(missed[0].spellings + missed[1].spellings, (QStringList{u"dgo"_s, u"hne"_s}));
        QVERIFY(store->scores(QString()).isEmpty()); // nothing for "no child"
        QVERIFY(env->history.slowestRecordMs() < 5.0);
    }

    // Missed on day 1, the words come back as a test of their own; right on three later
    // days (1, then 3 days apart) they retire and the test is no longer listed.
    void trickyTestComesAndGoes()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        frmLogin *login = openStart();
        select(login, u"Test_Animals"_s);
        takeTest({u"cat"_s, u"dgo"_s, u"hne"_s});
        QVERIFY(store->flush());
        TestUi::closeAllWindows();

        const QString tricky = u"Test_Tricky Words"_s;
        const QList<QDate> days = {Day1.addDays(1), Day1.addDays(2), Day1.addDays(5)};
        for (const QDate day : days) {
            setDay(day);
            login = openStart();
            auto *list = login->findChild<QListWidget *>(u"lstTests"_s);
            QCOMPARE(texts(list), (QStringList{u"Test_Animals"_s, tricky}));
            QCOMPARE(QDir(env->appDir() + tricky).entryList({u"*.wav"_s}), (QStringList{u"dog.wav"_s, u"hen.wav"_s}));
            select(login, tricky);
            takeTest({u"dog"_s, u"hen"_s});
            QVERIFY(store->flush());
            TestUi::closeAllWindows();
        }
        login = openStart();
        QCOMPARE(texts(login->findChild<QListWidget *>(u"lstTests"_s)), QStringList{u"Test_Animals"_s});
        QVERIFY(!QFileInfo::exists(env->appDir() + tricky));
        QCOMPARE(store->mostMissed(u"Ann"_s).size(), 2);
        saveReportPictures();
    }

    // Back on the start window after a test, the list is remade (the missed words are a
    // test now) and the test chosen before stays chosen.
    void startWindowListRemadeWhenShownAgain()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        env->makeTest(u"Test_Birds"_s, {u"owl"_s, u"jay"_s});
        frmLogin *login = openStart();
        select(login, u"Test_Birds"_s);
        login->hide();
        takeTest({u"owl"_s, u"jya"_s});
        TestUi::settle();
        Forms::show(Windows::Login);
        auto *list = login->findChild<QListWidget *>(u"lstTests"_s);
        QCOMPARE(texts(list), (QStringList{u"Test_Animals"_s, u"Test_Birds"_s, u"Test_Tricky Words"_s}));
        QCOMPARE(list->currentItem()->text(), u"Test_Birds"_s);
        QCOMPARE(env->context.TestName(), u"Test_Birds"_s);
    }

    // The missed words are practised from memory, and the practice is kept apart from study.
    void practiseOpensPracticeOnTheMissedWords()
    {
        openStart();
        frmTest *t = takeTest({u"cat"_s, u"dgo"_s, u"hne"_s});
        QVERIFY(t->resultsShown());
        QVERIFY(t->btnPractiseMissed->isEnabled());
        t->btnPractiseMissed->click();
        auto *practice = qobject_cast<frmPractice *>(Forms::find(Windows::Practice));
        QVERIFY(practice);
        QStringList words;
        for (const PracticeSession::Word &w : practice->session().words())
            words << w.word;
        QCOMPARE(words, (QStringList{u"dog"_s, u"hen"_s}));
        practice->Timer1_Timer();
        practice->Command2->click();
        QVERIFY(store->flush());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"read"_s);
            db.setDatabaseName(store->path());
            QVERIFY(db.open());
            QSqlQuery q(u"SELECT kind, count(*) FROM study_sessions JOIN study_words ON session = id"_s, db);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString() + q.value(1).toString(), u"practice2"_s);
        }
        QSqlDatabase::removeDatabase(u"read"_s);
    }

    // Typing while a spoken direction plays is thrown away, not delivered after it.
    void typingDuringDirectionsDiscarded_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("typedBefore"); // what the child typed to bring the direction on
        QTest::newRow("test, start") << int(Windows::Test) << u"starttest.wav"_s << QString();
        QTest::newRow("study, start") << int(Windows::Review) << u"starttest.wav"_s << QString();
        QTest::newRow("study, no word") << int(Windows::Review) << u"noword.wav"_s << u""_s;
        QTest::newRow("study, wrong copy") << int(Windows::Review) << u"spellwrong.wav"_s << u"cta"_s;
    }
    void typingDuringDirectionsDiscarded()
    {
        QFETCH(int, window);
        QFETCH(QString, direction);
        QFETCH(QString, typedBefore);
        env->context.selectTest(u"Test_Animals"_s);
        auto *w = qobject_cast<SoundForm *>(Forms::show(Windows::Id(window)));
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *box = w->findChild<QLineEdit *>(u"txtWord"_s);
        box->setFocus();
        const bool atStart = direction == u"starttest.wav"_s;
        if (!atStart)
            QMetaObject::invokeMethod(w, "Timer1_Timer");
        env->sound.setDuration(env->appDir() + direction, 300);
        QTimer::singleShot(100, w, [&] { typeFromKeyboard(box, u"cat"_s); });
        if (atStart) {
            QMetaObject::invokeMethod(w, "Timer1_Timer");
        } else {
            box->setText(typedBefore);
            QMetaObject::invokeMethod(w, "btnNext_Click");
        }
        TestUi::settle(50);
        QCOMPARE(box->text(), typedBefore);
        if (auto *t = qobject_cast<frmTest *>(w))
            QVERIFY(t->run().answers().isEmpty());
        if (auto *r = qobject_cast<frmReview *>(w))
            QCOMPARE(r->session().wordIndex(), 0);
    }

    void trickyTestNeverEditedOrDeleted_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("edit") << u"btnEditTest"_s;
        QTest::newRow("delete") << u"btnDeleteTest"_s;
    }
    void trickyTestNeverEditedOrDeleted()
    {
        QFETCH(QString, button);
        QCOMPARE(TrickyFolder::rebuild(env->appDir(), {{u"Test_Animals"_s, u"dog"_s, {}, {}}}), QString());
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnEdit_Click();
        m->pnlSelectTest->LstTests->setCurrentItem(
            m->pnlSelectTest->LstTests->findItems(u"Test_Tricky Words"_s, Qt::MatchExactly).first());
        m->findChild<QPushButton *>(button)->click();
        QCOMPARE(env->dialogs.boxes.size(), 1);
        QCOMPARE(env->dialogs.boxes[0].text, u"Test_Tricky Words is made by Wordaroo from the missed words."_s);
        QVERIFY(QFileInfo::exists(env->appDir() + u"Test_Tricky Words/dog.wav"_s));
    }

    void childNamesRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blank") << u"   "_s;
        QTest::newRow("200 letters") << QString(200, u'a');
        QTest::newRow("control character") << u"An\tn"_s;
    }
    void childNamesRefused()
    {
        QFETCH(QString, name);
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnOptions_Click();
        env->dialogs.inputAnswers = {name};
        m->pnlOptions->btnAddChild->click();
        QCOMPARE(env->dialogs.boxes.size(), 1);
        QCOMPARE(env->dialogs.boxes[0].text, HistoryStore::nameProblem(name));
        QVERIFY(store->children().isEmpty());
        QCOMPARE(m->pnlOptions->lstChildren->count(), 0);
    }

    // A known history: Ann took Test_Animals twice (33%, then 66%), missing "dog" twice.
    void reportNumbers()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        const QDateTime t1(Day1, QTime(9, 0)), t2(Day1.addDays(1), QTime(9, 0));
        store->recordRun(
            {t1,
             u"Ann"_s,
             u"Test_Animals"_s,
             33,
             false,
             {{u"cat"_s, u"cat"_s, true, {}}, {u"dog"_s, u"dgo"_s, false, {}}, {u"hen"_s, u"hn"_s, false, {}}}});
        store->recordRun(
            {t2,
             u"Ann"_s,
             u"Test_Animals"_s,
             66,
             false,
             {{u"cat"_s, u"cat"_s, true, {}}, {u"dog"_s, u"dgo"_s, false, {}}, {u"hen"_s, u"hen"_s, true, {}}}});
        QVERIFY(store->flush());
        setDay(Day1.addDays(1));

        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        QCOMPARE(m->pnlStart->btnProgress->text().remove(u'&'), u"See How the Children Are Doing"_s);
        m->pnlStart->btnProgress->click();
        ProgressReport *r = m->pnlProgress;
        QVERIFY(Panels::isShown(r));
        QCOMPARE(r->cboChild->currentText(), u"Ann"_s);
        const QList<QAbstractSeries *> series = qobject_cast<QChartView *>(r->chtScores)->chart()->series();
        QCOMPARE(series.size(), 1);
        auto *line = static_cast<QLineSeries *>(series[0]);
        QCOMPARE(line->name(), u"Test_Animals"_s);
        QCOMPARE(line->count(), 2);
        QCOMPARE(line->at(0).y(), 33.0);
        QCOMPARE(line->at(1).y(), 66.0);
        QCOMPARE(r->lstMissed->topLevelItemCount(), 2);
        QCOMPARE(r->lstMissed->topLevelItem(0)->text(0), u"dog"_s);
        QCOMPARE(r->lstMissed->topLevelItem(0)->text(1), u"2"_s);
        QCOMPARE(r->lstMissed->topLevelItem(0)->text(2), u"dgo"_s);
        QCOMPARE(texts(r->lstTricky), QStringList{u"dog  (Test_Animals)"_s});
        QVERIFY(r->lblStatus->text().isEmpty());
        QVERIFY(!r->btnNewHistory->isVisibleTo(r));

        // The paper version: a PDF with the report, the test and its answer key.
        const QString pdf = env->appDir() + u"report.pdf"_s;
        ProgressReport::choosePrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return true;
        };
        r->cboPaperTest->setCurrentText(u"Test_Animals"_s);
        r->btnPrint->click();
        ProgressReport::choosePrinter = nullptr;
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(5) == "%PDF-");

        // Forgotten only after a Yes to the question naming her.
        env->dialogs.answers = {MsgResult::No, MsgResult::Yes};
        r->btnForgetChild->click();
        QCOMPARE(store->children(), QStringList{u"Ann"_s});
        r->btnForgetChild->click();
        QCOMPARE(env->dialogs.boxes.size(), 2);
        QVERIFY(env->dialogs.boxes[1].text.startsWith(u"Forget Ann?"_s));
        QVERIFY(store->children().isEmpty());
        QVERIFY(store->scores(u"Ann"_s).isEmpty());
    }

    // Each kind of mistake of the chosen child's last 30 days, counted once per wrong answer,
    // with the latest two examples; on screen and in the CSV export.
    void mistakesByKind()
    {
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        QCOMPARE(store->addChild(u"Ben"_s), QString());
        const auto run = [&](QDate day, const QString &child, const QList<History::RunWord> &words) {
            store->recordRun({QDateTime(day, QTime(9, 0)), child, u"Test_Animals"_s, 0, false, words});
        };
        const History::RunWord dinner{u"dinner"_s, u"diner"_s, false, {}}, rabbit{u"rabbit"_s, u"rabit"_s, false, {}};
        run(Day1.addDays(-40), u"Ann"_s, {{u"hen"_s, u"hne"_s, false, {}}}); // too long ago
        run(Day1, u"Ben"_s, {{u"hen"_s, u"hne"_s, false, {}}});              // another child
        run(Day1, u"Ann"_s, {dinner, rabbit, {u"because"_s, u"becuase"_s, false, {}}, {u"cat"_s, u"cat"_s, true, {}}});
        run(Day1.addDays(1), u"Ann"_s, {rabbit, {u"hen"_s, u"hn"_s, false, {}}});
        QVERIFY(store->flush());
        setDay(Day1.addDays(1));

        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        QCOMPARE(texts(m->pnlProgress->lstKinds),
                 (QStringList{u"double letters: 3 (rabbit → rabit, dinner → diner)"_s,
                              u"swapped letters: 1 (because → becuase)"_s, u"missing letters: 1 (hen → hn)"_s,
                              u"another real word: 1 (dinner → diner)"_s}));

        const QString csv = env->appDir() + u"history.csv"_s;
        ProgressReport::chooseCsvFile = [&](const QString &) { return csv; };
        m->pnlProgress->btnExportCsv->click();
        ProgressReport::chooseCsvFile = nullptr;
        QTRY_VERIFY(!m->pnlProgress->exporting());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray lines = f.readAll();
        QVERIFY(lines.contains(",dinner,Test_Animals,diner,no,another real word; double letters\r\n"));
        QVERIFY(lines.contains(",cat,Test_Animals,cat,yes,\r\n"));
    }

    // Test names show in the chart as typed (Qt Charts draws its labels as rich text), and
    // so does the missed word's tooltip naming its test: no markup drawn, no picture loaded.
    void chartLabelsArePlainText_data()
    {
        QTest::addColumn<QString>("test");
        QTest::newRow("markup and a picture") << u"<font size=7 color=red><b>BIG<img src=x.png>"_s;
        QTest::newRow("ampersand") << u"Tom &amp; Jerry"_s;
    }
    void chartLabelsArePlainText()
    {
        QFETCH(QString, test);
        store->recordRun({QDateTime(Day1, QTime(9, 0)), {}, test, 0, false, {{u"cat"_s, u"kat"_s, false, {}}}});
        QVERIFY(store->flush());
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        TestUi::settle(50);
        QStringList shown;
        for (const QGraphicsItem *item : m->pnlProgress->chtScores->scene()->items())
            if (const auto *text = dynamic_cast<const QGraphicsTextItem *>(item))
                shown << text->toPlainText();
        // The legend shortens a long name with "...".
        const auto showsName = [&](const QString &t) {
            return t == test || (t.endsWith(u"..."_s) && t.size() > 3 && test.startsWith(t.chopped(3)));
        };
        QVERIFY2(std::any_of(shown.cbegin(), shown.cend(), showsName), qPrintable(shown.join(u" | "_s)));
        const QString tip = m->pnlProgress->lstMissed->topLevelItem(0)->toolTip(0);
        QTextDocument shownTip; // as a tooltip shows it
        Qt::mightBeRichText(tip) ? shownTip.setHtml(tip) : shownTip.setPlainText(tip);
        QCOMPARE(shownTip.toPlainText(), test);
    }

    // A long history is exported behind the window: the click returns at once with a progress
    // bar and "Cancel"; a cancelled export leaves the file that was there, and no part of its own.
    void exportRunsBehindTheWindow_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("finished") << false;
        QTest::newRow("cancelled") << true;
    }
    void exportRunsBehindTheWindow()
    {
        QFETCH(bool, cancel);
        constexpr int Runs = 3000;
        for (int i = 0; i < Runs; ++i)
            store->recordRun({QDateTime(Day1, QTime(9, 0)).addSecs(i),
                              {},
                              u"Test_Animals"_s,
                              50,
                              false,
                              {{u"cat"_s, u"cat"_s, true, {}}, {u"dog"_s, u"dgo"_s, false, {}}}});
        QVERIFY(store->flush());
        const QString csv = env->appDir() + u"history.csv"_s;
        QFile old(csv);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an earlier export") > 0);
        old.close();
        ProgressReport::chooseCsvFile = [&](const QString &) { return csv; };
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        m->pnlProgress->btnExportCsv->click();
        ProgressReport::chooseCsvFile = nullptr;
        auto *stop = m->pnlProgress->findChild<QPushButton *>(u"btnCancelExport"_s);
        QVERIFY(stop && stop->isVisible());
        QVERIFY(m->pnlProgress->findChild<QProgressBar *>(u"prgExport"_s)->isVisible());
        if (cancel)
            stop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!stop->isVisible(), 20000);
        QVERIFY(m->pnlProgress->btnExportCsv->isVisible());
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray written = old.readAll();
        if (cancel)
            QCOMPARE(written, "an earlier export"_ba);
        else
            QCOMPARE(written.count('\n'), 1 + 2 * Runs);
        QCOMPARE(QDir(env->appDir()).entryList({u".tmp*"_s}, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(env->dialogs.boxes.size(), 0);
    }

    // A history only in use by another copy is never put aside; an unusable file may be.
    void newHistoryOfferedOnlyForAnUnusableFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("status");
        QTest::newRow("in use") << u"in use"_s << u"history.db is in use by another copy of Wordaroo."_s;
        QTest::newRow("damaged") << u"damaged"_s << u"history.db is damaged."_s;
        QTest::newRow("newer") << u"newer"_s << u"history.db was made by a newer Wordaroo"_s;
        QTest::newRow("a folder") << u"folder"_s << u"history.db is a folder, not a file."_s;
    }
    void newHistoryOfferedOnlyForAnUnusableFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, status);
        const QString db = env->appDir() + u"history.db"_s;
        QCOMPARE(store->addChild(u"Ann"_s), QString());
        env->history.install(nullptr);
        store.reset();
        QFile f(db);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        if (file == u"damaged"_s) // all but the first two pages (the list of children stays readable)
            bytes.replace(8192, bytes.size() - 8192, QByteArray(bytes.size() - 8192, '\x5a'));
        bytes[63] = file == u"newer"_s ? 7 : bytes[63]; // the header's version
        QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
        f.close();
        if (file == u"folder"_s)
            QVERIFY(QFile::remove(db) && QDir().mkdir(db));
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(db);
        QVERIFY(file != u"in use"_s || (other.open() && QSqlQuery(other).exec(u"BEGIN EXCLUSIVE"_s)));
        store = std::make_unique<HistoryStore>(env->appDir());
        env->history.install(store.get());
        if (file == u"in use"_s)
            store->recordRun({QDateTime(Day1, QTime(9, 0)), {}, u"Test_Animals"_s, 100, false, {}});

        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        ProgressReport *r = m->pnlProgress;
        QVERIFY2(r->lblStatus->text().startsWith(u"The history cannot be written: "_s + status),
                 qPrintable(r->lblStatus->text()));
        QCOMPARE(r->btnNewHistory->isVisibleTo(r), file != u"in use"_s);
        if (file == u"in use"_s) {
            QVERIFY(QSqlQuery(other).exec(u"COMMIT"_s));
            other.close();
        } else {
            r->btnNewHistory->click();
            QVERIFY(r->lblStatus->text().isEmpty());
            QVERIFY(QFileInfo(db).isFile());
        }
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"other"_s);
    }

    // A test of the adult's own named Tricky Words is theirs: it stays as it is while words
    // are due, the report says why no tricky-words test is made, and no new test takes the name.
    void usersOwnTrickyWordsTestKept()
    {
        env->makeTest(u"Test_Tricky Words"_s, {u"owl"_s});
        openStart();
        takeTest({u"cat"_s, u"dgo"_s, u"hne"_s});
        QVERIFY(store->flush());
        TestUi::closeAllWindows();
        openStart();
        QCOMPARE(QDir(env->appDir() + u"Test_Tricky Words"_s).entryList({u"*.wav"_s}), QStringList{u"owl.wav"_s});

        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        QCOMPARE(m->pnlProgress->lblStatus->text(), u"A test of your own is named Tricky Words: rename it so that "
                                                    "Wordaroo can make the tricky-words test."_s);
        m->pnlStart->btnMake_Click();
        m->pnlNewName->txtNewName->setText(u"Tricky Words"_s);
        m->pnlNewName->btnNewNext_Click();
        QCOMPARE(env->dialogs.boxes.last().text,
                 u"Tricky Words is the name of the test Wordaroo makes from the missed words."_s);
    }
};

QTEST_MAIN(TestHistoryWindows)
#include "tst_history_windows.moc"
