#include "authoring/frmMaint.h"

#include "authoring/progressreport.h"
#include "authoring/testfiles.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "sharingflow/sharedtests.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace
{
// The geometry of the client area and of the panels made here, in twips.
namespace At
{
constexpr int ClientWidth = frmMaint::ClientWidth;
constexpr int ClientHeight = frmMaint::ClientHeight;

constexpr Twips::Box pnlStart{0, -30, 5430, 3885};
constexpr Twips::Box btnMake{900, 75, 4185, 600};
constexpr Twips::Box btnEdit{900, 765, 4185, 600};
constexpr Twips::Box btnOptions{900, 1455, 4185, 600};
constexpr Twips::Box btnProgress{900, 2145, 4185, 600};
constexpr Twips::Box btnExit{900, 2835, 4185, 600};
constexpr Twips::Box Image1{45, 105, 795, 795};

constexpr Twips::Box pnlNewName{0, 0, 5430, 3870};
constexpr Twips::Box Label3{465, 60, 4815, 675};
constexpr Twips::Box txtNewName{435, 750, 4800, 465};
constexpr Twips::Box btnNewNext{3870, 3000, 1440, 420};

constexpr Twips::Box pnlSelectTest{0, 30, 5700, 3315};
constexpr Twips::Box Label2{555, 60, 4890, 660};
constexpr Twips::Box LstTests{525, 420, 3075, 2460};
constexpr Twips::Box btnDeleteTest{3720, 405, 1515, 420};
constexpr Twips::Box btnEditTest{3720, 945, 1515, 420};
constexpr Twips::Box btnCancelSelect{3720, 1485, 1515, 420};
// Below the list: sharing is not editing, so it keeps apart from the column.
constexpr Twips::Box btnShareTest{525, 2955, 1500, 360};
constexpr Twips::Box btnAddShared{2100, 2955, 3135, 360};

constexpr Twips::Box pnlWordList{0, 30, 5415, 3915};
constexpr Twips::Box Label14{-30, 60, 5310, 315};
constexpr Twips::Box List1{60, 435, 3195, 2400};
constexpr Twips::Box btnAddWord{3360, 450, 1980, 495};
constexpr Twips::Box btnDelWord{3360, 1050, 1980, 495};
constexpr Twips::Box btnReRecordWord{3360, 1650, 1980, 495};
constexpr Twips::Box btnFinishNewTest{3375, 2250, 1980, 495};

// Point sizes: the buttons (bold), the prompts, the list of tests.
constexpr double ButtonPoints = 9.75;
constexpr double PromptPoints = 12;
constexpr double TestsPoints = 9.75;
} // namespace At

QString art(const char *name)
{
    return QStringLiteral(":/art/") + QLatin1String(name) + QStringLiteral(".svg");
}
} // namespace

frmMaint::frmMaint(AppContext &context, QWidget *parent) : Form(Windows::Maint, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Wordaroo Configuration"));
    setFont(Fonts::sized(Fonts::DefaultPoints));

    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false); // the client area lies below it in every desktop
    mnuHelp = menuBar->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));

    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setClientTwips(At::ClientWidth, At::ClientHeight);

    MMControl1 = new MMControl(this);

    buildStartPanels();
    buildWordPanels();
    buildOptionsPanel();
    buildProgressPanel();
    connectHandlers();

    // At design time only the start panel is on screen.
    Panels::show(pnlStart);
    for (QWidget *p : {pnlNewName, pnlSelectTest, pnlWordList, pnlTypeWord, pnlRecord, pnlReviewSound})
        Panels::hide(p);
    Panels::hide(pnlOptions, Panels::OffLeftNear);
    Panels::hide(pnlProgress);

    Form_Load();
}

frmMaint::~frmMaint() = default;

void frmMaint::setClientTwips(int width, int height)
{
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, Twips::px(width), menuHeight);
    client->setGeometry(0, menuHeight, Twips::px(width), Twips::px(height));
    setFixedSize(Twips::px(width), menuHeight + Twips::px(height));
}

void frmMaint::buildStartPanels()
{
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    const QFont promptFont = Fonts::sized(At::PromptPoints);

    pnlStart = Ui::panel(client, QStringLiteral("pnlStart"), At::pnlStart);
    btnMake = Ui::pictureButton(pnlStart, QStringLiteral("btnMake"), QStringLiteral("Make a New Spelling Test"),
                                art("maint_make"), At::btnMake);
    btnEdit = Ui::pictureButton(pnlStart, QStringLiteral("btnEdit"), QStringLiteral("Edit or Delete Existing Test"),
                                art("maint_edit"), At::btnEdit);
    btnOptions = Ui::pictureButton(pnlStart, QStringLiteral("btnOptions"), QStringLiteral("Change Wordaroo Options"),
                                   art("maint_options"), At::btnOptions);
    btnProgress =
        Ui::pictureButton(pnlStart, QStringLiteral("btnProgress"), QStringLiteral("See How the Children Are Doing"),
                          art("maint_progress"), At::btnProgress);
    btnExit = Ui::pictureButton(pnlStart, QStringLiteral("btnExit"), QStringLiteral("Exit back to Wordaroo"),
                                art("maint_exit"), At::btnExit);
    for (QPushButton *b : {btnMake, btnEdit, btnOptions, btnProgress, btnExit})
        b->setFont(buttonFont);
    Image1 = Ui::picture(pnlStart, QStringLiteral("Image1"), art("maint_image"), At::Image1);
    Image1->setAccessibleName(QStringLiteral("Wordaroo configuration picture"));

    pnlNewName = Ui::panel(client, QStringLiteral("pnlNewName"), At::pnlNewName);
    Label3 = Ui::label(pnlNewName, QStringLiteral("Label3"),
                       QStringLiteral("Please type the new test name below and then press ENTER"), At::Label3);
    Label3->setFont(promptFont);
    txtNewName = Ui::textBox(pnlNewName, QStringLiteral("txtNewName"), At::txtNewName);
    txtNewName->setAccessibleName(QStringLiteral("New test name"));
    txtNewName->setFont(promptFont);
    btnNewNext = Ui::button(pnlNewName, QStringLiteral("btnNewNext"), QStringLiteral("Next"), At::btnNewNext);
    btnNewNext->setFont(buttonFont);

    pnlSelectTest = Ui::panel(client, QStringLiteral("pnlSelectTest"), At::pnlSelectTest);
    Label2 = Ui::label(pnlSelectTest, QStringLiteral("Label2"),
                       QStringLiteral("Select the test you want to edit or delete:"), At::Label2);
    Label2->setFont(promptFont);
    LstTests = Ui::list(pnlSelectTest, QStringLiteral("LstTests"), At::LstTests);
    LstTests->setAccessibleName(QStringLiteral("Tests"));
    LstTests->setFont(Fonts::sized(At::TestsPoints));
    btnDeleteTest =
        Ui::button(pnlSelectTest, QStringLiteral("btnDeleteTest"), QStringLiteral("Delete Test"), At::btnDeleteTest);
    btnEditTest =
        Ui::button(pnlSelectTest, QStringLiteral("btnEditTest"), QStringLiteral("Edit Test"), At::btnEditTest);
    btnCancelSelect =
        Ui::button(pnlSelectTest, QStringLiteral("btnCancelSelect"), QStringLiteral("Cancel"), At::btnCancelSelect);
    btnShareTest =
        Ui::button(pnlSelectTest, QStringLiteral("btnShareTest"), QStringLiteral("Share Test..."), At::btnShareTest);
    btnAddShared = Ui::button(pnlSelectTest, QStringLiteral("btnAddShared"), QStringLiteral("Add a Shared Test..."),
                              At::btnAddShared);
    for (QPushButton *b : {btnDeleteTest, btnEditTest, btnCancelSelect, btnShareTest, btnAddShared})
        b->setFont(buttonFont);
    // The prompt label lies under the list's top edge; the list stays clickable.
    LstTests->raise();

    pnlWordList = Ui::panel(client, QStringLiteral("pnlWordList"), At::pnlWordList);
    Label14 = Ui::label(pnlWordList, QStringLiteral("Label14"), QStringLiteral("Press ENTER to add another word."),
                        At::Label14);
    Label14->setFont(promptFont);
    Label14->setIndent(3); // the label starts left of the panel: keep its first letter whole
    List1 = Ui::list(pnlWordList, QStringLiteral("List1"), At::List1);
    List1->setAccessibleName(QStringLiteral("Words of the test"));
    btnAddWord = Ui::button(pnlWordList, QStringLiteral("btnAddWord"), QStringLiteral("&Add Word"), At::btnAddWord);
    btnDelWord = Ui::button(pnlWordList, QStringLiteral("btnDelWord"), QStringLiteral("&Delete Word"), At::btnDelWord);
    btnReRecordWord = Ui::button(pnlWordList, QStringLiteral("btnReRecordWord"), QStringLiteral("&Re-Record Word"),
                                 At::btnReRecordWord);
    btnFinishNewTest = Ui::button(pnlWordList, QStringLiteral("btnFinishNewTest"), QStringLiteral("&Finish Test"),
                                  At::btnFinishNewTest);
    for (QPushButton *b : {btnAddWord, btnDelWord, btnReRecordWord, btnFinishNewTest})
        b->setFont(buttonFont);
}

void frmMaint::connectHandlers()
{
    connect(mnuHelp, &QAction::triggered, this, &frmMaint::mnuHelp_Click);
    const std::pair<QPushButton *, void (frmMaint::*)()> handlers[] = {
        {btnMake, &frmMaint::btnMake_Click},
        {btnNewNext, &frmMaint::btnNewNext_Click},
        {btnEdit, &frmMaint::btnEdit_Click},
        {btnEditTest, &frmMaint::btnEditTest_Click},
        {btnDeleteTest, &frmMaint::btnDeleteTest_Click},
        {btnCancelSelect, &frmMaint::btnCancelSelect_Click},
        {btnShareTest, &frmMaint::btnShareTest_Click},
        {btnAddShared, &frmMaint::btnAddShared_Click},
        {btnFinishNewTest, &frmMaint::btnFinishNewTest_Click},
        {btnExit, &frmMaint::btnExit_Click},
        {btnAddWord, &frmMaint::btnAddWord_Click},
        {btnRecordWord, &frmMaint::btnRecordWord_Click},
        {btnBeginRecord, &frmMaint::btnBeginRecord_Click},
        {btnListen, &frmMaint::btnListen_Click},
        {btnReRecord, &frmMaint::btnReRecord_Click},
        {btnSaveWord, &frmMaint::btnSaveWord_Click},
        {btnReRecordWord, &frmMaint::btnReRecordWord_Click},
        {btnDelWord, &frmMaint::btnDelWord_Click},
        {btnOptions, &frmMaint::btnOptions_Click},
        {btnSaveOptions, &frmMaint::btnSaveOptions_Click},
        {btnCancelOptions, &frmMaint::btnCancelOptions_Click},
        {btnAddChild, &frmMaint::btnAddChild_Click},
        {btnRemoveChild, &frmMaint::btnRemoveChild_Click},
        {btnProgress, &frmMaint::btnProgress_Click},
    };
    for (const auto &[button, slot] : handlers)
        connect(button, &QPushButton::clicked, this, slot);
    connect(tmrLevel, &QTimer::timeout, this, &frmMaint::tmrLevel_Timer);
    // A test added here (or anywhere else) is listed at once.
    connect(&m_ctx.catalogue, &TestCatalogue::changed, this, &frmMaint::LoadTests);

    // On a panel with an ENTER button, ENTER presses that button wherever the focus
    // is; only the start and select panels, which have none, let ENTER press the
    // button that has the focus.
    for (QWidget *panel : {pnlNewName, pnlWordList, pnlTypeWord, pnlRecord, pnlReviewSound, pnlOptions})
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            b->setAutoDefault(false);
}

void frmMaint::Form_Load()
{
    MMControl1->Notify = false;
    MMControl1->Wait = true;
    MMControl1->Shareable = false;
    MMControl1->DeviceType = QStringLiteral("WaveAudio");

    Ui::centreOnScreen(this);

    // Listed, but nothing selected until the user picks a test.
    TestLibrary::fillTestList(LstTests, TestLibrary::listTests(m_ctx.AppDir));
}

void frmMaint::LoadTests()
{
    if (TestLibrary::fillTestList(LstTests, TestLibrary::listTests(m_ctx.AppDir)))
        LstTests->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

QPushButton *frmMaint::enterButton() const
{
    for (QPushButton *b : findChildren<QPushButton *>())
        if (b->isDefault())
            return b;
    return nullptr;
}

void frmMaint::setEnterButton(QPushButton *button)
{
    for (QPushButton *b : findChildren<QPushButton *>())
        if (b != button && b->isDefault())
            b->setDefault(false);
    if (button)
        button->setDefault(true);
}

bool frmMaint::selectedText(QListWidget *list, QString &text)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    if (items.isEmpty())
        return false;
    text = items.first()->text();
    return true;
}

void frmMaint::btnMake_Click()
{
    Panels::show(pnlNewName);
    Panels::hide(pnlStart);
    setEnterButton(btnNewNext);
    txtNewName->setFocus();
}

void frmMaint::btnNewNext_Click()
{
    const QString name = TestFiles::trimBlanks(txtNewName->text());
    QStringList listed;
    for (int i = 0; i < LstTests->count(); ++i)
        listed << LstTests->item(i)->text();

    const QString folder = TestLibrary::TestPrefix + name;
    const TestFiles::Check check = TestFiles::checkTestName(m_ctx.AppDir, name, listed);
    switch (check.verdict) {
    case TestFiles::Verdict::Empty:
        MsgBox(QStringLiteral("A test name is required for creating a new spelling test."), MsgButtons::Ok,
               MsgIcon::Information);
        return;
    case TestFiles::Verdict::Listed:
        MsgBox(QStringLiteral("The test: ") + name + QStringLiteral(" already exists.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::Unsafe:
        MsgBox(QStringLiteral("The test name \"") + TestFiles::printable(name) +
                   QStringLiteral("\" cannot be used.\n") + check.reason +
                   QStringLiteral("\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::OnDisk:
        MsgBox(QStringLiteral("The program folder already holds \"") + folder +
                   QStringLiteral("\", which is not listed as a test.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::Ok:
        break;
    }

    const QString path = m_ctx.AppDir + folder;
    if (!QDir(m_ctx.AppDir).mkdir(folder)) {
        MsgBox(QStringLiteral("The test \"") + name +
                   QStringLiteral("\" could not be created in the program folder.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    m_ctx.setTestDir(path + QLatin1Char('/'));
    TestLibrary::addSorted(LstTests, folder);
    List1->clear();

    Panels::show(pnlTypeWord);
    Panels::hide(pnlNewName);
    setEnterButton(btnRecordWord);
    txtWord->setFocus();
}

void frmMaint::btnEdit_Click()
{
    LoadTests();
    Panels::show(pnlSelectTest);
    Panels::hide(pnlStart);
    setEnterButton(nullptr);
}

void frmMaint::btnEditTest_Click()
{
    QString entry;
    if (!selectedText(LstTests, entry))
        return;
    if (TestFiles::isMadeByProgram(entry)) {
        MsgBox(TestFiles::MadeByProgram);
        return;
    }
    Panels::show(pnlWordList);
    Panels::hide(pnlSelectTest);
    setEnterButton(btnAddWord);
    m_ctx.setTestDir(m_ctx.AppDir + entry + QLatin1Char('/'));
    Module1::LoadWordList(List1, m_ctx.TestDir());
    decorateAll();
}

void frmMaint::btnDeleteTest_Click()
{
    QString entry;
    if (!selectedText(LstTests, entry))
        return;
    if (TestFiles::isMadeByProgram(entry)) {
        MsgBox(TestFiles::MadeByProgram);
        return;
    }
    // A protected built-in test of that exact name is never deleted.
    if (entry == QLatin1String("Test1")) {
        MsgBox(QStringLiteral("You can't delete Test1"));
        return;
    }
    if (MsgBox(QStringLiteral("Are you sure you want to delete\n\n") + entry.trimmed(), MsgButtons::YesNo,
               MsgIcon::Question, QStringLiteral("Delete Test")) != MsgResult::Yes)
        return;

    // No word file of the test may stay open in the device.
    MMControl1->setCommand(QStringLiteral("Close"));

    const TestFiles::Removal r = TestFiles::removeTest(m_ctx.AppDir, entry);
    QDir::setCurrent(m_ctx.AppDir);
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

void frmMaint::btnCancelSelect_Click()
{
    Panels::show(pnlStart);
    Panels::hide(pnlSelectTest);
    setEnterButton(nullptr);
}

void frmMaint::btnShareTest_Click()
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
        SharedTests::share(m_ctx, entry, file);
}

void frmMaint::btnAddShared_Click()
{
    const QString file =
        OpenFileBox(QStringLiteral("Add a Shared Test"), SharedTests::documentsFolder(), SharedTests::FileFilter);
    if (file.isEmpty())
        return;
    // A test that is replaced may be the one whose word is open in the device.
    MMControl1->setCommand(QStringLiteral("Close"));
    const QString added = SharedTests::add(m_ctx, file, SharedTests::Ask::No);
    // The list was filled again when the tests changed; the new test is selected.
    const QList<QListWidgetItem *> found = LstTests->findItems(added, Qt::MatchExactly);
    if (!added.isEmpty() && !found.isEmpty())
        LstTests->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
}

void frmMaint::btnFinishNewTest_Click()
{
    Panels::show(pnlStart);
    Panels::hide(pnlWordList);
    setEnterButton(nullptr);
}

void frmMaint::btnExit_Click()
{
    close();
}

void frmMaint::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    stopLevelMeter();
    // The start window lists the tests again (a new one at once, a deleted one gone)
    // and comes back.
    Q_EMIT m_ctx.catalogue.changed();
    if (Form *login = Forms::find(Windows::Login))
        login->show();
}

void frmMaint::mnuHelp_Click()
{
    dialogs().showHelp(this, QStringLiteral("Spell.HLP"));
}
