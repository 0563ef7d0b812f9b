#include "shell/frmChoice.h"

#include "core/platform/appcontext.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"

#include <QCloseEvent>
#include <QLabel>

namespace
{
// The window's geometry in twips: a line of advice, a row of five buttons with the
// professor beside them, the selected test below, and practice from memory below that.
namespace At
{
constexpr int Width = 9225;
constexpr int Height = 2610;

constexpr Twips::Box Label1{90, 90, 7560, 270};
constexpr Twips::Box picProf{7725, 300, 1500, 1560};
constexpr int ButtonTop = 420;
constexpr int ButtonHeight = 930;
constexpr Twips::Box Command2{0, ButtonTop, 1560, ButtonHeight};
constexpr Twips::Box Command1{1560, ButtonTop, 1560, ButtonHeight};
constexpr Twips::Box Command3{3120, ButtonTop, 1575, ButtonHeight};
constexpr Twips::Box btnArcade{4695, ButtonTop, 1560, ButtonHeight};
constexpr Twips::Box Command4{6255, ButtonTop, 1560, ButtonHeight};
constexpr Twips::Box lblSelect{90, 1635, 7560, 255};
constexpr Twips::Box btnPractice{0, 1965, 3120, 540};
} // namespace At
} // namespace

frmChoice::frmChoice(AppContext &context, QWidget *parent) : Form(Windows::Choice, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Your Choice"));
    setFont(Fonts::sized(Fonts::DefaultPoints));
    Twips::setClientSize(this, At::Width, At::Height);

    Label1 = Ui::label(this, QStringLiteral("Label1"),
                       QStringLiteral("To best learn your spelling words first Study them and then take a test."),
                       At::Label1);
    Label1->setFont(Fonts::sized(Fonts::DefaultPoints, true));

    // The professor first, so the row of buttons lies above its transparent margin.
    picProf = Ui::professor(this, QStringLiteral("picProf"), At::picProf);

    const auto button = [this](const QString &name, const QString &caption, const QString &icon, const Twips::Box &at,
                               const QString &tip) {
        return Ui::pictureButton(this, name, caption, QStringLiteral(":/art/menu_") + icon + QStringLiteral(".svg"), at,
                                 tip);
    };
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Study Words"), QStringLiteral("study"), At::Command2,
                      QStringLiteral("Click on this button to practice the spelling words."));
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Take  Test"), QStringLiteral("test"), At::Command1,
                      QStringLiteral("Click on this button to take a test of the spelling words."));
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("New Test"), QStringLiteral("newtest"), At::Command3,
                      QStringLiteral("Click on this button to open a different set of spelling words."));
    btnArcade = button(QStringLiteral("btnArcade"), QStringLiteral("Arcade Alley"), QStringLiteral("arcade"),
                       At::btnArcade, QStringLiteral("Click here for some fun learning!"));
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Exit"), QStringLiteral("exit"), At::Command4,
                      QStringLiteral("Click on this button to close the program."));

    btnPractice =
        Ui::button(this, QStringLiteral("btnPractice"), QStringLiteral("Look, Cover, Write, Check"), At::btnPractice,
                   QStringLiteral("Click on this button to practise the words from memory."));
    btnPractice->setFont(Fonts::sized(Fonts::DefaultPoints, true));

    lblSelect = Ui::label(this, QStringLiteral("lblSelect"), QStringLiteral("Selected Test is"), At::lblSelect);
    lblSelect->setFont(Fonts::sized(Fonts::DefaultPoints, true));
    QPalette blue = lblSelect->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblSelect->setPalette(blue);

    MMControl1 = new MMControl(this);

    connect(Command1, &QPushButton::clicked, this, &frmChoice::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmChoice::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmChoice::Command3_Click);
    connect(btnArcade, &QPushButton::clicked, this, &frmChoice::btnArcade_Click);
    connect(Command4, &QPushButton::clicked, this, &frmChoice::Command4_Click);
    connect(btnPractice, &QPushButton::clicked, this, &frmChoice::btnPractice_Click);
    connect(picProf, &Picture::clicked, this, &frmChoice::picProf_Click);

    setTabOrder(Command2, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, btnArcade);
    setTabOrder(btnArcade, Command4);
    setTabOrder(Command4, btnPractice);

    Form_Load();
}

void frmChoice::Form_Load()
{
    const QString child = m_ctx.history.child();
    lblSelect->setText(QStringLiteral("Selected test is ") + m_ctx.TestName() +
                       (child.isEmpty() ? QString() : QStringLiteral(" for ") + child));
    lblSelect->setAccessibleName(lblSelect->text());
}

// Each choice shows its window, then closes the menu.
void frmChoice::Command1_Click()
{
    leaveTo(Windows::Test);
}
void frmChoice::Command2_Click()
{
    leaveTo(Windows::Review);
}

void frmChoice::Command3_Click()
{
    // The start window comes back as it was left: list, selection and width.
    leaveTo(Windows::Login);
}

void frmChoice::btnArcade_Click()
{
    leaveTo(Windows::ArcadeSelect);
}

void frmChoice::btnPractice_Click()
{
    leaveTo(Windows::Practice);
}

void frmChoice::Command4_Click()
{
    // Closed without a choice: the program ends once the menu is unloaded.
    close();
}

void frmChoice::picProf_Click()
{
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("learnwords.wav"));
}

void frmChoice::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    // Exit, or the window frame: the program ends. Otherwise the child would be left
    // with nothing but the blue background and no way out.
    if (event->isAccepted() && !isLeaving() && !Program::isEnding())
        Program::end(0);
}
