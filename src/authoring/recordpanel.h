#pragma once
#include "authoring/maintpanel.h"

#include "authoring/authoringsession.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;
class WordListPanel;

// pnlRecord: records the session's word (or its sentence) from the microphone;
// ENTER starts and stops. The recording state is the session's.
class RecordPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(RecordPanel)
  public:
    // words: the list a sentence said by the computer voice goes back to.
    RecordPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent);

    // The captions of btnBeginRecord while idle and while recording.
    static const QString BeginCaption;
    static const QString StopCaption;

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
    // "Word 3 of 12: owl" while a guided recording runs.
    QLabel *lblGuidedPlace = nullptr;

    QPushButton *enterButton() const override { return btnBeginRecord; }
    QWidget *focusOnShow() const override;

    void stopLevelMeter();

  public Q_SLOTS:
    void btnBeginRecord_Click();
    // Refreshes the level meter and the time recorded while a recording runs.
    void tmrLevel_Timer();
    void btnBackToList_Click();
    void btnSentenceVoice_Click();

  protected:
    // ENTER in the sentence box says the typed sentence, as "Use the Computer Voice"
    // does, instead of starting the microphone.
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // Shows the session's word, what is recorded for it and whether a recording runs.
    void showSession();
    void setRecordingLook(bool recording);

    WordListPanel *m_words;
    AuthoringSession::Take m_shownTake = AuthoringSession::Take::Word;
};
