#include "authoring/optionspanel.h"

#include "core/platform/appcontext.h"

#include "core/platform/dialogs.h"
#include "core/platform/inifile.h"
#include "core/platform/settings.h"
#include "core/platform/testlibrary.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "voice/dictionary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlOptions{0, 0, 5340, 3720};
constexpr Twips::Box chkPassword{180, 150, 2265, 465};
constexpr Twips::Box Label1{2670, 60, 1170, 225};
constexpr Twips::Box txtPassword{2670, 270, 2265, 360};
constexpr Twips::Box lblChildren{180, 720, 2900, 255};
constexpr Twips::Box lstChildren{180, 975, 2900, 1200};
constexpr Twips::Box btnAddChild{3300, 975, 1830, 420};
constexpr Twips::Box btnRemoveChild{3300, 1455, 1830, 420};
constexpr Twips::Box btnSaveOptions{2985, 2280, 2145, 825};
constexpr Twips::Box btnCancelOptions{465, 2280, 2145, 825};
constexpr Twips::Box lblDictionary{180, 3330, 1100, 255};
constexpr Twips::Box cboDictionary{1300, 3270, 2400, 360};

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
    lblDictionary = Ui::label(this, QStringLiteral("lblDictionary"), QStringLiteral("Dictionary:"), At::lblDictionary);
    cboDictionary = new QComboBox(this);
    cboDictionary->setObjectName(QStringLiteral("cboDictionary"));
    cboDictionary->setAccessibleName(QStringLiteral("Dictionary"));
    for (const Dictionaries::Language l : Dictionaries::all())
        cboDictionary->addItem(Dictionaries::caption(l), Dictionaries::code(l));
    Twips::place(cboDictionary, At::cboDictionary);
    lblDictionary->setBuddy(cboDictionary);
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
    cboDictionary->setCurrentIndex(cboDictionary->findData(Dictionaries::code(Dictionaries::chosen())));
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
    // The dictionary is written only when changed, and not after a failed write (whose
    // box has been shown once).
    const QString dictionary = cboDictionary->currentData().toString();
    if (Settings::saveProtection(chkPassword->isChecked(), txtPassword->text()) &&
        dictionary != Dictionaries::code(Dictionaries::chosen()))
        Settings::set(Dictionaries::SettingKey, dictionary);
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
    if (const QString why = store->addChild(name); !why.isEmpty()) {
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
    if (const QString why = store->forgetChild(name); !why.isEmpty())
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Remove Child"));
    if (ctx().history.child() == name)
        ctx().history.setChild(QString());
    loadChildren();
    Q_EMIT ctx().catalogue.changed();
}
