// The options panel of the authoring window: the configuration password, kept in
// the settings file and checked by the start window, and the children whose results
// the history keeps.
#include "authoring/frmMaint.h"

#include "core/platform/appcontext.h"

#include "core/platform/dialogs.h"
#include "core/platform/inifile.h"
#include "core/platform/settings.h"
#include "core/platform/testlibrary.h"
#include "core/ui/layout.h"
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
constexpr Twips::Box btnSaveOptions{2985, 2280, 2145, 825};
constexpr Twips::Box btnCancelOptions{465, 2280, 2145, 825};

constexpr double ButtonPoints = 9.75;
} // namespace At
} // namespace

void frmMaint::buildOptionsPanel()
{
    pnlOptions = Ui::panel(client, QStringLiteral("pnlOptions"), At::pnlOptions);
    chkPassword = Ui::checkBox(pnlOptions, QStringLiteral("chkPassword"),
                               QStringLiteral("Password Protect This Test Configuration Screen"), At::chkPassword);
    Label1 = Ui::label(pnlOptions, QStringLiteral("Label1"), QStringLiteral("Password"), At::Label1);
    txtPassword = Ui::textBox(pnlOptions, QStringLiteral("txtPassword"), At::txtPassword);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    // The settings file keeps values up to its limit; a longer password would be read
    // back cut and never match again.
    txtPassword->setMaxLength(IniFile::MaxValueLength);
    lblChildren = Ui::label(pnlOptions, QStringLiteral("lblChildren"), QStringLiteral("Children"), At::lblChildren);
    lstChildren = Ui::list(pnlOptions, QStringLiteral("lstChildren"), At::lstChildren);
    lstChildren->setAccessibleName(QStringLiteral("Children"));
    lblChildren->setBuddy(lstChildren);
    btnAddChild = Ui::button(pnlOptions, QStringLiteral("btnAddChild"), QStringLiteral("Add Child"), At::btnAddChild);
    btnRemoveChild =
        Ui::button(pnlOptions, QStringLiteral("btnRemoveChild"), QStringLiteral("Remove Child"), At::btnRemoveChild);
    btnSaveOptions = Ui::pictureButton(pnlOptions, QStringLiteral("btnSaveOptions"), QStringLiteral("Save Options"),
                                       QStringLiteral(":/art/maint_saveoptions.svg"), At::btnSaveOptions);
    btnCancelOptions = Ui::pictureButton(pnlOptions, QStringLiteral("btnCancelOptions"), QStringLiteral("Cancel"),
                                         QStringLiteral(":/art/maint_cancel.svg"), At::btnCancelOptions);
    for (QPushButton *b : {btnSaveOptions, btnCancelOptions})
        b->setFont(Fonts::sized(At::ButtonPoints, true));
}

void frmMaint::btnOptions_Click()
{
    // Only while protection is on are the stored values shown; otherwise the controls
    // keep what they show (empty in a new window, as last left after a cancel).
    if (Settings::isProtected()) {
        chkPassword->setChecked(true);
        txtPassword->setText(Settings::password());
    }
    loadChildren();
    Panels::show(pnlOptions);
    Panels::hide(pnlStart);
    setEnterButton(btnSaveOptions);
    btnSaveOptions->setFocus();
}

void frmMaint::loadChildren()
{
    lstChildren->clear();
    lstChildren->addItems(m_ctx.history.children());
}

void frmMaint::btnSaveOptions_Click()
{
    // Switched off, the old password stays in the file; nothing reads it then. A
    // failed write has shown the settings error box; the panel closes all the same.
    Settings::saveProtection(chkPassword->isChecked(), txtPassword->text());
    Panels::show(pnlStart);
    Panels::hide(pnlOptions);
    setEnterButton(nullptr);
}

void frmMaint::btnCancelOptions_Click()
{
    Panels::show(pnlStart);
    Panels::hide(pnlOptions);
    setEnterButton(nullptr);
}

// Children are kept by the history at once; the password waits for "Save Options".
void frmMaint::btnAddChild_Click()
{
    HistoryStore *store = m_ctx.history.store();
    if (!store) {
        MsgBox(QStringLiteral("The history is not available, so no child can be added."), MsgButtons::Ok,
               MsgIcon::Exclamation);
        return;
    }
    const QString name = InputBox(QStringLiteral("Type the child's name:"), QStringLiteral("Add Child"));
    if (name.isEmpty())
        return; // cancelled
    if (const QString why = store->addChild(name); !why.isEmpty()) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Add Child"));
        return;
    }
    loadChildren();
    Q_EMIT m_ctx.catalogue.changed();
}

void frmMaint::btnRemoveChild_Click()
{
    HistoryStore *store = m_ctx.history.store();
    QString name;
    if (!store || !selectedText(lstChildren, name))
        return;
    if (MsgBox(QStringLiteral("Remove %1?\n\nEvery result Wordaroo remembers about %1 will be deleted.").arg(name),
               MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Remove Child")) != MsgResult::Yes)
        return;
    if (const QString why = store->forgetChild(name); !why.isEmpty())
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Remove Child"));
    if (m_ctx.history.child() == name)
        m_ctx.history.setChild(QString());
    loadChildren();
    Q_EMIT m_ctx.catalogue.changed();
}
