#pragma once
#include "authoring/maintpanel.h"

class QLabel;
class WordListPanel;

// pnlReviewSound: what was just recorded, to listen to, save, record again, or
// save and go on with a sentence for the word.
class ReviewSoundPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(ReviewSoundPanel)
  public:
    // words: the list a saved word joins.
    ReviewSoundPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent);

    QLabel *Label13 = nullptr;
    QPushButton *btnSaveWord = nullptr;
    QPushButton *btnListen = nullptr;
    QPushButton *btnReRecord = nullptr;
    QPushButton *btnAddSentence = nullptr; // "Add a &Sentence"
    QLabel *lblGuidedPlace = nullptr;      // "Word 3 of 12: owl" while a guided recording runs

    QPushButton *enterButton() const override { return btnSaveWord; }
    QWidget *focusOnShow() const override;

  public Q_SLOTS:
    void btnSaveWord_Click();
    void btnListen_Click();
    void btnReRecord_Click();
    void btnAddSentence_Click();

  private:
    void showSession();
    // Reads the recording, cleans it and puts it back before "Save"; false (with the
    // message shown) when it must not be saved. clipped tells the caller to warn after.
    bool cleanRecording(bool &clipped);
    // Cleans and saves what was just recorded; false, after saying why, when nothing
    // was saved (the adult then stays on this panel).
    bool saveRecording();

    WordListPanel *m_words;
};
