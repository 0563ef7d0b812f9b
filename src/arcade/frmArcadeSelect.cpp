#include "arcade/frmArcadeSelect.h"

#include "core/platform/appstate.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QCoreApplication>
#include <QPushButton>

frmArcadeSelect::frmArcadeSelect(QWidget *parent) : Form(Windows::ArcadeSelect, parent)
{
    setWindowTitle(QStringLiteral("Arcade Alley"));
    Twips::setClientSize(this, 6240, 1605);

    // The professor is taller than the window: only his upper part shows.
    picProf = Ui::professor(this, QStringLiteral("picProf"), 4725, -45);
    btnRain = Ui::pictureButton(this, QStringLiteral("btnRain"), QStringLiteral("Raining Words"),
                                QStringLiteral(":/art/arcade_rain.svg"), 0, 300, 1560, 930);
    btnScramble = Ui::captionButton(this, QStringLiteral("btnScramble"), QStringLiteral("SCRAMBLE CRSELBMA RAMELBSC"),
                                    1560, 300, 1560, 930);
    btnExit = Ui::pictureButton(this, QStringLiteral("btnExit"), QStringLiteral("Exit"),
                                QStringLiteral(":/art/arcade_exit.svg"), 3120, 300, 1560, 930);

    MMControl1 = new MMControl(this);

    connect(btnRain, &QPushButton::clicked, this, &frmArcadeSelect::btnRain_Click);
    connect(btnScramble, &QPushButton::clicked, this, &frmArcadeSelect::btnScramble_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmArcadeSelect::btnExit_Click);
    connect(picProf, &Picture::clicked, this, &frmArcadeSelect::picProf_Click);

    Ui::centreOnScreen(this);
}

void frmArcadeSelect::btnRain_Click()
{
    hide();
    Forms::show(Windows::Rain);
}

void frmArcadeSelect::btnScramble_Click()
{
    hide();
    Forms::show(Windows::Scramble);
}

void frmArcadeSelect::btnExit_Click()
{
    m_exiting = true;
    close();
    Forms::show(Windows::Choice);
}

void frmArcadeSelect::picProf_Click()
{
    Module1::PlayWave(*MMControl1, Shared::AppDir + QStringLiteral("arcadedir.wav"));
}

void frmArcadeSelect::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    if (m_exiting)
        return; // btnExit_Click shows the menu once this window is closed
    m_exiting = true;
    // Closed through its frame: leave the child on the menu, never with no window.
    QMetaObject::invokeMethod(
        qApp, [] { Forms::show(Windows::Choice); }, Qt::QueuedConnection);
}
