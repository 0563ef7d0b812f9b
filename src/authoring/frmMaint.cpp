#include "authoring/frmMaint.h"

#include "authoring/assignpanel.h"
#include "authoring/classserverpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/newnamepanel.h"
#include "authoring/optionspanel.h"
#include "authoring/progressreport.h"
#include "authoring/recordpanel.h"
#include "authoring/reviewsoundpanel.h"
#include "authoring/selecttestpanel.h"
#include "authoring/startpanel.h"
#include "authoring/typewordpanel.h"
#include "authoring/wordlistpanel.h"
#include "authoring/wordlistspanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>

namespace
{
// The geometry of the client area and of the progress report, in twips; each panel
// has its own table.
namespace At
{
constexpr int ClientWidth = frmMaint::ClientWidth;
constexpr int ClientHeight = frmMaint::ClientHeight;
constexpr Twips::Box pnlProgress{0, 0, 9600, 8500};
} // namespace At
} // namespace

frmMaint::frmMaint(AppContext &context, QWidget *parent) : SoundForm(Windows::Maint, parent), m_ctx(context)
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

    session = new AuthoringSession(m_ctx, this);
    pnlStart = new StartPanel(this, session, client);
    pnlSelectTest = new SelectTestPanel(this, session, client);
    pnlNewName = new NewNamePanel(this, session, pnlSelectTest, client);
    pnlWordList = new WordListPanel(this, session, client);
    pnlWordLists = new WordListsPanel(this, session, pnlWordList, client);
    pnlTypeWord = new TypeWordPanel(this, session, pnlWordList, client);
    pnlRecord = new RecordPanel(this, session, pnlWordList, client);
    pnlReviewSound = new ReviewSoundPanel(this, session, pnlWordList, client);
    pnlOptions = new OptionsPanel(this, session, client);
    pnlClassServer = new ClassServerPanel(this, session, client);
    pnlAssign = new AssignPanel(this, session, client);
    pnlProgress = new ProgressReport(m_ctx, client);
    Twips::place(pnlProgress, At::pnlProgress);

    for (MaintPanel *p : {static_cast<MaintPanel *>(pnlStart), static_cast<MaintPanel *>(pnlSelectTest),
                          static_cast<MaintPanel *>(pnlNewName), static_cast<MaintPanel *>(pnlWordList),
                          static_cast<MaintPanel *>(pnlWordLists), static_cast<MaintPanel *>(pnlTypeWord),
                          static_cast<MaintPanel *>(pnlRecord), static_cast<MaintPanel *>(pnlReviewSound),
                          static_cast<MaintPanel *>(pnlOptions), static_cast<MaintPanel *>(pnlClassServer),
                          static_cast<MaintPanel *>(pnlAssign)})
        connect(p, &MaintPanel::switchTo, this, &frmMaint::showPage);
    connect(pnlProgress, &ProgressReport::backClicked, this, [this] { showPage(MaintPage::Start); });
    connect(pnlNewName, &NewNamePanel::testMade, pnlWordList, &WordListPanel::clearWords);
    connect(pnlSelectTest, &SelectTestPanel::testChosen, pnlWordList, &WordListPanel::loadWords);
    connect(mnuHelp, &QAction::triggered, this, &frmMaint::mnuHelp_Click);

    // At design time only the start panel is on screen.
    Panels::show(pnlStart);
    for (QWidget *p : {static_cast<QWidget *>(pnlNewName), static_cast<QWidget *>(pnlSelectTest),
                       static_cast<QWidget *>(pnlWordList), static_cast<QWidget *>(pnlWordLists),
                       static_cast<QWidget *>(pnlTypeWord), static_cast<QWidget *>(pnlRecord),
                       static_cast<QWidget *>(pnlReviewSound), static_cast<QWidget *>(pnlProgress),
                       static_cast<QWidget *>(pnlClassServer), static_cast<QWidget *>(pnlAssign)})
        Panels::hide(p);
    Panels::hide(pnlOptions, Panels::OffLeftNear);

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

void frmMaint::Form_Load()
{
    MMControl1->Notify = false;
    MMControl1->Wait = true;
    MMControl1->Shareable = false;
    MMControl1->DeviceType = QStringLiteral("WaveAudio");

    Ui::centreOnScreen(this);
}

QWidget *frmMaint::panel(MaintPage page) const
{
    switch (page) {
    case MaintPage::Start:
        return pnlStart;
    case MaintPage::NewName:
        return pnlNewName;
    case MaintPage::SelectTest:
        return pnlSelectTest;
    case MaintPage::WordList:
        return pnlWordList;
    case MaintPage::WordLists:
        return pnlWordLists;
    case MaintPage::TypeWord:
        return pnlTypeWord;
    case MaintPage::Record:
        return pnlRecord;
    case MaintPage::ReviewSound:
        return pnlReviewSound;
    case MaintPage::Options:
        return pnlOptions;
    case MaintPage::Progress:
        return pnlProgress;
    case MaintPage::ClassServer:
        return pnlClassServer;
    case MaintPage::Assign:
        return pnlAssign;
    }
    return pnlStart;
}

void frmMaint::showPage(MaintPage page)
{
    QWidget *next = panel(page);
    auto *maintPanel = qobject_cast<MaintPanel *>(next);
    const bool wide = page == MaintPage::Progress;
    const bool tall = page == MaintPage::Options;
    // The window grows to the report or the options before they show, and back after.
    if (wide && !m_wide)
        setClientTwips(At::pnlProgress.width, At::pnlProgress.height);
    else if (tall && !m_tall)
        setClientTwips(ClientWidth, OptionsHeight);
    if (maintPanel)
        maintPanel->reload();
    else
        pnlProgress->open();

    // Shown first, so the focus leaving a hidden panel lands on the new one.
    Panels::show(next);
    for (QWidget *child : client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (child != next && Panels::isShown(child))
            Panels::hide(child);
    if ((!wide && m_wide && !tall) || (!tall && m_tall && !wide))
        setClientTwips(ClientWidth, ClientHeight);
    m_wide = wide;
    m_tall = tall;

    setEnterButton(maintPanel ? maintPanel->enterButton() : nullptr);
    if (QWidget *focus = maintPanel ? maintPanel->focusOnShow() : pnlProgress->cboChild)
        focus->setFocus();
}

QPushButton *frmMaint::enterButton() const
{
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    return focused && focused->autoDefault() ? focused : m_enterButton;
}

void frmMaint::setEnterButton(QPushButton *button)
{
    for (QPushButton *b : findChildren<QPushButton *>())
        if (b != button && b->isDefault())
            b->setDefault(false);
    if (button)
        button->setDefault(true);
    m_enterButton = button;
}

void frmMaint::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    pnlRecord->stopLevelMeter();
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
