#include "shell/frmChoice.h"

#include "core/platform/appstate.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QCloseEvent>
#include <QLabel>

frmChoice::frmChoice(QWidget *parent) : Form(Windows::Choice, parent)
{
    setWindowTitle(QStringLiteral("Your Choice"));
    setFont(Fonts::sized(8.25));
    Twips::setClientSize(this, 9225, 1905);

    Label1 = Ui::label(this, QStringLiteral("Label1"),
                       QStringLiteral("To best learn your spelling words first Study them and then take a test."), 90,
                       90, 7560, 270);
    Label1->setFont(Fonts::sized(8.25, true));

    // The professor first, so the row of buttons lies above its transparent margin.
    picProf = Ui::professor(this, QStringLiteral("picProf"), 7725, 300, 1500, 1560);

    const auto button = [this](const QString &name, const QString &caption, const QString &icon, int left, int width,
                               const QString &tip) {
        return Ui::pictureButton(this, name, caption, QStringLiteral(":/art/menu_") + icon + QStringLiteral(".svg"),
                                 left, 420, width, 930, tip);
    };
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Study Words"), QStringLiteral("study"), 0, 1560,
                      QStringLiteral("Click on this button to practice the spelling words."));
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Take  Test"), QStringLiteral("test"), 1560, 1560,
                      QStringLiteral("Click on this button to take a test of the spelling words."));
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("New Test"), QStringLiteral("newtest"), 3120, 1575,
                      QStringLiteral("Click on this button to open a different set of spelling words."));
    btnArcade = button(QStringLiteral("btnArcade"), QStringLiteral("Arcade Alley"), QStringLiteral("arcade"), 4695,
                       1560, QStringLiteral("Click here for some fun learning!"));
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Exit"), QStringLiteral("exit"), 6255, 1560,
                      QStringLiteral("Click on this button to close the program."));

    lblSelect = Ui::label(this, QStringLiteral("lblSelect"), QStringLiteral("Selected Test is"), 90, 1635, 7560, 255);
    lblSelect->setFont(Fonts::sized(8.25, true));
    QPalette blue = lblSelect->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblSelect->setPalette(blue);

    MMControl1 = new MMControl(this);
    MMControl1->setObjectName(QStringLiteral("MMControl1"));

    connect(Command1, &QPushButton::clicked, this, &frmChoice::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmChoice::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmChoice::Command3_Click);
    connect(btnArcade, &QPushButton::clicked, this, &frmChoice::btnArcade_Click);
    connect(Command4, &QPushButton::clicked, this, &frmChoice::Command4_Click);
    connect(picProf, &Picture::clicked, this, &frmChoice::picProf_Click);

    setTabOrder(Command2, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, btnArcade);
    setTabOrder(btnArcade, Command4);

    Form_Load();
}

void frmChoice::Form_Load()
{
    lblSelect->setText(QStringLiteral("Selected test is ") + Shared::TestName);
    lblSelect->setAccessibleName(lblSelect->text());
}

void frmChoice::goTo(Windows::Id window)
{
    Forms::show(window);
    m_choiceMade = true;
    close();
}

void frmChoice::Command1_Click()
{
    goTo(Windows::Test);
}
void frmChoice::Command2_Click()
{
    goTo(Windows::Review);
}

void frmChoice::Command3_Click()
{
    // The start window comes back as it was left: list, selection and width.
    Forms::show(Windows::Login);
    m_choiceMade = true;
    close();
}

void frmChoice::btnArcade_Click()
{
    goTo(Windows::ArcadeSelect);
}

void frmChoice::Command4_Click()
{
    m_choiceMade = true;
    close();
    Program::end(0);
}

void frmChoice::picProf_Click()
{
    Module1::PlayWave(*MMControl1, Shared::AppDir + QStringLiteral("learnwords.wav"));
}

void frmChoice::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    // Closed through the window frame: the same as Exit. Otherwise the child would be
    // left with nothing but the blue background and no way out.
    if (event->isAccepted() && !m_choiceMade && !Program::isEnding())
        Program::end(0);
}
