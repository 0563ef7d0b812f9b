// The options panel of the authoring window: the configuration password, kept in
// the settings file and checked by the start window.
#include "authoring/frmMaint.h"

#include "core/platform/inifile.h"
#include "core/platform/settings.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void frmMaint::buildOptionsPanel()
{
    pnlOptions = Ui::panel(client, QStringLiteral("pnlOptions"), 0, 0, 5340, 3300);
    chkPassword = Ui::checkBox(pnlOptions, QStringLiteral("chkPassword"),
                               QStringLiteral("Password Protect This Test Configuration Screen"), 180, 150, 2265, 465);
    Label1 = Ui::label(pnlOptions, QStringLiteral("Label1"), QStringLiteral("Password"), 2670, 60, 1170, 225);
    txtPassword = Ui::textBox(pnlOptions, QStringLiteral("txtPassword"), 2670, 270, 2265, 360);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    // The settings file keeps values up to its limit; a longer password would be read
    // back cut and never match again.
    txtPassword->setMaxLength(IniFile::MaxValueLength);
    btnSaveOptions = Ui::pictureButton(pnlOptions, QStringLiteral("btnSaveOptions"), QStringLiteral("Save Options"),
                                       QStringLiteral(":/art/maint_saveoptions.svg"), {2985, 2280, 2145, 825});
    btnCancelOptions = Ui::pictureButton(pnlOptions, QStringLiteral("btnCancelOptions"), QStringLiteral("Cancel"),
                                         QStringLiteral(":/art/maint_cancel.svg"), {465, 2280, 2145, 825});
    for (QPushButton *b : {btnSaveOptions, btnCancelOptions})
        b->setFont(Fonts::sized(9.75, true));
}

void frmMaint::btnOptions_Click()
{
    // Only while protection is on are the stored values shown; otherwise the controls
    // keep what they show (empty in a new window, as last left after a cancel).
    if (Settings::isProtected()) {
        chkPassword->setChecked(true);
        txtPassword->setText(Settings::password());
    }
    Panels::show(pnlOptions);
    Panels::hide(pnlStart);
    setEnterButton(btnSaveOptions);
    btnSaveOptions->setFocus();
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
