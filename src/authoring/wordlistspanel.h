#pragma once
#include "authoring/maintpanel.h"

#include <atomic>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class WordListPanel;

// pnlWordLists: a whole list of words typed, pasted or read from a text file, each
// given the computer voice.
class WordListsPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(WordListsPanel)
  public:
    // words: the list the new words are checked against and join.
    WordListsPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent);

    QLabel *lblWordListPrompt = nullptr;
    QPlainTextEdit *txtWordList = nullptr;
    QPushButton *btnAddTheseWords = nullptr;
    QPushButton *btnOpenTextFile = nullptr;
    QPushButton *btnCancelWordList = nullptr;
    QProgressBar *pbWordList = nullptr; // shown while the words are being made
    QLabel *lblWordsFound = nullptr;    // "12 words found", as the text changes

    // ENTER starts a new line in the box: no ENTER button.
    QWidget *focusOnShow() const override;
    // The count is made again against the test's words as they are now.
    void reload() override;

  public Q_SLOTS:
    void btnAddTheseWords_Click();
    void btnOpenTextFile_Click();
    void btnCancelWordList_Click();
    void txtWordList_Change();

  private:
    void wordListRunning(bool running);

    WordListPanel *m_words;
    // While a word list is being made: set by "Cancel" to stop it after the current word.
    std::shared_ptr<std::atomic<bool>> m_stopWordList;
};
