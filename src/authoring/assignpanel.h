#pragma once
#include "authoring/maintpanel.h"

class QCalendarWidget;
class QComboBox;
class QLabel;

// pnlAssign: gives a class test to children of the class (all of them unless the teacher
// unticks some) with a due date. The class tests and the roster are read from the server
// as the teacher when the panel opens.
class AssignPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(AssignPanel)
  public:
    AssignPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QLabel *lblAssignTest = nullptr;
    QComboBox *cboAssignTest = nullptr;
    QLabel *lblAssignChildren = nullptr;
    QListWidget *lstAssignChildren = nullptr; // ticked: assigned
    QLabel *lblDue = nullptr;
    QCalendarWidget *calDue = nullptr;
    QPushButton *btnAssignOK = nullptr;
    QPushButton *btnCancelAssign = nullptr;

    QPushButton *enterButton() const override { return btnAssignOK; }
    QWidget *focusOnShow() const override;
    void reload() override;
    // The children ticked.
    QStringList chosenChildren() const;

  public Q_SLOTS:
    void btnAssignOK_Click();
    void btnCancelAssign_Click();
};
