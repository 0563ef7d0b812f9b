// The letters chosen for a child in the options reach the boxes that child types in,
// and only that child's.
#include "authoring/frmMaint.h"
#include "authoring/optionspanel.h"
#include "authoring/register.h"
#include "authoring/startpanel.h"
#include "core/platform/forms.h"
#include "history/historystore.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

class TestLetters : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        Authoring::registerWindows();
        Learning::registerWindows();
    }

    void choiceReachesTheAnswerBox_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<bool>("chosen"); // one child's letters are chosen; nobody else's
        QTest::newRow("Zoë = Ann, who chose them") << u"Zoë = Ann"_s << true;
        QTest::newRow("Ben") << u"Ben"_s << false;
        QTest::newRow("no child chosen") << QString() << false;
    }
    void choiceReachesTheAnswerBox()
    {
        QFETCH(QString, child);
        QFETCH(bool, chosen);
        if (!QFontDatabase::hasFamily(u"Andika"_s))
            QSKIP("Andika is not installed (fonts-sil-andika)");
        TestEnv env;
        HistoryStore store(env.appDir());
        env.history.install(&store);
        QCOMPARE(store.addChild(u"Ben"_s), QString());
        QCOMPARE(store.addChild(u"Zoë = Ann"_s), QString());
        env.makePrompts();
        env.makeTest(u"Test_Words"_s, {u"because"_s});
        env.context.selectTest(u"Test_Words"_s);

        // The letters of a child whose name holds what a settings line must not, chosen in the
        // options and saved.
        auto *maint = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        QVERIFY(maint);
        TestUi::click(maint->pnlStart->btnOptions);
        OptionsPanel *options = maint->pnlOptions;
        const QList<QListWidgetItem *> ann = options->lstChildren->findItems(u"Zoë = Ann"_s, Qt::MatchExactly);
        QCOMPARE(ann.size(), 1);
        options->lstChildren->setCurrentItem(ann.first());
        options->cboLetters->setCurrentText(u"Andika"_s);
        options->cboSpacing->setCurrentText(u"Wide"_s);
        options->cboSize->setCurrentText(u"125%"_s);
        TestUi::click(options->btnSaveOptions);
        maint->close();
        TestUi::settle();

        env.history.setChild(child);
        auto *test = qobject_cast<frmTest *>(Forms::show(Windows::Test));
        QVERIFY(test);
        const QFont font = test->txtWord->font();
        QCOMPARE(QFontInfo(font).family() == u"Andika"_s, chosen);
        QCOMPARE(font.letterSpacingType() == QFont::PercentageSpacing && font.letterSpacing() == 120.0, chosen);
        QCOMPARE(font.pointSizeF(), chosen ? 15.0 : 12.0);
    }
};

QTEST_MAIN(TestLetters)
#include "tst_letters.moc"
