#include "authoring/wordlistspanel.h"

#include "authoring/wordlistpanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"
#include "voice/wordlistrules.h"

#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlWordLists{0, 30, 5415, 3690};
constexpr Twips::Box lblWordListPrompt{45, 60, 5310, 315};
constexpr Twips::Box txtWordList{60, 435, 3195, 2400};
constexpr Twips::Box btnAddTheseWords{3360, 450, 1980, 495};
constexpr Twips::Box btnOpenTextFile{3360, 1050, 1980, 495};
constexpr Twips::Box btnCancelWordList{3360, 1650, 1980, 495};
constexpr Twips::Box pbWordList{60, 2955, 5280, 255};
constexpr Twips::Box lblWordsFound{3360, 2250, 1980, 660};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
} // namespace At
} // namespace

WordListsPanel::WordListsPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlWordLists"), At::pnlWordLists), m_words(words)
{
    lblWordListPrompt = Ui::label(this, QStringLiteral("lblWordListPrompt"),
                                  QStringLiteral("Type or paste the words, one on each line:"), At::lblWordListPrompt);
    lblWordListPrompt->setFont(Fonts::sized(At::PromptPoints));
    txtWordList = new QPlainTextEdit(this);
    txtWordList->setObjectName(QStringLiteral("txtWordList"));
    txtWordList->setAccessibleName(QStringLiteral("The words, one on each line"));
    txtWordList->setTabChangesFocus(true);
    txtWordList->setLineWrapMode(QPlainTextEdit::NoWrap);
    Twips::place(txtWordList, At::txtWordList);
    btnAddTheseWords =
        Ui::button(this, QStringLiteral("btnAddTheseWords"), QStringLiteral("Add These Words"), At::btnAddTheseWords);
    btnOpenTextFile =
        Ui::button(this, QStringLiteral("btnOpenTextFile"), QStringLiteral("Open a Text File..."), At::btnOpenTextFile);
    btnCancelWordList =
        Ui::button(this, QStringLiteral("btnCancelWordList"), QStringLiteral("Cancel"), At::btnCancelWordList);
    pbWordList = new QProgressBar(this);
    pbWordList->setObjectName(QStringLiteral("pbWordList"));
    pbWordList->setAccessibleName(QStringLiteral("Words made so far"));
    Twips::place(pbWordList, At::pbWordList);
    pbWordList->setVisible(false);
    lblWordsFound = Ui::label(this, QStringLiteral("lblWordsFound"), QString(), At::lblWordsFound);
    lblWordsFound->setWordWrap(true);
    lblWordsFound->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QPushButton *b : {btnAddTheseWords, btnOpenTextFile, btnCancelWordList})
        b->setFont(Fonts::sized(At::ButtonPoints, true));

    connect(btnAddTheseWords, &QPushButton::clicked, this, &WordListsPanel::btnAddTheseWords_Click);
    connect(btnOpenTextFile, &QPushButton::clicked, this, &WordListsPanel::btnOpenTextFile_Click);
    connect(btnCancelWordList, &QPushButton::clicked, this, &WordListsPanel::btnCancelWordList_Click);
    connect(txtWordList, &QPlainTextEdit::textChanged, this, &WordListsPanel::txtWordList_Change);
}

void WordListsPanel::txtWordList_Change()
{
    // What the list holds is counted before anything is made, so a surprise shows.
    lblWordsFound->setText(
        WordListRules::foundSummary(WordListRules::parse(txtWordList->toPlainText(), m_words->words())));
}

QWidget *WordListsPanel::focusOnShow() const
{
    return txtWordList;
}

void WordListsPanel::reload()
{
    txtWordList_Change();
}

void WordListsPanel::btnCancelWordList_Click()
{
    if (m_stopWordList) {
        *m_stopWordList = true; // the list ends after the word being said
        return;
    }
    Q_EMIT switchTo(MaintPage::WordList);
}

void WordListsPanel::btnOpenTextFile_Click()
{
    const QString path = dialogs().openFile(form(), QStringLiteral("Open a Text File"), QDir::homePath(),
                                            QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    QString text, error;
    if (!WordListRules::readTextFile(path, &text, &error)) {
        MsgBox(error, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    txtWordList->setPlainText(text);
    txtWordList->setFocus();
}

void WordListsPanel::wordListRunning(bool running)
{
    // "Cancel" stays enabled: it stops the list after the current word.
    for (QWidget *w : {static_cast<QWidget *>(txtWordList), static_cast<QWidget *>(btnAddTheseWords),
                       static_cast<QWidget *>(btnOpenTextFile)})
        w->setEnabled(!running);
    pbWordList->setVisible(running);
}

void WordListsPanel::btnAddTheseWords_Click()
{
    const WordListRules::Parsed parsed = WordListRules::parse(txtWordList->toPlainText(), m_words->words());
    if (!parsed.wholeRefusal.isEmpty()) {
        MsgBox(parsed.wholeRefusal, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (parsed.accepted.isEmpty() && parsed.refused.isEmpty()) {
        if (!parsed.alreadyInTest.isEmpty()) {
            // Nothing new: the words stay as they are.
            MsgBox(QStringLiteral("Every word of this list is already in the test."), MsgButtons::Ok,
                   MsgIcon::Information);
            txtWordList->clear();
            Q_EMIT switchTo(MaintPage::WordList);
            return;
        }
        MsgBox(QStringLiteral("Type or paste the words first, one on each line."), MsgButtons::Ok,
               MsgIcon::Information);
        txtWordList->setFocus();
        return;
    }

    // The voice works on a thread of its own while the bar shows how far it is.
    device().setCommand(QStringLiteral("Close"));
    ComputerVoice::Batch batch;
    if (!parsed.accepted.isEmpty()) {
        pbWordList->setRange(0, int(parsed.accepted.size()));
        pbWordList->setValue(0);
        wordListRunning(true);
        QPointer<QProgressBar> bar = pbWordList;
        const QString testDir = ctx().TestDir();
        const QStringList words = parsed.accepted;
        const auto stop = std::make_shared<std::atomic<bool>>(false);
        m_stopWordList = stop;
        QThread *worker = QThread::create([&batch, testDir, words, bar, stop] {
            batch = ComputerVoice::makeWords(
                testDir, words,
                [bar](int done, int) {
                    QMetaObject::invokeMethod(
                        bar,
                        [bar, done] {
                            if (bar)
                                bar->setValue(done);
                        },
                        Qt::QueuedConnection);
                },
                stop.get());
        });
        const bool alive = form()->waitFor([worker, stop] {
            QEventLoop loop;
            connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
            worker->start();
            loop.exec();
            *stop = true; // the program ending leaves the loop early: no more words are begun
            worker->wait();
        });
        delete worker;
        if (!alive)
            return;
        m_stopWordList.reset();
        wordListRunning(false);
    }

    for (const QString &word : batch.saved)
        m_words->listWord(word);
    QList<WordListRules::Refusal> notAdded = parsed.refused;
    QStringList leftOver;
    for (const WordListRules::Refusal &r : parsed.refused)
        leftOver << r.line;
    for (const ComputerVoice::Failure &f : batch.failed) {
        notAdded.append({f.word, f.reason});
        leftOver << f.word;
    }
    leftOver << batch.notTried; // stopped by "Cancel": not made, not failed
    if (!notAdded.isEmpty())
        MsgBox(WordListRules::refusalMessage(notAdded), MsgButtons::Ok, MsgIcon::Exclamation);
    if (batch.saved.isEmpty()) {
        txtWordList->setFocus();
        return; // nothing added: the lines stay in the box for correction
    }
    // The lines not added stay in the box for next time.
    txtWordList->setPlainText(leftOver.join(QLatin1Char('\n')));
    Q_EMIT switchTo(MaintPage::WordList);
}
