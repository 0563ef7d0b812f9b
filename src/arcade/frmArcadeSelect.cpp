#include "arcade/frmArcadeSelect.h"

#include "core/platform/appcontext.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QPushButton>

namespace
{
// The window's geometry in twips. The professor is taller than the window: only his
// upper part shows.
namespace At
{
constexpr int Width = 6240;
constexpr int Height = 1605;

constexpr Twips::Box picProf{4725, -45, 1830, 2250};
constexpr Twips::Box btnRain{0, 300, 1560, 930};
constexpr Twips::Box btnScramble{1560, 300, 1560, 930};
constexpr Twips::Box btnExit{3120, 300, 1560, 930};
} // namespace At
} // namespace

frmArcadeSelect::frmArcadeSelect(AppContext &context, QWidget *parent)
    : Form(Windows::ArcadeSelect, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Arcade Alley"));
    Twips::setClientSize(this, At::Width, At::Height);

    picProf = Ui::professor(this, QStringLiteral("picProf"), At::picProf);
    btnRain = Ui::pictureButton(this, QStringLiteral("btnRain"), QStringLiteral("Raining Words"),
                                QStringLiteral(":/art/arcade_rain.svg"), At::btnRain);
    btnScramble = Ui::captionButton(this, QStringLiteral("btnScramble"), QStringLiteral("SCRAMBLE CRSELBMA RAMELBSC"),
                                    At::btnScramble);
    btnExit = Ui::pictureButton(this, QStringLiteral("btnExit"), QStringLiteral("Exit"),
                                QStringLiteral(":/art/arcade_exit.svg"), At::btnExit);

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
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}

void frmArcadeSelect::picProf_Click()
{
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("arcadedir.wav"));
}

void frmArcadeSelect::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    // Closed through its frame: leave the child on the menu, never with no window.
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}
