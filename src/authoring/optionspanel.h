#pragma once
#include "authoring/maintpanel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// pnlOptions: the configuration password, kept in the settings file and checked by
// the start window, the children whose results the history keeps, and the dictionary
// that tells when a wrong answer is another real word (kept in the settings file).
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
    QLabel *lblDictionary = nullptr;
    QComboBox *cboDictionary = nullptr; // "British English", "American English"

    QPushButton *enterButton() const override { return btnSaveOptions; }
    QWidget *focusOnShow() const override;
    // The stored password while protection is on, the children and the dictionary.
    void reload() override;

  public Q_SLOTS:
    void btnSaveOptions_Click();
    void btnCancelOptions_Click();
    void btnAddChild_Click();
    void btnRemoveChild_Click();

  private:
    void loadChildren();
};
