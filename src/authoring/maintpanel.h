#pragma once
#include <QWidget>

class AppContext;
class AuthoringSession;
class MMControl;
class QListWidget;
class QPushButton;
class SoundForm;
namespace Twips
{
struct Box;
}

// The panels of the authoring window, stacked at one place, one shown at a time.
enum class MaintPage {
    Start,
    NewName,
    SelectTest,
    WordList,
    WordLists,
    TypeWord,
    Record,
    ReviewSound,
    Options,
    Progress,
    ClassServer,
    Assign
};

// One panel of the authoring window: its controls, its handlers (public slots named
// after the control and event) and what the window must know to show it. A panel
// asks the window to show another with switchTo(); it reaches the window's sound
// control and waits through the window it belongs to.
class MaintPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MaintPanel)
  public:
    MaintPanel(SoundForm *window, AuthoringSession *session, QWidget *parent, const QString &name,
               const Twips::Box &at);

    // The button ENTER presses while the panel shows and no other button has the focus
    // (a focused button answers ENTER itself, as in any dialog; nullptr: ENTER presses
    // only a focused button).
    virtual QPushButton *enterButton() const { return nullptr; }
    // The control that takes the focus when the panel is shown (nullptr: left to Qt).
    virtual QWidget *focusOnShow() const { return nullptr; }
    // Runs just before the panel is shown: it reads again what it shows.
    virtual void reload() {}

  Q_SIGNALS:
    void switchTo(MaintPage page);

  protected:
    SoundForm *form() const { return m_window; }
    AuthoringSession &session() const { return *m_session; }
    AppContext &ctx() const;
    MMControl &device() const;
    // Whether an entry of the list is selected; its text goes to text.
    static bool selectedText(QListWidget *list, QString &text);
    static QStringList entries(const QListWidget *list);

  private:
    SoundForm *m_window;
    AuthoringSession *m_session;
};

namespace MaintArt
{
// A picture of the program's art by its name.
QString path(const char *name);
} // namespace MaintArt
