#pragma once
#include "authoring/maintpanel.h"

class QLabel;
class QLineEdit;
struct ClassSettings;

// pnlClassServer: joins this machine to a class's server (or leaves it). The setting is
// kept in "class.ini" in the program folder; the password is never shown in a message.
class ClassServerPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(ClassServerPanel)
  public:
    ClassServerPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QLabel *lblServer = nullptr;
    QLineEdit *txtServer = nullptr;
    QLabel *lblPort = nullptr;
    QLineEdit *txtPort = nullptr;
    QLabel *lblDatabase = nullptr;
    QLineEdit *txtDatabase = nullptr;
    QLabel *lblUser = nullptr;
    QLineEdit *txtUser = nullptr;
    QLabel *lblClassPassword = nullptr;
    QLineEdit *txtClassPassword = nullptr;
    QPushButton *btnConnect = nullptr;
    QPushButton *btnDisconnect = nullptr;
    QPushButton *btnCancelClass = nullptr;

    QPushButton *enterButton() const override { return btnConnect; }
    QWidget *focusOnShow() const override;
    // The class this machine belongs to, if any.
    void reload() override;

  public Q_SLOTS:
    void btnConnect_Click();
    void btnDisconnect_Click();
    void btnCancelClass_Click();
};
