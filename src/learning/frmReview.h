#pragma once
#include "core/platform/forms.h"

class MMControl;
class Picture;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// Study mode: each word of the selected test is shown and spoken, and the child
// copies it exactly (case counts, outer spaces do not) to move on. After the last
// word the window says so and returns to the activity menu.
class frmReview final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmReview)
  public:
    explicit frmReview(QWidget *parent = nullptr);
    ~frmReview() override;

    QLabel *lblWord = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnNext = nullptr;
    QLabel *lblProgress = nullptr;
    QPushButton *Command2 = nullptr;
    Picture *Picture1 = nullptr;
    QListWidget *lstCorrect = nullptr; // the words; never shown
    QTimer *Timer1 = nullptr;
    MMControl *MMControl1 = nullptr;

    // 0-based position of the word being studied.
    int WordIndex = 0;

  public Q_SLOTS:
    void Timer1_Timer();
    void btnNext_Click();
    void Command2_Click();
    void Picture1_Click();

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    void Form_Load();
    void StartTest();
    // Shows and speaks the word at WordIndex after checking its file.
    void ShowWord();
    void SayWordAgain();
    void Leave();
    bool alive() const;

    bool m_started = false;
    bool m_leaving = false;
};
