#pragma once
#include "authoring/maintpanel.h"
#include "core/ui/letters.h"

#include <QHash>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// pnlOptions: the configuration password, kept in the settings file and checked by
// the start window, the children whose results the history keeps (the class's roster
// while the machine is in a class), the dictionary that tells when a wrong answer is
// another real word (kept in the settings file), and the letters each child reads their
// words in (for the child selected in the list; with none selected, for when no child
// is chosen), kept in the settings file on "Save Options".
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
    QLabel *lblLettersFor = nullptr;
    QLabel *lblLetters = nullptr;
    QComboBox *cboLetters = nullptr;
    QLabel *lblSpacing = nullptr;
    QComboBox *cboSpacing = nullptr;
    QLabel *lblSize = nullptr;
    QComboBox *cboSize = nullptr;
    QLabel *lblLettersSample = nullptr; // a word in the letters chosen
    QPushButton *btnClassServer = nullptr;

    QPushButton *enterButton() const override { return btnSaveOptions; }
    QWidget *focusOnShow() const override;
    // The stored password while protection is on, the children and the dictionary.
    void reload() override;

  public Q_SLOTS:
    void btnSaveOptions_Click();
    void btnCancelOptions_Click();
    void btnAddChild_Click();
    void btnRemoveChild_Click();
    void btnClassServer_Click();

  private:
    void loadChildren();
    QString selectedChild() const;
    // Shows the letters of a child (as changed since the panel was shown, else as saved).
    void showLetters(const QString &child);
    void lettersChanged();

    QString m_lettersChild;                   // whose letters the boxes show
    QHash<QString, Letters::Style> m_letters; // changed since the panel was shown, by child
    bool m_showingLetters = false;
    // While the machine is in a class: changes the class's roster as the teacher (whose
    // password is asked once per run). Empty when done, else why not.
    QString changeRoster(const QString &add, const QString &remove);
};
