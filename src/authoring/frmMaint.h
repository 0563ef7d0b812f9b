#pragma once
#include "authoring/maintpanel.h"
#include "core/ui/soundform.h"

class AppContext;
class AuthoringSession;
class NewNamePanel;
class OptionsPanel;
class AssignPanel;
class ClassServerPanel;
class ProgressReport;
class QAction;
class QMenuBar;
class RecordPanel;
class ReviewSoundPanel;
class SelectTestPanel;
class StartPanel;
class TypeWordPanel;
class WordListPanel;
class WordListsPanel;

// The authoring window: a small wizard of panels stacked at one place, one shown at
// a time, where an adult makes, edits and deletes tests, records words, sets the
// configuration password and sees the children's progress. Each panel is a class of
// its own with its controls and handlers; what a visit is doing (the test, the word,
// the recording) is the AuthoringSession they share. The window puts the panels
// together, shows the one a panel asks for and gives ENTER to that panel's button;
// the file rules live in TestFiles.
class frmMaint final : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmMaint)
  public:
    explicit frmMaint(AppContext &context, QWidget *parent = nullptr);
    ~frmMaint() override;

    // The client area's size in twips, below the menu bar (larger while the report shows).
    static constexpr int ClientWidth = 5460;
    static constexpr int ClientHeight = 3720;
    // The options page is taller: the children's letters lie below its buttons.
    static constexpr int OptionsHeight = 4980;

    QMenuBar *menuBar = nullptr;
    QAction *mnuHelp = nullptr;
    QWidget *client = nullptr; // the client area below the menu bar

    AuthoringSession *session = nullptr;

    StartPanel *pnlStart = nullptr;
    NewNamePanel *pnlNewName = nullptr;
    SelectTestPanel *pnlSelectTest = nullptr;
    WordListPanel *pnlWordList = nullptr;
    WordListsPanel *pnlWordLists = nullptr;
    TypeWordPanel *pnlTypeWord = nullptr;
    RecordPanel *pnlRecord = nullptr;
    ReviewSoundPanel *pnlReviewSound = nullptr;
    OptionsPanel *pnlOptions = nullptr;
    ClassServerPanel *pnlClassServer = nullptr;
    AssignPanel *pnlAssign = nullptr;
    // The progress report, in a window made larger while it shows.
    ProgressReport *pnlProgress = nullptr;

    // What ENTER presses now: the button that has the focus, as in any dialog, or else
    // the shown panel's ENTER button (nullptr: neither).
    QPushButton *enterButton() const;

  public Q_SLOTS:
    void mnuHelp_Click();
    // Shows that panel alone, with its ENTER button and focus.
    void showPage(MaintPage page);

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    void Form_Load();
    QWidget *panel(MaintPage page) const;
    // The client area's size in twips, the menu bar above it.
    void setClientTwips(int width, int height);
    // Makes button the window's ENTER button and clears the previous one.
    void setEnterButton(QPushButton *button);
    QPushButton *m_enterButton = nullptr;

    bool m_wide = false; // the report's size
    bool m_tall = false; // the options' size
    AppContext &m_ctx;
};
