// The arcade chooser: hidden (not closed) while a game runs, back when it ends, and
// its Exit (or close box) closes it before the activity menu comes.
#include "arcade/frmArcadeSelect.h"
#include "arcade/frmRain.h"
#include "arcade/frmScramble.h"
#include "arcadetest.h"
#include "core/ui/widgets.h"

#include <QPointer>
#include <QPushButton>

class tst_ArcadeSelect : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void cleanup() { TestUi::closeAllWindows(); }

    void professorSpeaksTheDirections()
    {
        ArcadeWorld world({QStringLiteral("owl")});
        auto *w = qobject_cast<frmArcadeSelect *>(Forms::show(Windows::ArcadeSelect));
        Q_EMIT w->picProf->clicked();
        QCOMPARE(world.env.sound.played(), QStringList{world.env.appDir() + QStringLiteral("arcadedir.wav")});
    }

    void hiddenWhileAGameRuns_data()
    {
        QTest::addColumn<QString>("game");
        QTest::newRow("Raining Words") << QStringLiteral("frmRain");
        QTest::newRow("Scramble") << QStringLiteral("frmScramble");
    }
    void hiddenWhileAGameRuns()
    {
        QFETCH(QString, game);
        ArcadeWorld world({QStringLiteral("owl"), QStringLiteral("bat")});
        auto *w = qobject_cast<frmArcadeSelect *>(Forms::show(Windows::ArcadeSelect));
        const QPointer<frmArcadeSelect> chooser(w);
        QPushButton *button = game == QLatin1String("frmRain") ? w->btnRain : w->btnScramble;
        TestUi::click(button);
        QVERIFY(w->isHidden());
        QVERIFY(w->isLoaded());
        Form *first = Forms::find(game);
        QVERIFY(first && first->isVisible());
        const QPointer<Form> firstGuard(first);
        // Leave the game: the same chooser comes back.
        QPushButton *leave = first->findChild<QPushButton *>(
            game == QLatin1String("frmRain") ? QStringLiteral("Command4") : QStringLiteral("btnExit"));
        TestUi::click(leave);
        TestUi::settle();
        QVERIFY(chooser);
        QVERIFY(w->isVisible());
        QVERIFY(!firstGuard); // the game window was discarded
        QCOMPARE(Forms::loaded().count(w), 1);
        // The same game again is a new window.
        TestUi::click(button);
        Form *second = Forms::find(game);
        QVERIFY(second && second->isVisible());
        if (auto *rain = qobject_cast<frmRain *>(second))
            QVERIFY(Panels::isShown(rain->pnlStart) && rain->Score == 0);
        if (auto *scramble = qobject_cast<frmScramble *>(second))
            QVERIFY(Panels::isShown(scramble->pnlStart) && scramble->Score == 0);
        QCOMPARE(Forms::loaded().count(second), 1);
    }

    void exitClosesBeforeTheMenuComes_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit") << false;
        QTest::newRow("close box") << true;
    }
    void exitClosesBeforeTheMenuComes()
    {
        QFETCH(bool, closeBox);
        ArcadeWorld world({QStringLiteral("owl")});
        bool chooserLoadedWhenMenuCame = true;
        int menus = 0;
        Forms::registerFactory(Windows::Choice, [&] {
            chooserLoadedWhenMenuCame = Forms::find(Windows::ArcadeSelect) != nullptr;
            ++menus;
            return new Form(Windows::Choice);
        });
        auto *w = qobject_cast<frmArcadeSelect *>(Forms::show(Windows::ArcadeSelect));
        if (closeBox)
            w->close();
        else
            TestUi::click(w->btnExit);
        TestUi::settle();
        QCOMPARE(menus, 1);
        QVERIFY(!chooserLoadedWhenMenuCame);
        QVERIFY(!Forms::find(Windows::ArcadeSelect));
        QVERIFY(Forms::find(Windows::Choice)->isVisible());
    }
};

QTEST_MAIN(tst_ArcadeSelect)
#include "tst_arcadeselect.moc"
