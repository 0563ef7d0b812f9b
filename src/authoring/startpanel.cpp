#include "authoring/startpanel.h"

#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"

#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlStart{0, -30, 5430, 3885};
constexpr Twips::Box btnMake{900, 75, 4185, 600};
constexpr Twips::Box btnEdit{900, 765, 4185, 600};
constexpr Twips::Box btnOptions{900, 1455, 4185, 600};
constexpr Twips::Box btnProgress{900, 2145, 4185, 600};
constexpr Twips::Box btnExit{900, 2835, 4185, 600};
constexpr Twips::Box Image1{45, 105, 795, 795};

constexpr double ButtonPoints = 9.75; // bold
} // namespace At
} // namespace

StartPanel::StartPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlStart"), At::pnlStart)
{
    using MaintArt::path;
    btnMake = Ui::pictureButton(this, QStringLiteral("btnMake"), QStringLiteral("Make a New Spelling Test"),
                                path("maint_make"), At::btnMake);
    btnEdit = Ui::pictureButton(this, QStringLiteral("btnEdit"), QStringLiteral("Edit or Delete Existing Test"),
                                path("maint_edit"), At::btnEdit);
    btnOptions = Ui::pictureButton(this, QStringLiteral("btnOptions"), QStringLiteral("Change Wordaroo Options"),
                                   path("maint_options"), At::btnOptions);
    btnProgress =
        Ui::pictureButton(this, QStringLiteral("btnProgress"), QStringLiteral("See How the Children Are Doing"),
                          path("maint_progress"), At::btnProgress);
    btnExit = Ui::pictureButton(this, QStringLiteral("btnExit"), QStringLiteral("Exit back to Wordaroo"),
                                path("maint_exit"), At::btnExit);
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    for (QPushButton *b : {btnMake, btnEdit, btnOptions, btnProgress, btnExit})
        b->setFont(buttonFont);
    Image1 = Ui::picture(this, QStringLiteral("Image1"), path("maint_image"), At::Image1);
    Image1->setAccessibleName(QStringLiteral("Wordaroo configuration picture"));

    connect(btnMake, &QPushButton::clicked, this, &StartPanel::btnMake_Click);
    connect(btnEdit, &QPushButton::clicked, this, &StartPanel::btnEdit_Click);
    connect(btnOptions, &QPushButton::clicked, this, &StartPanel::btnOptions_Click);
    connect(btnProgress, &QPushButton::clicked, this, &StartPanel::btnProgress_Click);
    connect(btnExit, &QPushButton::clicked, this, &StartPanel::btnExit_Click);
}

void StartPanel::btnMake_Click()
{
    Q_EMIT switchTo(MaintPage::NewName);
}

void StartPanel::btnEdit_Click()
{
    Q_EMIT switchTo(MaintPage::SelectTest);
}

void StartPanel::btnOptions_Click()
{
    Q_EMIT switchTo(MaintPage::Options);
}

void StartPanel::btnProgress_Click()
{
    Q_EMIT switchTo(MaintPage::Progress);
}

void StartPanel::btnExit_Click()
{
    form()->close();
}
