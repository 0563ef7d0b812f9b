#pragma once
#include "authoring/maintpanel.h"

class QLabel;
class QLineEdit;
class SelectTestPanel;

// pnlNewName: the name of a new test, checked and made into its folder.
class NewNamePanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(NewNamePanel)
  public:
    // tests: the list of tests, which the new name is checked against and joins.
    NewNamePanel(SoundForm *window, AuthoringSession *session, SelectTestPanel *tests, QWidget *parent);

    QLabel *Label3 = nullptr;
    QLineEdit *txtNewName = nullptr;
    QPushButton *btnNewNext = nullptr;

    QPushButton *enterButton() const override { return btnNewNext; }
    QWidget *focusOnShow() const override;

  public Q_SLOTS:
    void btnNewNext_Click();

  Q_SIGNALS:
    // The new test's folder is made and selected; it has no words yet.
    void testMade();

  private:
    SelectTestPanel *m_tests;
};
