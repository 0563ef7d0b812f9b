#pragma once
#include "authoring/maintpanel.h"

class QLabel;
class QLineEdit;
class WordListPanel;

// pnlTypeWord: the spelling of a new word, then recorded or said by the computer voice.
class TypeWordPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(TypeWordPanel)
  public:
    // words: the list the word is checked against and joins.
    TypeWordPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent);

    QLabel *Label10 = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnRecordWord = nullptr;
    QPushButton *btnComputerVoice = nullptr; // "Use the &Computer Voice"
    QPushButton *btnTypeWordList = nullptr;  // "Type a &List of Words": a test can start from a list

    QPushButton *enterButton() const override { return btnRecordWord; }
    QWidget *focusOnShow() const override;

  public Q_SLOTS:
    void btnRecordWord_Click();
    void btnComputerVoice_Click();
    void btnTypeWordList_Click();

  private:
    // The checks of the typed word before it is recorded or said; false after the
    // message. The word accepted becomes the session's word.
    bool acceptWord();

    WordListPanel *m_words;
};
