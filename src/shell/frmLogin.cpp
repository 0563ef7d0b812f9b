#include "shell/frmLogin.h"

#include "classroom/classtests.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/settings.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"
#include "sharingflow/sharedtests.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace
{
// The window's sizes are outer sizes (frame included). They are turned into a client
// size for a fixed dialog frame of 3 px borders and a 19 px title bar; the menu bar
// lies outside the controls' client area, above it, and is added on top.
constexpr int FrameTwips = 2 * 45;
constexpr int TitleTwips = 285;
constexpr int MenuTwips = 300;
constexpr int clientWidth(int outer)
{
    return outer - FrameTwips;
}
constexpr int clientHeight(int outer)
{
    return outer - FrameTwips - TitleTwips - MenuTwips;
}

// The controls' geometry in twips, inside the client area below the menu bar.
namespace At
{
constexpr Twips::Box Image1{480, 330, 480, 480};
constexpr Twips::Box Label1{1440, -15, 3795, 1305};
constexpr Twips::Box Label2{180, 1365, 4395, 315};
constexpr Twips::Box lstTests{150, 1680, 4155, 3360};
constexpr Twips::Box Picture1{4470, 1770, 1830, 2250};
constexpr Twips::Box btnOK{4425, 4020, 2235, 465};
constexpr Twips::Box btnSeeWords{4410, 4545, 2235, 465};
constexpr Twips::Box lstWords{6765, 0, 2025, 4935}; // beyond the collapsed width

// With a child to choose, the drop-down and its label take the top of the list's place.
constexpr Twips::Box lblChild{180, 1365, 4125, 285};
constexpr Twips::Box cboChild{150, 1650, 4155, 360};
constexpr Twips::Box Label2WithChild{180, 2070, 4395, 315};
constexpr Twips::Box lstTestsWithChild{150, 2385, 4155, 2655};
// A class's tests to do, under the list.
constexpr Twips::Box lblToDo{150, 5040, 6500, 235};
constexpr double ToDoPoints = 8.25;

// Point sizes: the welcome, the prompt over the list, the list.
constexpr double WelcomePoints = 26.25;
constexpr double PromptPoints = 9.75;
constexpr double ListPoints = 12;
} // namespace At

const QColor Grey(192, 192, 192);
const QColor Blue(0, 0, 255);
} // namespace

frmLogin::frmLogin(AppContext &context, QWidget *parent) : Form(Windows::Login, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Wordaroo"));
    setFont(Fonts::sized(Fonts::DefaultPoints));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Grey);
    setPalette(pal);
    setAutoFillBackground(true);

    m_menu = new QMenuBar(this);
    m_menu->setObjectName(QStringLiteral("menuBar"));
    m_menu->setNativeMenuBar(false);
    mnuCreate = m_menu->addAction(QStringLiteral("Create &Tests"));
    mnuCreate->setObjectName(QStringLiteral("mnuCreate"));
    mnuHelp = m_menu->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    connect(mnuCreate, &QAction::triggered, this, &frmLogin::mnuCreate_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmLogin::mnuHelp_Click);

    // The controls' client area, below the menu bar; lstWords lies beyond its
    // collapsed width and is seen only when the window is expanded.
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));

    Image1 = Ui::picture(m_client, QStringLiteral("Image1"), QStringLiteral(":/art/menu_abc.svg"), At::Image1);
    Image1->setAccessibleName(QStringLiteral("Wordaroo letter blocks"));

    Label1 = Ui::label(m_client, QStringLiteral("Label1"), QStringLiteral("Welcome Wordaroo"), At::Label1);
    Label1->setFont(Fonts::font(QStringLiteral("Times New Roman"), At::WelcomePoints, true));
    Label1->setAlignment(Qt::AlignCenter);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Blue);
    Label1->setPalette(blue);

    Label2 = Ui::label(m_client, QStringLiteral("Label2"),
                       QStringLiteral("Click on the spelling test you want to take:"), At::Label2);
    Label2->setFont(Fonts::sized(At::PromptPoints, true));

    lstTests = Ui::list(m_client, QStringLiteral("lstTests"), At::lstTests);
    lstTests->setAccessibleName(QStringLiteral("Spelling tests"));
    lstTests->setFont(Fonts::sized(At::ListPoints));
    Label2->setBuddy(lstTests);

    lblChild = Ui::label(m_client, QStringLiteral("lblChild"), QStringLiteral("Who is spelling today?"), At::lblChild);
    lblChild->setFont(Fonts::sized(At::PromptPoints, true));
    cboChild = new QComboBox(m_client);
    cboChild->setObjectName(QStringLiteral("cboChild"));
    cboChild->setAccessibleName(QStringLiteral("Who is spelling today?"));
    cboChild->setFont(Fonts::sized(At::ListPoints));
    Twips::place(cboChild, At::cboChild);
    lblChild->setBuddy(cboChild);
    lblChild->hide();
    cboChild->hide();
    lblToDo = Ui::label(m_client, QStringLiteral("lblToDo"), QString(), At::lblToDo);
    lblToDo->setFont(Fonts::sized(At::ToDoPoints, true));
    lblToDo->hide();

    Picture1 = Ui::professor(m_client, QStringLiteral("Picture1"), At::Picture1);

    btnOK = Ui::button(m_client, QStringLiteral("btnOK"), QStringLiteral("OK"), At::btnOK,
                       QStringLiteral("Click on this button to choose the test that is selected on the left."));
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);

    btnSeeWords =
        Ui::button(m_client, QStringLiteral("btnSeeWords"), SeeWords, At::btnSeeWords,
                   QStringLiteral("This button will show the spelling words in each test as you click on them."));

    lstWords = Ui::list(m_client, QStringLiteral("lstWords"), At::lstWords);
    lstWords->setAccessibleName(QStringLiteral("Words of the selected test"));

    Timer1 = Ui::timer(this, QStringLiteral("Timer1"), 4000, true); // precise: a coarse one may fire 5% early

    MMControl1 = new MMControl(this);
    MMControl1->setObjectName(QStringLiteral("MMControl1"));

    connect(lstTests, &QListWidget::itemSelectionChanged, this, &frmLogin::LstTests_Click);
    connect(cboChild, &QComboBox::activated, this, &frmLogin::cboChild_Click);
    connect(btnOK, &QPushButton::clicked, this, &frmLogin::btnOK_Click);
    connect(btnSeeWords, &QPushButton::clicked, this, &frmLogin::btnSeeWords_Click);
    connect(Picture1, &Picture::clicked, this, &frmLogin::Picture1_Click);
    connect(Timer1, &QTimer::timeout, this, &frmLogin::Timer1_Timer);

    setTabOrder(cboChild, lstTests);
    setTabOrder(lstTests, btnOK);
    setTabOrder(btnOK, btnSeeWords);
    setTabOrder(btnSeeWords, lstWords);

    connect(&m_ctx.catalogue, &TestCatalogue::changed, this, &frmLogin::LoadTests);
    setAcceptDrops(true);
    Form_Load();
}

void frmLogin::Form_Load()
{
    // The background comes first, so this window appears on top of it.
    Forms::show(Windows::Back);

    setOuterWidth(CollapsedWidth);

    Timer1->start();

    // The welcome plays while the window comes up and the list is filled.
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("Welcome.wav"));

    LoadTests();
}

void frmLogin::setOuterWidth(int twips)
{
    const int menuHeight = m_menu->sizeHint().height();
    const int w = Twips::px(clientWidth(twips));
    const int h = Twips::px(clientHeight(OuterHeight));
    m_menu->setGeometry(0, 0, w, menuHeight);
    m_client->setGeometry(0, menuHeight, w, h);
    setFixedSize(w, menuHeight + h);
}

void frmLogin::loadChildren()
{
    const QStringList children = m_ctx.history.children();
    const bool any = !children.isEmpty();
    if (any) {
        // The child last chosen, on this run or an earlier one, while they still exist.
        QString chosen = m_ctx.history.child();
        if (chosen.isEmpty())
            chosen = Settings::read(Settings::LastChild, QString()).text;
        if (!children.contains(chosen))
            chosen = children.first();
        const QSignalBlocker block(cboChild);
        cboChild->clear();
        cboChild->addItems(children);
        cboChild->setCurrentIndex(int(children.indexOf(chosen)));
        m_ctx.history.setChild(chosen);
    } else {
        cboChild->clear();
        m_ctx.history.setChild(QString());
    }
    if (any == cboChild->isVisibleTo(m_client))
        return;
    lblChild->setVisible(any);
    cboChild->setVisible(any);
    Twips::place(Label2, any ? At::Label2WithChild : At::Label2);
    Twips::place(lstTests, any ? At::lstTestsWithChild : At::lstTests);
}

void frmLogin::cboChild_Click()
{
    const QString name = cboChild->currentText();
    if (name == m_ctx.history.child())
        return;
    m_ctx.history.setChild(name);
    Settings::set(Settings::LastChild, name);
    LoadTests();
}

void frmLogin::LoadTests()
{
    loadChildren();
    // The tricky words due for this child (or for everyone) are a test folder like any.
    m_ctx.history.refreshTrickyFolder();
    const QStringList names = TestLibrary::listTests(m_ctx.AppDir);
    const QString selected = m_ctx.TestName();
    {
        // One selection event for the whole rebuild: the kept or the first entry's.
        const QSignalBlocker block(lstTests);
        TestLibrary::fillTestList(lstTests, names);
        const QList<QListWidgetItem *> same =
            selected.isEmpty() ? QList<QListWidgetItem *>() : lstTests->findItems(selected, Qt::MatchExactly);
        if (!same.isEmpty())
            lstTests->setCurrentItem(same.first());
        else if (lstTests->count() > 0)
            lstTests->setCurrentRow(0);
    }
    LstTests_Click();
    showToDo();
}

void frmLogin::showToDo()
{
    ClassTestSync *sync = ClassTestSync::of(m_ctx);
    const QString text = sync ? sync->toDoText(m_ctx.history.child()) : QString();
    if (sync)
        connect(sync, &ClassTestSync::toDoChanged, this, &frmLogin::showToDo, Qt::UniqueConnection);
    lblToDo->setText(text);
    lblToDo->setVisible(!text.isEmpty());
}

void frmLogin::setSelectionFromList()
{
    const QList<QListWidgetItem *> selected = lstTests->selectedItems();
    m_ctx.selectTest(selected.isEmpty() ? QString() : selected.first()->text());
}

void frmLogin::LstTests_Click()
{
    setSelectionFromList();
    // With nothing selected the word list must not keep a test's words that is no
    // longer listed (and AppDir's own prompt files are no test's words).
    if (m_ctx.TestName().isEmpty())
        lstWords->clear();
    else
        Module1::LoadWordList(lstWords, m_ctx.TestDir());
    QStringList words;
    for (int i = 0; i < lstWords->count(); ++i)
        words << lstWords->item(i)->text();
    m_ctx.setTestWords(words);
}

void frmLogin::btnSeeWords_Click()
{
    setExpanded(!m_expanded);
}

void frmLogin::setExpanded(bool expanded)
{
    m_expanded = expanded;
    setOuterWidth(expanded ? ExpandedWidth : CollapsedWidth);
    btnSeeWords->setText(expanded ? HideWords : SeeWords);
    btnSeeWords->setAccessibleName(btnSeeWords->text());
}

void frmLogin::btnOK_Click()
{
    MMControl1->setCommand(QStringLiteral("close"));
    setSelectionFromList();
    Forms::show(Windows::Choice);
    hide();
}

namespace
{
void refuseUnreadableSettings(const QString &reason)
{
    MsgBox(QStringLiteral("The settings file could not be read, so the configuration password cannot be checked.\n") +
               reason,
           MsgButtons::Ok, MsgIcon::Exclamation);
}
} // namespace

void frmLogin::mnuCreate_Click()
{
    if (passwordAccepted())
        openAuthoring();
}

bool frmLogin::passwordAccepted()
{
    // A settings file that exists but cannot be read keeps the gate closed: it may
    // hold a password that cannot be checked.
    const Settings::Value protect = Settings::readProtect();
    if (!protect.ok) {
        refuseUnreadableSettings(protect.reason);
        return false;
    }
    if (!Settings::protectionOn(protect.text))
        return true;
    const QString typed =
        InputBox(QStringLiteral("Please enter configuration password:"), QStringLiteral("PASSWORD"), QString());
    const Settings::Value stored = Settings::readPassword();
    if (!stored.ok) {
        refuseUnreadableSettings(stored.reason);
        return false;
    }
    if (stored.text == typed)
        return true;
    MsgBox(QStringLiteral("SORRY!\nThe password you typed is incorrect."), MsgButtons::Ok, MsgIcon::Information,
           QStringLiteral("Incorrect Password"));
    return false;
}

void frmLogin::openShared(const QString &path)
{
    if (!passwordAccepted())
        return;
    const QString added = SharedTests::add(m_ctx, path, SharedTests::Ask::First);
    // The list was filled again; the new test is the one selected.
    const QList<QListWidgetItem *> found = lstTests->findItems(added, Qt::MatchExactly);
    if (!added.isEmpty() && !found.isEmpty())
        lstTests->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
}

namespace
{
// The one local file or folder a drag carries when it can be a shared test.
QString droppedOffer(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return {};
    const QString path = data->urls().first().toLocalFile();
    return SharedTests::isOffer(path) ? path : QString();
}
} // namespace

void frmLogin::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedOffer(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmLogin::dropEvent(QDropEvent *event)
{
    const QString path = droppedOffer(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // The questions come once the drop is over: the dragging program waits for its end.
    QTimer::singleShot(0, this, [this, path] { openShared(path); });
}

void frmLogin::openAuthoring()
{
    Forms::show(Windows::Maint);
    hide();
}

void frmLogin::mnuHelp_Click()
{
    dialogs().showHelp(this, QStringLiteral("Spell.HLP"));
}

void frmLogin::Picture1_Click()
{
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("logindir.wav"));
}

void frmLogin::Timer1_Timer()
{
    if (isVisible())
        Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("helloprof") + QStringLiteral(".wav"));
    // Once only: showing the window again later never greets again.
    Timer1->stop();
}

void frmLogin::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    if (event->spontaneous())
        return; // restored from the task bar: nothing changed meanwhile
    if (m_shownBefore)
        LoadTests();
    m_shownBefore = true;
}

void frmLogin::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    // Closing the start window ends the program at once.
    if (event->isAccepted() && !Program::isEnding())
        Program::end(0);
}
