// Shared tests reaching the start window: opened from the desktop (behind the
// configuration password) and dropped on it, as a file or as a folder of wave files.
#include "core/platform/forms.h"
#include "sharing/testarchive.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestStartSharing : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { Shell::registerWindows(); }
    void cleanup() { TestUi::closeAllWindows(); }
    void offered_data();
    void offered();
};

void TestStartSharing::offered_data()
{
    QTest::addColumn<QString>("how");       // open (from the desktop) or drop (a file, a folder, another file)
    QTest::addColumn<QString>("what");      // file, folder, other
    QTest::addColumn<QStringList>("typed"); // the password typed; none: no password is set
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QString>("box"); // the one box shown, or empty
    const QString ask = u"Add the spelling test Animals to Wordaroo?"_s;
    const QString sorry = u"SORRY!\nThe password you typed is incorrect."_s;
    QTest::newRow("opened, Yes") << u"open"_s << u"file"_s << QStringList() << MsgResult::Yes << ask;
    QTest::newRow("opened, No") << u"open"_s << u"file"_s << QStringList() << MsgResult::No << ask;
    QTest::newRow("right password") << u"open"_s << u"file"_s << QStringList{u"Secret"_s} << MsgResult::Yes << ask;
    // A wrong password stops before the file is even looked at.
    QTest::newRow("wrong password") << u"open"_s << u"file"_s << QStringList{u"secret"_s} << MsgResult::Yes << sorry;
    QTest::newRow("file dropped") << u"drop"_s << u"file"_s << QStringList() << MsgResult::Yes << ask;
    QTest::newRow("folder dropped") << u"drop"_s << u"folder"_s << QStringList() << MsgResult::Yes << ask;
    QTest::newRow("other file dropped") << u"drop"_s << u"other"_s << QStringList() << MsgResult::Yes << QString();
}

void TestStartSharing::offered()
{
    QFETCH(QString, how);
    QFETCH(QString, what);
    QFETCH(QStringList, typed);
    QFETCH(MsgResult, answer);
    QFETCH(QString, box);
    QTemporaryDir outside;
    TestEnv env;
    // What a parent receives, from a test that then leaves the program folder.
    QString path = outside.path() + u"/Animals.wordaroo"_s;
    const QString made = env.makeTest(u"Test_Animals"_s, {u"cat"_s, u"dog"_s});
    QVERIFY(TestArchive::exportTest(made, path).ok());
    QVERIFY(QDir(made).removeRecursively());
    if (what == u"folder"_s) {
        path = outside.path() + u"/Animals"_s;
        QVERIFY(QDir().mkpath(path));
        TestEnv::writeWave(path + u"/cat.wav"_s);
        TestEnv::writeWave(path + u"/dog.wav"_s);
    } else if (what == u"other"_s) {
        path = outside.path() + u"/Animals.txt"_s;
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    if (!typed.isEmpty()) {
        QFile ini(env.appDir() + u"spell.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[SETTINGS]\nProtect=True\nTheWord=Secret\n");
    }
    auto *login = qobject_cast<frmLogin *>(Forms::show(Windows::Login));
    env.dialogs.inputAnswers = typed;
    env.dialogs.answers = {answer};

    if (how == u"open"_s) {
        login->openShared(path);
    } else {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(login, &enter);
        QCOMPARE(enter.isAccepted(), !box.isEmpty());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted())
            QApplication::sendEvent(login, &drop);
        TestUi::settle();
    }

    QCOMPARE(env.dialogs.prompts.size(), typed.size());
    const bool added = box.startsWith(u"Add"_s) && answer == MsgResult::Yes;
    QCOMPARE(env.dialogs.boxes.size(), box.isEmpty() ? 0 : added ? 2 : 1);
    if (!box.isEmpty())
        QCOMPARE(env.dialogs.boxes.first().text, box);
    if (added)
        QCOMPARE(env.dialogs.boxes.last().text, u"Test_Animals was added with 2 words."_s);
    auto *list = TestUi::child<QListWidget>(login, u"lstTests"_s);
    QCOMPARE(list->count(), added ? 1 : 0);
    if (added)
        QVERIFY(list->item(0)->isSelected());
    QCOMPARE(QDir(env.appDir() + u"Test_Animals"_s).entryList({u"*.wav"_s}),
             added ? QStringList({u"cat.wav"_s, u"dog.wav"_s}) : QStringList());
}

QTEST_MAIN(TestStartSharing)
#include "tst_start_sharing.moc"
