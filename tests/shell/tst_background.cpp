// The background window: how it looks, and to whom it hands the focus back.
#include "core/platform/forms.h"
#include "shell/frmBack.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// A plain program window with a caption, shown or not.
Form *window(const QString &name, const QString &caption, bool visible)
{
    auto *f = new Form(name);
    f->setWindowTitle(caption);
    f->resize(200, 100);
    if (visible)
        f->show();
    return f;
}
} // namespace

class TestBackground : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { Shell::registerWindows(); }
    void looks();
    void handBack_data();
    void handBack();
    void handBackOnActivation();
};

void TestBackground::looks()
{
    TestEnv env;
    auto *back = qobject_cast<frmBack *>(Forms::show(Windows::Back));
    QVERIFY(back);
    QCOMPARE(back->windowTitle(), QStringLiteral("Wordaroo!"));
    QVERIFY(back->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(back->palette().color(QPalette::Window), QColor(0, 0, 128));
    QVERIFY(back->windowState() & Qt::WindowMaximized);
    QCOMPARE(back->geometry(), back->screen()->geometry());
}

void TestBackground::handBack_data()
{
    // The windows loaded after the start window and the background, in load order:
    // "name:caption:visible". The start window is always index 0.
    QTest::addColumn<bool>("startVisible");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QString>("target"); // empty: nobody

    QTest::newRow("start window wins when visible") << true << QStringList{u"frmChoice:Your Choice:1"_s} << "frmLogin";
    QTest::newRow("first visible after hidden start")
        << false << QStringList{u"frmA:A:0"_s, u"frmB:B:1"_s, u"frmC:C:1"_s} << "frmB";
    QTest::newRow("own caption skipped") << false << QStringList{u"frmTwin:Wordaroo!:1"_s, u"frmC:C:1"_s} << "frmC";
    QTest::newRow("nobody visible") << false << QStringList{u"frmA:A:0"_s} << QString();
    QTest::newRow("only the twin visible") << false << QStringList{u"frmTwin:Wordaroo!:1"_s} << QString();
}

void TestBackground::handBack()
{
    QFETCH(bool, startVisible);
    QFETCH(QStringList, others);
    QFETCH(QString, target);
    TestEnv env;
    Form *start = window(QStringLiteral("frmLogin"), QStringLiteral("Wordaroo"), startVisible);
    auto *back = qobject_cast<frmBack *>(Forms::show(Windows::Back));
    for (const QString &spec : others) {
        const QStringList p = spec.split(QLatin1Char(':'));
        window(p.at(0), p.at(1), p.at(2) == QLatin1String("1"));
    }
    QCOMPARE(Forms::loaded().first(), start);

    Form *expected = target.isEmpty() ? nullptr : Forms::find(target);
    QCOMPARE(back->handBackTarget(), expected);

    // A click on the background gives that window the focus, or changes nothing.
    TestUi::settle(20);
    QWidget *before = QApplication::activeWindow();
    QTest::mouseClick(back, Qt::LeftButton, {}, QPoint(back->width() / 2, back->height() / 2));
    if (expected) {
        QTRY_COMPARE(QApplication::activeWindow(), expected);
    } else {
        TestUi::settle(20);
        QCOMPARE(QApplication::activeWindow(), before);
    }
}

void TestBackground::handBackOnActivation()
{
    TestEnv env;
    auto *back = qobject_cast<frmBack *>(Forms::show(Windows::Back));
    Form *menu = window(QStringLiteral("frmChoice"), QStringLiteral("Your Choice"), true);
    menu->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), menu);

    back->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), menu);
}

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
