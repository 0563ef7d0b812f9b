#include "authoring/selecttestpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/classteacher.h"
#include "authoring/testfiles.h"
#include "classroom/classtests.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "sharingflow/sharedtests.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlSelectTest{0, 30, 5700, 3315};
constexpr Twips::Box Label2{555, 60, 4890, 660};
constexpr Twips::Box LstTests{525, 420, 3075, 2460};
constexpr Twips::Box btnDeleteTest{3720, 405, 1515, 420};
constexpr Twips::Box btnEditTest{3720, 945, 1515, 420};
constexpr Twips::Box btnCancelSelect{3720, 1485, 1515, 420};
// Below the list: sharing is not editing, so it keeps apart from the column.
constexpr Twips::Box btnShareTest{525, 2955, 1500, 360};
constexpr Twips::Box btnAddShared{2100, 2955, 3135, 360};
// The class column, under the editing one, only with a class server set.
constexpr Twips::Box btnPublish{3720, 1980, 1860, 300};
constexpr Twips::Box btnWithdraw{3720, 2300, 1860, 300};
constexpr Twips::Box btnAssign{3720, 2620, 1860, 300};
constexpr double ClassButtonPoints = 8.25;

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
constexpr double TestsPoints = 9.75;
} // namespace At
} // namespace

SelectTestPanel::SelectTestPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlSelectTest"), At::pnlSelectTest)
{
    Label2 = Ui::label(this, QStringLiteral("Label2"), QStringLiteral("Select the test you want to edit or delete:"),
                       At::Label2);
    Label2->setFont(Fonts::sized(At::PromptPoints));
    LstTests = Ui::list(this, QStringLiteral("LstTests"), At::LstTests);
    LstTests->setAccessibleName(QStringLiteral("Tests"));
    LstTests->setFont(Fonts::sized(At::TestsPoints));
    btnDeleteTest = Ui::button(this, QStringLiteral("btnDeleteTest"), QStringLiteral("Delete Test"), At::btnDeleteTest);
    btnEditTest = Ui::button(this, QStringLiteral("btnEditTest"), QStringLiteral("Edit Test"), At::btnEditTest);
    btnCancelSelect =
        Ui::button(this, QStringLiteral("btnCancelSelect"), QStringLiteral("Cancel"), At::btnCancelSelect);
    btnShareTest = Ui::button(this, QStringLiteral("btnShareTest"), QStringLiteral("Share Test..."), At::btnShareTest);
    btnAddShared =
        Ui::button(this, QStringLiteral("btnAddShared"), QStringLiteral("Add a Shared Test..."), At::btnAddShared);
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    for (QPushButton *b : {btnDeleteTest, btnEditTest, btnCancelSelect, btnShareTest, btnAddShared})
        b->setFont(buttonFont);
    btnPublish = Ui::button(this, QStringLiteral("btnPublish"), QStringLiteral("Publish to the Class"), At::btnPublish);
    btnWithdraw =
        Ui::button(this, QStringLiteral("btnWithdraw"), QStringLiteral("Withdraw from the Class"), At::btnWithdraw);
    btnAssign = Ui::button(this, QStringLiteral("btnAssign"), QStringLiteral("Assign..."), At::btnAssign);
    for (QPushButton *b : {btnPublish, btnWithdraw, btnAssign}) {
        b->setFont(Fonts::sized(At::ClassButtonPoints, true));
        b->setVisible(ClassTeacher::inClass(ctx()));
    }
    connect(btnPublish, &QPushButton::clicked, this, &SelectTestPanel::btnPublish_Click);
    connect(btnWithdraw, &QPushButton::clicked, this, &SelectTestPanel::btnWithdraw_Click);
    connect(btnAssign, &QPushButton::clicked, this, &SelectTestPanel::btnAssign_Click);
    // The prompt label lies under the list's top edge; the list stays clickable.
    LstTests->raise();

    connect(btnDeleteTest, &QPushButton::clicked, this, &SelectTestPanel::btnDeleteTest_Click);
    connect(btnEditTest, &QPushButton::clicked, this, &SelectTestPanel::btnEditTest_Click);
    connect(btnCancelSelect, &QPushButton::clicked, this, &SelectTestPanel::btnCancelSelect_Click);
    connect(btnShareTest, &QPushButton::clicked, this, &SelectTestPanel::btnShareTest_Click);
    connect(btnAddShared, &QPushButton::clicked, this, &SelectTestPanel::btnAddShared_Click);
    // A test added here (or anywhere else) is listed at once.
    connect(&ctx().catalogue, &TestCatalogue::changed, this, &SelectTestPanel::LoadTests);

    // Listed, but nothing selected until the user picks a test.
    TestLibrary::fillTestList(LstTests, TestLibrary::listTests(ctx().AppDir));
}

QStringList SelectTestPanel::listedTests() const
{
    return entries(LstTests);
}

void SelectTestPanel::addTest(const QString &entry)
{
    TestLibrary::addSorted(LstTests, entry);
}

void SelectTestPanel::LoadTests()
{
    for (QPushButton *b : {btnPublish, btnWithdraw, btnAssign})
        b->setVisible(ClassTeacher::inClass(ctx()));
    if (TestLibrary::fillTestList(LstTests, TestLibrary::listTests(ctx().AppDir)))
        LstTests->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

bool SelectTestPanel::selectedOwnTest(QString &entry)
{
    if (!selectedText(LstTests, entry))
        return false;
    // The tricky-words test is remade from the history: changing it by hand would be lost.
    if (TestFiles::isMadeByProgram(ctx().AppDir, entry)) {
        MsgBox(TestFiles::MadeByProgram);
        return false;
    }
    // A class test is the teacher's: a change here would be undone by the next fetch.
    if (!ClassTests::fetchedName(ctx().AppDir, entry).isEmpty()) {
        MsgBox(ClassTests::cannotChange(entry), MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    return true;
}

void SelectTestPanel::btnEditTest_Click()
{
    QString entry;
    if (!selectedOwnTest(entry))
        return;
    ctx().setTestDir(ctx().AppDir + entry + QLatin1Char('/'));
    session().setTest(entry);
    Q_EMIT testChosen();
    Q_EMIT switchTo(MaintPage::WordList);
}

void SelectTestPanel::btnDeleteTest_Click()
{
    QString entry;
    if (!selectedOwnTest(entry))
        return;
    // A protected built-in test of that exact name is never deleted.
    if (entry == QLatin1String("Test1")) {
        MsgBox(QStringLiteral("You can't delete Test1"));
        return;
    }
    if (MsgBox(QStringLiteral("Are you sure you want to delete\n\n") + entry.trimmed(), MsgButtons::YesNo,
               MsgIcon::Question, QStringLiteral("Delete Test")) != MsgResult::Yes)
        return;

    // No word file of the test may stay open in the device.
    device().setCommand(QStringLiteral("Close"));

    const TestFiles::Removal r = TestFiles::removeTest(ctx().AppDir, entry);
    QDir::setCurrent(ctx().AppDir);
    LoadTests();

    if (!r.subFolders.isEmpty()) {
        MsgBox(QStringLiteral("The test ") + entry.trimmed() +
                   QStringLiteral(" was not deleted, because its folder holds other folders:\n") +
                   r.subFolders.join(QStringLiteral(", ")),
               MsgButtons::Ok, MsgIcon::Exclamation);
    } else if (!r.leftOver.isEmpty()) {
        MsgBox(QStringLiteral("The test ") + entry.trimmed() +
                   QStringLiteral(" could not be deleted completely. These files are still there:\n") +
                   r.leftOver.join(QStringLiteral(", ")),
               MsgButtons::Ok, MsgIcon::Exclamation);
    } else if (!r.removed) {
        MsgBox(QStringLiteral("The test ") + entry.trimmed() + QStringLiteral(" could not be deleted.\n") + r.error,
               MsgButtons::Ok, MsgIcon::Exclamation);
    }
}

void SelectTestPanel::btnCancelSelect_Click()
{
    Q_EMIT switchTo(MaintPage::Start);
}

void SelectTestPanel::btnShareTest_Click()
{
    QString entry;
    if (!selectedText(LstTests, entry)) {
        MsgBox(QStringLiteral("Please select the test you want to share."), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const QString file =
        SaveFileBox(QStringLiteral("Share Test"), SharedTests::suggestedFile(SharedTests::documentsFolder(), entry),
                    SharedTests::FileFilter);
    if (!file.isEmpty())
        SharedTests::share(ctx(), entry, file);
}

void SelectTestPanel::btnAddShared_Click()
{
    const QString file =
        OpenFileBox(QStringLiteral("Add a Shared Test"), SharedTests::documentsFolder(), SharedTests::FileFilter);
    if (file.isEmpty())
        return;
    // A test that is replaced may be the one whose word is open in the device.
    device().setCommand(QStringLiteral("Close"));
    const QString added = SharedTests::add(ctx(), file, SharedTests::Ask::No);
    // The list was filled again when the tests changed; the new test is selected.
    const QList<QListWidgetItem *> found = LstTests->findItems(added, Qt::MatchExactly);
    if (!added.isEmpty() && !found.isEmpty())
        LstTests->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
}

void SelectTestPanel::btnPublish_Click()
{
    QString entry;
    if (!selectedOwnTest(entry))
        return;
    const QString title = QStringLiteral("Publish to the Class");
    int version = 0;
    const QString dir = ctx().AppDir;
    if (ClassTeacher::act(form(), ctx(), title, QStringLiteral("The test was not published now: "),
                          [=, &version](const ClassSettings &s, const QString &password) {
                              return ClassTests::publish(s, password, dir, entry, &version);
                          }))
        MsgBox(QStringLiteral("%1 is published to the class (version %2).").arg(entry).arg(version), MsgButtons::Ok,
               MsgIcon::Information, title);
}

void SelectTestPanel::btnWithdraw_Click()
{
    QString entry;
    if (!selectedOwnTest(entry))
        return;
    const QString title = QStringLiteral("Withdraw from the Class");
    const QString dir = ctx().AppDir;
    if (ClassTeacher::act(form(), ctx(), title, QStringLiteral("The test was not withdrawn now: "),
                          [=](const ClassSettings &s, const QString &password) {
                              return ClassTests::withdraw(s, password, dir, entry);
                          }))
        MsgBox(QStringLiteral("%1 is withdrawn from the class.").arg(entry), MsgButtons::Ok, MsgIcon::Information,
               title);
}

void SelectTestPanel::btnAssign_Click()
{
    Q_EMIT switchTo(MaintPage::Assign);
}
