#include "authoring/optionspanel.h"

#include "core/platform/appcontext.h"

#include "classroom/classroom.h"
#include "core/platform/dialogs.h"
#include "core/platform/inifile.h"
#include "core/platform/settings.h"
#include "core/platform/testlibrary.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlOptions{0, 0, 5340, 3300};
constexpr Twips::Box chkPassword{180, 150, 2265, 465};
constexpr Twips::Box Label1{2670, 60, 1170, 225};
constexpr Twips::Box txtPassword{2670, 270, 2265, 360};
constexpr Twips::Box lblChildren{180, 720, 2900, 255};
constexpr Twips::Box lstChildren{180, 975, 2900, 1200};
constexpr Twips::Box btnAddChild{3300, 975, 1830, 420};
constexpr Twips::Box btnRemoveChild{3300, 1455, 1830, 420};
constexpr Twips::Box btnClassServer{3300, 1890, 1830, 360};
constexpr Twips::Box btnSaveOptions{2985, 2280, 2145, 825};
constexpr Twips::Box btnCancelOptions{465, 2280, 2145, 825};

constexpr double ButtonPoints = 9.75;
} // namespace At
} // namespace

OptionsPanel::OptionsPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlOptions"), At::pnlOptions)
{
    chkPassword = Ui::checkBox(this, QStringLiteral("chkPassword"),
                               QStringLiteral("Password Protect This Test Configuration Screen"), At::chkPassword);
    Label1 = Ui::label(this, QStringLiteral("Label1"), QStringLiteral("Password"), At::Label1);
    txtPassword = Ui::textBox(this, QStringLiteral("txtPassword"), At::txtPassword);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    // The settings file keeps values up to its limit; a longer password would be read
    // back cut and never match again.
    txtPassword->setMaxLength(IniFile::MaxValueLength);
    lblChildren = Ui::label(this, QStringLiteral("lblChildren"), QStringLiteral("Children"), At::lblChildren);
    lstChildren = Ui::list(this, QStringLiteral("lstChildren"), At::lstChildren);
    lstChildren->setAccessibleName(QStringLiteral("Children"));
    lblChildren->setBuddy(lstChildren);
    btnAddChild = Ui::button(this, QStringLiteral("btnAddChild"), QStringLiteral("Add Child"), At::btnAddChild);
    btnRemoveChild =
        Ui::button(this, QStringLiteral("btnRemoveChild"), QStringLiteral("Remove Child"), At::btnRemoveChild);
    btnClassServer =
        Ui::button(this, QStringLiteral("btnClassServer"), QStringLiteral("Class Server..."), At::btnClassServer);
    btnSaveOptions = Ui::pictureButton(this, QStringLiteral("btnSaveOptions"), QStringLiteral("Save Options"),
                                       MaintArt::path("maint_saveoptions"), At::btnSaveOptions);
    btnCancelOptions = Ui::pictureButton(this, QStringLiteral("btnCancelOptions"), QStringLiteral("Cancel"),
                                         MaintArt::path("maint_cancel"), At::btnCancelOptions);
    for (QPushButton *b : {btnSaveOptions, btnCancelOptions})
        b->setFont(Fonts::sized(At::ButtonPoints, true));
    enterOnlyPressesEnterButton();

    connect(btnSaveOptions, &QPushButton::clicked, this, &OptionsPanel::btnSaveOptions_Click);
    connect(btnCancelOptions, &QPushButton::clicked, this, &OptionsPanel::btnCancelOptions_Click);
    connect(btnAddChild, &QPushButton::clicked, this, &OptionsPanel::btnAddChild_Click);
    connect(btnRemoveChild, &QPushButton::clicked, this, &OptionsPanel::btnRemoveChild_Click);
    connect(btnClassServer, &QPushButton::clicked, this, &OptionsPanel::btnClassServer_Click);
}

QWidget *OptionsPanel::focusOnShow() const
{
    return btnSaveOptions;
}

void OptionsPanel::reload()
{
    // Only while protection is on are the stored values shown; otherwise the controls
    // keep what they show (empty in a new window, as last left after a cancel).
    if (Settings::isProtected()) {
        chkPassword->setChecked(true);
        txtPassword->setText(Settings::password());
    }
    loadChildren();
}

void OptionsPanel::loadChildren()
{
    lstChildren->clear();
    lstChildren->addItems(ctx().history.children());
}

void OptionsPanel::btnSaveOptions_Click()
{
    // Switched off, the old password stays in the file; nothing reads it then. A
    // failed write has shown the settings error box; the panel closes all the same.
    Settings::saveProtection(chkPassword->isChecked(), txtPassword->text());
    Q_EMIT switchTo(MaintPage::Start);
}

void OptionsPanel::btnCancelOptions_Click()
{
    Q_EMIT switchTo(MaintPage::Start);
}

// Children are kept by the history at once; the password waits for "Save Options".
void OptionsPanel::btnAddChild_Click()
{
    HistoryStore *store = ctx().history.store();
    if (!store) {
        MsgBox(QStringLiteral("The history is not available, so no child can be added."), MsgButtons::Ok,
               MsgIcon::Exclamation);
        return;
    }
    const QString name = InputBox(QStringLiteral("Type the child's name:"), QStringLiteral("Add Child"));
    if (name.isEmpty())
        return; // cancelled
    if (ctx().history.classLink()) {
        const QString why = HistoryStore::nameProblem(name);
        if (!why.isEmpty() || !changeRoster(name.trimmed(), {}).isEmpty()) {
            if (!why.isEmpty())
                MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Add Child"));
            return;
        }
    } else if (const QString why = store->addChild(name); !why.isEmpty()) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Add Child"));
        return;
    }
    loadChildren();
    Q_EMIT ctx().catalogue.changed();
}

void OptionsPanel::btnRemoveChild_Click()
{
    HistoryStore *store = ctx().history.store();
    QString name;
    if (!store || !selectedText(lstChildren, name))
        return;
    if (MsgBox(QStringLiteral("Remove %1?\n\nEvery result Wordaroo remembers about %1 will be deleted.").arg(name),
               MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Remove Child")) != MsgResult::Yes)
        return;
    if (ctx().history.classLink() && !changeRoster({}, name).isEmpty())
        return;
    if (const QString why = store->forgetChild(name); !why.isEmpty() && !ctx().history.classLink())
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Remove Child"));
    if (ctx().history.child() == name)
        ctx().history.setChild(QString());
    loadChildren();
    Q_EMIT ctx().catalogue.changed();
}

void OptionsPanel::btnClassServer_Click()
{
    Q_EMIT switchTo(MaintPage::ClassServer);
}

QString OptionsPanel::changeRoster(const QString &add, const QString &remove)
{
    auto *classroom = dynamic_cast<Classroom *>(ctx().history.classLink());
    if (!classroom)
        return {};
    const QString title = add.isEmpty() ? QStringLiteral("Remove Child") : QStringLiteral("Add Child");
    QString password = classroom->teacherPassword();
    if (password.isEmpty())
        password = PasswordBox(QStringLiteral("Please enter the teacher's password for the class server:"), title);
    if (password.isEmpty())
        return QStringLiteral("cancelled");
    const ClassSettings settings = classroom->settings();
    QString why = Classroom::runWaiting(
        form(), [=] { return Classroom::changeRoster(settings, password, add, remove); },
        (Classroom::ConnectSeconds + 5) * 1000);
    // The window may have closed meanwhile, taking the classroom with it only at the program's end.
    if (!form()->alive())
        return QStringLiteral("closed");
    if (!why.isEmpty()) {
        // A wrong password is asked again next time.
        classroom->setTeacherPassword({});
        MsgBox(QStringLiteral("The class roster was not changed: ") + why, MsgButtons::Ok, MsgIcon::Exclamation, title);
        return why;
    }
    classroom->setTeacherPassword(password);
    classroom->rosterChanged(add, remove);
    return {};
}
