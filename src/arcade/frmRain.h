#pragma once
#include "arcade/gamerules.h"
#include "core/ui/soundform.h"

class AppContext;
class Picture;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// Raining Words: spoken words fall towards three umbrellas and are caught by typing
// them. One game per opening of the window; "Stop Game" (or the close box) brings
// the arcade chooser back and discards the window with all its state.
class frmRain : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmRain)
  public:
    explicit frmRain(AppContext &context, QWidget *parent = nullptr);
    ~frmRain() override;

    // Window state, fresh with every window.
    QString CurrentWord;
    bool GameOver = false;
    qint32 Score = 0;
    Arcade::WordOrder order; // its SequencePos is the window's

    // The falling label's top and height in twips (single precision, as it moves).
    float wordTop() const { return m_wordTop; }
    float wordHeight() const { return m_wordHeight; }
    // The alignment value of the falling label: 0 left, 1 right, 2 centre.
    int wordAlignment() const { return m_alignment; }
    const Arcade::Rain::Umbrellas &umbrellas() const { return m_umbrellas; }

    QWidget *pnlStart = nullptr;
    QListWidget *List1 = nullptr;
    QCheckBox *chkRandom = nullptr;
    QPushButton *btnStart = nullptr;
    Picture *picProf = nullptr;
    QLabel *lblWord = nullptr;
    Picture *umb[Arcade::Rain::UmbrellaCount] = {};
    Picture *imgBoom = nullptr;
    QLineEdit *txtWord = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblScore = nullptr;
    QPushButton *Command4 = nullptr;
    Picture *Image1 = nullptr;
    Picture *Image2 = nullptr;
    Picture *Image3 = nullptr;
    QWidget *YourAllWet = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label4 = nullptr;
    Picture *Image4 = nullptr;
    QTimer *Timer1 = nullptr;

  public Q_SLOTS:
    void Form_Load();
    void btnStart_Click();
    void Timer1_Timer();
    // Key code 13 (Enter) only; the shift state is not used.
    void TxtWord_KeyDown(int KeyCode, int Shift);
    void Command4_Click();
    void picProf_Click();

  public:
    void NextWord();
    // False when the window was closed (or the program ended) during the splash.
    bool Boom();

  protected:
    // The close box does what "Stop Game" does.
    void Form_Unload(bool &keepOpen) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    AppContext &m_ctx;
    void placeWord();
    void setAlignment(int alignment);
    // Starts the fall timer; inside a tick after a catch it just keeps running, so a
    // new word keeps the level's beat however long the tick took.
    void enableTimer();
    // The splash's own command sequence, to the end of the sound; false when the
    // window did not survive it.
    bool playSplash();

    float m_wordTop = 15; // the design top, until the first word
    float m_wordHeight = Arcade::Rain::WordHeight;
    int m_alignment = Arcade::Rain::AlignLeft;
    int m_interval = 0;
    Arcade::Rain::Umbrellas m_umbrellas;
    bool m_inTick = false;
    bool m_stopAtTickEnd = false;
};
