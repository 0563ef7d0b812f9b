#pragma once
#include "core/platform/forms.h"

#include <QString>
#include <QStringList>

class AppContext;
class MMControl;
class ProgressReport;
class Picture;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

// The authoring window: a small wizard of eight panels stacked at one place, one
// shown at a time, where an adult makes, edits and deletes tests, records words and
// sets the configuration password. The panel flow, the ENTER button of each panel
// and the device commands live here; the file rules live in TestFiles.
class frmMaint final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmMaint)
  public:
    explicit frmMaint(AppContext &context, QWidget *parent = nullptr);
    ~frmMaint() override;

    // The client area's size in twips, below the menu bar (larger while the report shows).
    static constexpr int ClientWidth = 5460;
    static constexpr int ClientHeight = 3720;

    // Captions that tell the two states of btnBeginRecord apart.
    static const QString BeginCaption;
    static const QString StopCaption;

    QMenuBar *menuBar = nullptr;
    QAction *mnuHelp = nullptr;
    QWidget *client = nullptr; // the client area below the menu bar
    MMControl *MMControl1 = nullptr;

    QWidget *pnlStart = nullptr;
    QPushButton *btnMake = nullptr;
    QPushButton *btnEdit = nullptr;
    QPushButton *btnOptions = nullptr;
    QPushButton *btnProgress = nullptr;
    QPushButton *btnExit = nullptr;
    Picture *Image1 = nullptr;

    QWidget *pnlNewName = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtNewName = nullptr;
    QPushButton *btnNewNext = nullptr;

    QWidget *pnlSelectTest = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *LstTests = nullptr;
    QPushButton *btnDeleteTest = nullptr;
    QPushButton *btnEditTest = nullptr;
    QPushButton *btnCancelSelect = nullptr;
    QPushButton *btnShareTest = nullptr; // the selected test as one file to give away
    QPushButton *btnAddShared = nullptr; // a test someone shared, added from its file

    QWidget *pnlWordList = nullptr;
    QLabel *Label14 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *btnAddWord = nullptr;
    QPushButton *btnDelWord = nullptr;
    QPushButton *btnReRecordWord = nullptr;
    QPushButton *btnFinishNewTest = nullptr;
    QPushButton *btnTypeList = nullptr;            // "Type a &List of Words"
    QPushButton *btnRecordComputerWords = nullptr; // "Record the Computer &Words"

    // A whole list of words at once, each given the computer voice.
    QWidget *pnlWordLists = nullptr;
    QLabel *lblWordListPrompt = nullptr;
    QPlainTextEdit *txtWordList = nullptr;
    QPushButton *btnAddTheseWords = nullptr;
    QPushButton *btnOpenTextFile = nullptr;
    QPushButton *btnCancelWordList = nullptr;
    QProgressBar *pbWordList = nullptr; // shown while the words are being made

    QWidget *pnlTypeWord = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnRecordWord = nullptr;
    QPushButton *btnComputerVoice = nullptr; // "Use the &Computer Voice"

    QWidget *pnlRecord = nullptr;
    QLabel *lblRecording = nullptr;
    QLabel *lblWordToRecord = nullptr;
    QLabel *Label12 = nullptr;
    QPushButton *btnBeginRecord = nullptr;
    // Shown only while recording: the microphone's level and the time recorded.
    QProgressBar *pbLevel = nullptr;
    QLabel *lblElapsed = nullptr;
    QTimer *tmrLevel = nullptr;
    // Guided recording only: leave the words still to record for the word list.
    QPushButton *btnBackToList = nullptr;
    // Recording a sentence only: a typed sentence said by the computer voice instead.
    QLineEdit *txtSentence = nullptr;
    QPushButton *btnSentenceVoice = nullptr;

    QWidget *pnlReviewSound = nullptr;
    QLabel *Label13 = nullptr;
    QPushButton *btnSaveWord = nullptr;
    QPushButton *btnListen = nullptr;
    QPushButton *btnReRecord = nullptr;
    QPushButton *btnAddSentence = nullptr; // "Add a &Sentence"

    QWidget *pnlOptions = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QCheckBox *chkPassword = nullptr;
    QPushButton *btnSaveOptions = nullptr;
    QPushButton *btnCancelOptions = nullptr;
    QLabel *lblChildren = nullptr;
    QListWidget *lstChildren = nullptr;
    QPushButton *btnAddChild = nullptr;
    QPushButton *btnRemoveChild = nullptr;

    // The progress report, in a window made larger while it shows.
    ProgressReport *pnlProgress = nullptr;

    // The button that ENTER presses now (nullptr: none, ENTER only presses a
    // focused button).
    QPushButton *enterButton() const;

  public Q_SLOTS:
    void LoadTests();

    void btnMake_Click();
    void btnNewNext_Click();
    void btnEdit_Click();
    void btnEditTest_Click();
    void btnDeleteTest_Click();
    void btnCancelSelect_Click();
    void btnShareTest_Click();
    void btnAddShared_Click();
    void btnFinishNewTest_Click();
    void btnExit_Click();
    void mnuHelp_Click();

    void btnAddWord_Click();
    void btnRecordWord_Click();
    void btnBeginRecord_Click();
    void btnListen_Click();
    void btnReRecord_Click();
    void btnSaveWord_Click();
    void btnReRecordWord_Click();
    void btnDelWord_Click();
    // Refreshes the level meter and the time recorded while a recording runs.
    void tmrLevel_Timer();

    void btnComputerVoice_Click();
    void btnTypeList_Click();
    void btnAddTheseWords_Click();
    void btnOpenTextFile_Click();
    void btnCancelWordList_Click();
    void btnRecordComputerWords_Click();
    void btnBackToList_Click();
    void btnAddSentence_Click();
    void btnSentenceVoice_Click();

    void btnOptions_Click();
    void btnSaveOptions_Click();
    void btnCancelOptions_Click();
    void btnAddChild_Click();
    void btnRemoveChild_Click();

    void btnProgress_Click();
    void btnProgressBack_Click();

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    AppContext &m_ctx;
    void Form_Load();
    void buildStartPanels();
    void buildWordPanels();
    void buildWordListsPanel(const QFont &promptFont);
    void buildOptionsPanel();
    void buildProgressPanel();
    void loadChildren();
    // The client area's size in twips, the menu bar above it.
    void setClientTwips(int width, int height);
    void connectHandlers();

    // Makes button the window's ENTER button and clears the previous one.
    void setEnterButton(QPushButton *button);
    // Whether an entry of the list is selected; its text goes to text.
    static bool selectedText(QListWidget *list, QString &text);
    void setRecordingLook(bool recording);
    void stopLevelMeter();

    // What pnlRecord and pnlReviewSound are recording now: the word or its sentence.
    enum class Take { Word, Sentence };
    void setTake(Take take);
    // The file the recording goes to.
    QString takePath() const;
    // Reads the recording, cleans it and puts it back before "Save"; false (with the
    // message shown) when it must not be saved. clipped tells the caller to warn after.
    bool cleanRecording(bool &clipped);
    // After a word or sentence is saved: the next word of a guided recording, or the list.
    bool saveRecording();
    void afterSave();
    void showWordList();
    // The next word that still has the computer voice, on pnlRecord (idle); the word
    // list when none is left.
    void nextGuidedWord();
    void showRecordIdle();
    // Lists word at the end of List1 unless it is listed, and shows how it was made.
    void listWord(const QString &word);
    void decorate(QListWidgetItem *item) const;
    void decorateAll();
    void wordListRunning(bool running);

    Take m_take = Take::Word;
    bool m_guided = false;
    QStringList m_guidedWords; // still to record, in list order
};
