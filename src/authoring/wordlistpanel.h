#pragma once
#include "authoring/maintpanel.h"

class QLabel;
class QListWidgetItem;

// pnlWordList: the words of the test being edited, each marked as recorded or said
// by the computer voice, and the ways to add, record again or delete them.
class WordListPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(WordListPanel)
  public:
    WordListPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QLabel *Label14 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *btnAddWord = nullptr;
    QPushButton *btnDelWord = nullptr;
    QPushButton *btnReRecordWord = nullptr;
    QPushButton *btnFinishNewTest = nullptr;
    QPushButton *btnTypeList = nullptr;            // "Type a &List of Words"
    QPushButton *btnRecordComputerWords = nullptr; // "Record the Computer &Words"

    QPushButton *enterButton() const override { return btnAddWord; }
    QWidget *focusOnShow() const override;
    // Back on the list: a guided recording is over and words are recorded next.
    void reload() override;

    // The words listed, in list order.
    QStringList words() const;
    // The words of the chosen test, read from its folder; none for a new test.
    void loadWords();
    void clearWords();

  public Q_SLOTS:
    void btnAddWord_Click();
    void btnDelWord_Click();
    void btnReRecordWord_Click();
    void btnFinishNewTest_Click();
    void btnTypeList_Click();
    void btnRecordComputerWords_Click();

    // Lists word at the end unless it is listed, and shows how it was made.
    void listWord(const QString &word);
    // After a word or sentence is saved: the next word of a guided recording, or the list.
    void afterSave();

  private:
    void decorate(QListWidgetItem *item) const;
    void decorateAll();
};
