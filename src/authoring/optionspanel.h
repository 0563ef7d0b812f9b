#pragma once
#include "authoring/maintpanel.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// pnlOptions: the configuration password, kept in the settings file and checked by
// the start window, and the children whose results the history keeps (the class's
// roster while the machine is in a class).
class OptionsPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(OptionsPanel)
  public:
    OptionsPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QLabel *Label1 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QCheckBox *chkPassword = nullptr;
    QPushButton *btnSaveOptions = nullptr;
    QPushButton *btnCancelOptions = nullptr;
    QLabel *lblChildren = nullptr;
    QListWidget *lstChildren = nullptr;
    QPushButton *btnAddChild = nullptr;
    QPushButton *btnRemoveChild = nullptr;
    QPushButton *btnClassServer = nullptr;

    QPushButton *enterButton() const override { return btnSaveOptions; }
    QWidget *focusOnShow() const override;
    // The stored password while protection is on, and the children.
    void reload() override;

  public Q_SLOTS:
    void btnSaveOptions_Click();
    void btnCancelOptions_Click();
    void btnAddChild_Click();
    void btnRemoveChild_Click();
    void btnClassServer_Click();

  private:
    void loadChildren();
    // While the machine is in a class: changes the class's roster as the teacher (whose
    // password is asked once per run). Empty when done, else why not.
    QString changeRoster(const QString &add, const QString &remove);
};
