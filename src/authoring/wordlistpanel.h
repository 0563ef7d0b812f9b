#pragma once
#include "authoring/maintpanel.h"

#include <QHash>
#include <QSet>

class QLabel;
class QListWidgetItem;
class RecordingChecks;
namespace RecordingCheck
{
struct Result;
}

// pnlWordList: the words of the test being edited, each marked as recorded or said
// by the computer voice, and the ways to add, record again or delete them. Each
// recording is listened to when it is saved, and all of them on "Check the Recordings":
// a recording that may not say its word gets a warning mark until it is recorded again
// or the adult keeps it ("This Recording Is Right").
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
    QPushButton *btnCheckRecordings = nullptr;     // "C&heck the Recordings"
    QPushButton *btnRecordingIsRight = nullptr;    // "This Recording Is Ri&ght": enabled on a marked word

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
    void btnCheckRecordings_Click();
    void btnRecordingIsRight_Click();

    // Lists word at the end unless it is listed, and shows how it was made; a word
    // recorded by the adult is listened to.
    void listWord(const QString &word);
    // After a word or sentence is saved: the next word of a guided recording, or the list.
    void afterSave();

  private:
    void decorate(QListWidgetItem *item) const;
    void decorateAll();
    void recordingChecked(const QString &path, const QString &word, const RecordingCheck::Result &result);
    void showRightButton();
    void forgetChecks();

    RecordingChecks *m_checks = nullptr;
    QHash<QString, QString> m_doubts; // word -> what its recording sounded like
    // While "Check the Recordings" runs: the recordings still to come, and what came.
    QSet<QString> m_wholeTest;
    int m_wholeDoubts = 0;
    int m_wholeChecked = 0;
    QString m_wholeFailure;
};
