// The options panel and the configuration password, alone and end to end with the
// start window's password gate.
#include "maint_helpers.h"

#include "core/modinifiles.h"
#include "shell/register.h"

#include <QAction>
#include <QFile>

using namespace Maint;
using namespace Qt::StringLiterals;

namespace {
QString ini(const TestEnv &env) { return env.appDir() + u"spell.ini"_s; }
QString setting(const TestEnv &env, const QString &key)
{
    return modINIfiles::GetSetting(ini(env), key, u"<missing>"_s);
}
} // namespace

class tst_MaintOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openShowsStored_data();
    void openShowsStored();
    void save_data();
    void save();
    void cancelWritesNothingAndKeepsTheBoxes();
    void longPasswordIsCutAtTheBox();
    void passwordGateEndToEnd();
};

void tst_MaintOptions::openShowsStored_data()
{
    QTest::addColumn<QString>("protect"); // "" = no file
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("password");
    QTest::newRow("no file") << QString() << false << QString();
    QTest::newRow("True") << u"True"_s << true << u"Sesame Open"_s;
    QTest::newRow("true") << u"true"_s << false << QString();
    QTest::newRow("TRUE") << u"TRUE"_s << false << QString();
    QTest::newRow("false") << u"false"_s << false << QString();
}

void tst_MaintOptions::openShowsStored()
{
    QFETCH(QString, protect);
    QFETCH(bool, checked);
    QFETCH(QString, password);
    TestEnv env;
    if (!protect.isEmpty()) {
        modINIfiles::WriteSetting(ini(env), u"Protect"_s, protect);
        modINIfiles::WriteSetting(ini(env), u"TheWord"_s, u"Sesame Open"_s);
    }
    frmMaint *w = open();
    w->btnOptions_Click();
    QCOMPARE(shownPanel(w), u"pnlOptions"_s);
    QCOMPARE(w->chkPassword->isChecked(), checked);
    QCOMPARE(w->txtPassword->text(), password);
    QVERIFY(env.dialogs.boxes.isEmpty());
}

// Checked writes both keys; unchecked writes "false" and keeps the old password.
void tst_MaintOptions::save_data()
{
    QTest::addColumn<bool>("check");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("protect");
    QTest::addColumn<QString>("theWord");
    QTest::newRow("checked") << true << u"Ab c"_s << u"True"_s << u"Ab c"_s;
    QTest::newRow("checked, empty") << true << QString() << u"True"_s << QString();
    // Read back exactly as typed, though the file trims values and drops quotes.
    QTest::newRow("outer blanks") << true << u" Ab c "_s << u"True"_s << u" Ab c "_s;
    QTest::newRow("in quotes") << true << u"'Ab'"_s << u"True"_s << u"'Ab'"_s;
    QTest::newRow("unchecked") << false << u"new"_s << u"false"_s << u"old"_s;
}

void tst_MaintOptions::save()
{
    QFETCH(bool, check);
    QFETCH(QString, typed);
    QFETCH(QString, protect);
    QFETCH(QString, theWord);
    TestEnv env;
    modINIfiles::WriteSetting(ini(env), u"Protect"_s, u"True"_s);
    modINIfiles::WriteSetting(ini(env), u"TheWord"_s, u"old"_s);
    frmMaint *w = open();
    TestUi::click(w->btnOptions);
    QVERIFY(w->chkPassword->isChecked());
    QCOMPARE(w->txtPassword->text(), u"old"_s);
    w->chkPassword->setChecked(check);
    w->txtPassword->setFocus();
    w->txtPassword->clear();
    type(w, typed);
    enter(w); // ENTER saves, from the password box too
    QCOMPARE(shownPanel(w), u"pnlStart"_s);
    QCOMPARE(setting(env, u"Protect"_s), protect);
    QCOMPARE(setting(env, u"TheWord"_s), theWord);
}

// Cancel writes nothing; the boxes keep what was set for this window's life, and a
// new window starts empty while protection is off.
void tst_MaintOptions::cancelWritesNothingAndKeepsTheBoxes()
{
    TestEnv env;
    frmMaint *w = open();
    w->btnOptions_Click();
    w->chkPassword->setChecked(true);
    w->txtPassword->setText(u"typed"_s);
    w->btnCancelOptions_Click();
    QVERIFY(!QFileInfo::exists(ini(env)));
    w->btnOptions_Click();
    QVERIFY(w->chkPassword->isChecked());
    QCOMPARE(w->txtPassword->text(), u"typed"_s);
    // Saved, then switched off: the same window still shows the password...
    w->btnSaveOptions_Click();
    w->btnOptions_Click();
    w->chkPassword->setChecked(false);
    w->btnSaveOptions_Click();
    w->btnOptions_Click();
    QCOMPARE(w->txtPassword->text(), u"typed"_s);
    // ...a new window shows none, and saving it checked stores an empty password.
    delete w;
    w = open();
    w->btnOptions_Click();
    QVERIFY(!w->chkPassword->isChecked());
    QCOMPARE(w->txtPassword->text(), QString());
    QCOMPARE(setting(env, u"TheWord"_s), u"typed"_s);
    w->chkPassword->setChecked(true);
    w->btnSaveOptions_Click();
    QCOMPARE(setting(env, u"TheWord"_s), QString());
}

// The settings file gives back 254 characters at most, so the box takes no more.
void tst_MaintOptions::longPasswordIsCutAtTheBox()
{
    TestEnv env;
    frmMaint *w = open();
    TestUi::click(w->btnOptions);
    w->chkPassword->setChecked(true);
    w->txtPassword->setFocus();
    type(w, QString(300, u'k'));
    QCOMPARE(w->txtPassword->text().size(), 254);
    w->btnSaveOptions_Click();
    QCOMPARE(setting(env, u"TheWord"_s), w->txtPassword->text());
}

// Set a password in the authoring window, leave, and come back through the start
// window's gate: wrong answer refused, right answer let in, and switching
// protection off lets in without asking.
void tst_MaintOptions::passwordGateEndToEnd()
{
    TestEnv env;
    env.makePrompts();
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    Shell::registerWindows();
    Authoring::registerWindows();
    Form *login = Forms::show(u"frmLogin"_s);
    QVERIFY(login);
    auto *create = login->findChild<QAction *>(u"mnuCreate"_s);
    auto *tests = login->findChild<QListWidget *>(u"lstTests"_s);
    QVERIFY(create && tests);

    create->trigger();
    QVERIFY(env.dialogs.prompts.isEmpty());
    auto *w = Forms::find<frmMaint>(u"frmMaint"_s);
    QVERIFY(w);
    QVERIFY(!login->isVisible());
    w->btnOptions_Click();
    w->chkPassword->setChecked(true);
    w->txtPassword->setText(u"Kanga Roo"_s);
    w->btnSaveOptions_Click();
    makeTest(w, u"Birds"_s);
    recordWord(w, u"owl"_s);
    w->btnFinishNewTest_Click();
    w->btnExit_Click();
    TestUi::settle();
    QVERIFY(login->isVisible());
    QVERIFY(!Forms::find(u"frmMaint"_s));
    // The start window lists the new test at once.
    QCOMPARE(items(tests), (QStringList{u"Test_Birds"_s, u"Test_Fruit"_s}));

    env.dialogs.inputAnswers = {u"kanga roo"_s};
    create->trigger();
    QCOMPARE(env.dialogs.prompts.size(), 1);
    QCOMPARE(env.dialogs.prompts.first().text, u"Please enter configuration password:"_s);
    QCOMPARE(env.dialogs.boxes.last().title, u"Incorrect Password"_s);
    QVERIFY(!Forms::find(u"frmMaint"_s));
    QVERIFY(login->isVisible());

    env.dialogs.inputAnswers = {u"Kanga Roo"_s};
    create->trigger();
    w = Forms::find<frmMaint>(u"frmMaint"_s);
    QVERIFY(w);
    w->btnOptions_Click();
    QVERIFY(w->chkPassword->isChecked());
    QCOMPARE(w->txtPassword->text(), u"Kanga Roo"_s);
    w->chkPassword->setChecked(false);
    w->btnSaveOptions_Click();
    w->close();
    TestUi::settle();

    create->trigger();
    QCOMPARE(env.dialogs.prompts.size(), 2); // not asked again
    QVERIFY(Forms::find(u"frmMaint"_s));
    QCOMPARE(setting(env, u"TheWord"_s), u"Kanga Roo"_s);
    QVERIFY(!env.ended);
}

QTEST_MAIN(tst_MaintOptions)
#include "tst_maint_options.moc"
