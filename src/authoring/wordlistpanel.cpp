#include "authoring/wordlistpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/recordingchecks.h"
#include "authoring/rightrecordings.h"
#include "authoring/testfiles.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"
#include "voice/recordingcheck.h"
#include "voice/sentences.h"

#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlWordList{0, 30, 5415, 3915};
constexpr Twips::Box Label14{-30, 60, 5310, 315};
constexpr Twips::Box List1{60, 435, 3195, 2400};
constexpr Twips::Box btnAddWord{3360, 450, 1980, 495};
constexpr Twips::Box btnDelWord{3360, 1050, 1980, 495};
constexpr Twips::Box btnReRecordWord{3360, 1650, 1980, 495};
constexpr Twips::Box btnFinishNewTest{3375, 2250, 1980, 495};
// The added buttons share the room under the list in two rows.
constexpr Twips::Box btnTypeList{60, 2895, 2535, 390};
constexpr Twips::Box btnRecordComputerWords{2655, 2895, 2700, 390};
constexpr Twips::Box btnCheckRecordings{60, 3315, 2535, 390};
constexpr Twips::Box btnRecordingIsRight{2655, 3315, 2700, 390};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
} // namespace At

const QString RecordedText = QStringLiteral("recorded");
const QString ComputerText = QStringLiteral("computer voice");

QString wavePath(const QString &testDir, const QString &word)
{
    return testDir + word + QStringLiteral(".wav");
}
} // namespace

WordListPanel::WordListPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlWordList"), At::pnlWordList)
{
    Label14 =
        Ui::label(this, QStringLiteral("Label14"), QStringLiteral("Press ENTER to add another word."), At::Label14);
    Label14->setFont(Fonts::sized(At::PromptPoints));
    Label14->setIndent(3); // the label starts left of the panel: keep its first letter whole
    List1 = Ui::list(this, QStringLiteral("List1"), At::List1);
    List1->setAccessibleName(QStringLiteral("Words of the test"));
    List1->setIconSize(QSize(Twips::px(240), Twips::px(240)));
    btnAddWord = Ui::button(this, QStringLiteral("btnAddWord"), QStringLiteral("&Add Word"), At::btnAddWord);
    btnDelWord = Ui::button(this, QStringLiteral("btnDelWord"), QStringLiteral("&Delete Word"), At::btnDelWord);
    btnReRecordWord =
        Ui::button(this, QStringLiteral("btnReRecordWord"), QStringLiteral("&Re-Record Word"), At::btnReRecordWord);
    btnFinishNewTest =
        Ui::button(this, QStringLiteral("btnFinishNewTest"), QStringLiteral("&Finish Test"), At::btnFinishNewTest);
    // Two more ways to fill the word list, below it.
    btnTypeList =
        Ui::button(this, QStringLiteral("btnTypeList"), QStringLiteral("Type a &List of Words"), At::btnTypeList);
    btnRecordComputerWords = Ui::button(this, QStringLiteral("btnRecordComputerWords"),
                                        QStringLiteral("Record the Computer &Words"), At::btnRecordComputerWords);
    // Listening to the recordings.
    btnCheckRecordings = Ui::button(this, QStringLiteral("btnCheckRecordings"), QStringLiteral("C&heck the Recordings"),
                                    At::btnCheckRecordings);
    btnRecordingIsRight = Ui::button(this, QStringLiteral("btnRecordingIsRight"),
                                     QStringLiteral("This Recording Is Ri&ght"), At::btnRecordingIsRight);
    btnRecordingIsRight->setEnabled(false);
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    for (QPushButton *b : {btnAddWord, btnDelWord, btnReRecordWord, btnFinishNewTest, btnTypeList,
                           btnRecordComputerWords, btnCheckRecordings, btnRecordingIsRight})
        b->setFont(buttonFont);

    connect(btnAddWord, &QPushButton::clicked, this, &WordListPanel::btnAddWord_Click);
    connect(btnDelWord, &QPushButton::clicked, this, &WordListPanel::btnDelWord_Click);
    connect(btnReRecordWord, &QPushButton::clicked, this, &WordListPanel::btnReRecordWord_Click);
    connect(btnFinishNewTest, &QPushButton::clicked, this, &WordListPanel::btnFinishNewTest_Click);
    connect(btnTypeList, &QPushButton::clicked, this, &WordListPanel::btnTypeList_Click);
    connect(btnRecordComputerWords, &QPushButton::clicked, this, &WordListPanel::btnRecordComputerWords_Click);
    connect(btnCheckRecordings, &QPushButton::clicked, this, &WordListPanel::btnCheckRecordings_Click);
    connect(btnRecordingIsRight, &QPushButton::clicked, this, &WordListPanel::btnRecordingIsRight_Click);
    connect(List1, &QListWidget::itemSelectionChanged, this, &WordListPanel::showRightButton);
    m_checks = new RecordingChecks(this);
    connect(m_checks, &RecordingChecks::checked, this, &WordListPanel::recordingChecked);
}

QWidget *WordListPanel::focusOnShow() const
{
    return btnAddWord;
}

void WordListPanel::reload()
{
    session().endGuided();
    session().setTake(AuthoringSession::Take::Word);
}

QStringList WordListPanel::words() const
{
    return entries(List1);
}

void WordListPanel::loadWords()
{
    forgetChecks();
    Module1::LoadWordList(List1, ctx().TestDir());
    decorateAll();
}

void WordListPanel::clearWords()
{
    forgetChecks();
    List1->clear();
}

void WordListPanel::forgetChecks()
{
    // Verdicts still to come are for the test left: they find no listed word of its folder.
    m_doubts.clear();
    m_wholeTest.clear();
    btnCheckRecordings->setEnabled(true);
    showRightButton();
}

void WordListPanel::decorate(QListWidgetItem *item) const
{
    const QString word = item->text();
    const bool computer = ComputerVoice::isComputerVoice(wavePath(ctx().TestDir(), word));
    if (const auto doubt = m_doubts.constFind(word); doubt != m_doubts.cend()) {
        const QString warning = RecordingCheck::warning(word, *doubt);
        item->setIcon(QIcon(MaintArt::path("word_doubtful")));
        item->setData(Qt::AccessibleDescriptionRole, warning);
        // A tooltip shows rich text when it looks like it: the word is given escaped, as text.
        item->setToolTip(QStringLiteral("<p>") + warning.toHtmlEscaped() + QStringLiteral("</p>"));
        return;
    }
    item->setIcon(QIcon(MaintArt::path(computer ? "word_computer" : "word_recorded")));
    item->setData(Qt::AccessibleDescriptionRole, computer ? ComputerText : RecordedText);
    item->setToolTip(QString());
}

void WordListPanel::decorateAll()
{
    for (int i = 0; i < List1->count(); ++i)
        decorate(List1->item(i));
}

void WordListPanel::listWord(const QString &word)
{
    const QList<QListWidgetItem *> found = List1->findItems(word, Qt::MatchExactly);
    QListWidgetItem *item = found.isEmpty() ? new QListWidgetItem(word, List1) : found.first();
    m_doubts.remove(word); // a new recording, or the computer voice's
    decorate(item);
    showRightButton();
    const QString path = wavePath(ctx().TestDir(), word);
    if (!ComputerVoice::isComputerVoice(path))
        m_checks->check(path, word, words());
}

void WordListPanel::btnCheckRecordings_Click()
{
    if (!m_wholeTest.isEmpty())
        return; // the check runs
    if (!m_checks->canListen()) {
        MsgBox(QStringLiteral("The recordings could not be checked.\nThis copy of Wordaroo cannot listen to them."),
               MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    const QStringList all = words();
    for (const QString &word : all) {
        const QString path = wavePath(ctx().TestDir(), word);
        if (ComputerVoice::isComputerVoice(path) || !TestFiles::entryExists(path))
            continue;
        m_wholeTest.insert(path);
        m_checks->check(path, word, all);
    }
    if (m_wholeTest.isEmpty()) {
        MsgBox(QStringLiteral("This test has no recordings to check."), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    m_wholeDoubts = 0;
    m_wholeChecked = 0;
    m_wholeFailure.clear();
    btnCheckRecordings->setEnabled(false);
}

void WordListPanel::recordingChecked(const QString &path, const QString &word, const RecordingCheck::Result &result)
{
    using RecordingCheck::Verdict;
    const bool whole = m_wholeTest.remove(path);
    const QList<QListWidgetItem *> found = List1->findItems(word, Qt::MatchExactly);
    if (found.isEmpty() || path != wavePath(ctx().TestDir(), word))
        return; // deleted meanwhile, or another test is shown
    const bool doubtful = (result.verdict == Verdict::OtherWord || result.verdict == Verdict::NoWord) &&
                          !RightRecordings::isKept(ctx().TestDir(), word);
    if (doubtful)
        m_doubts.insert(word, result.heard);
    else
        m_doubts.remove(word);
    decorate(found.first());
    showRightButton();
    if (!whole)
        return;
    m_wholeDoubts += doubtful ? 1 : 0;
    m_wholeChecked += result.verdict == Verdict::Unchecked ? 0 : 1;
    if (result.verdict == Verdict::Unchecked)
        m_wholeFailure = result.why;
    if (!m_wholeTest.isEmpty())
        return;
    btnCheckRecordings->setEnabled(true);
    if (m_wholeDoubts == 1)
        MsgBox(QStringLiteral("1 recording may not say its word. It is marked in the list."), MsgButtons::Ok,
               MsgIcon::Exclamation);
    else if (m_wholeDoubts > 1)
        MsgBox(QStringLiteral("%1 recordings may not say their words. They are marked in the list.").arg(m_wholeDoubts),
               MsgButtons::Ok, MsgIcon::Exclamation);
    else if (m_wholeChecked == 0)
        MsgBox(QStringLiteral("The recordings could not be checked.\n") + m_wholeFailure, MsgButtons::Ok,
               MsgIcon::Exclamation);
    else
        MsgBox(QStringLiteral("The recordings were checked and none is marked."), MsgButtons::Ok, MsgIcon::Information);
}

void WordListPanel::showRightButton()
{
    btnRecordingIsRight->setEnabled(!List1->selectedItems().isEmpty() &&
                                    m_doubts.contains(List1->selectedItems().first()->text()));
}

void WordListPanel::btnRecordingIsRight_Click()
{
    QString word;
    if (!selectedText(List1, word) || !m_doubts.contains(word))
        return;
    QString error;
    if (!RightRecordings::keep(ctx().TestDir(), word, &error)) {
        MsgBox(QStringLiteral("This could not be remembered.\n") + error, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    m_doubts.remove(word);
    decorate(List1->selectedItems().first());
    showRightButton();
    List1->setFocus();
}

void WordListPanel::btnAddWord_Click()
{
    Q_EMIT switchTo(MaintPage::TypeWord);
}

void WordListPanel::btnFinishNewTest_Click()
{
    Q_EMIT switchTo(MaintPage::Start);
}

void WordListPanel::btnTypeList_Click()
{
    Q_EMIT switchTo(MaintPage::WordLists);
}

void WordListPanel::btnRecordComputerWords_Click()
{
    QStringList guided;
    for (int i = 0; i < List1->count(); ++i) {
        const QString word = List1->item(i)->text();
        if (ComputerVoice::isComputerVoice(ctx().TestDir() + word + QStringLiteral(".wav")))
            guided << word;
    }
    if (guided.isEmpty()) {
        MsgBox(QStringLiteral("Every word of this test is already recorded."), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    session().startGuided(guided);
    afterSave();
}

void WordListPanel::afterSave()
{
    // A word deleted or recorded meanwhile is passed over.
    for (QString word; session().isGuided() && !(word = session().nextGuided()).isEmpty();) {
        if (List1->findItems(word, Qt::MatchExactly).isEmpty() ||
            !ComputerVoice::isComputerVoice(ctx().TestDir() + word + QStringLiteral(".wav")))
            continue;
        // As "Re-Record Word" does, without the question; the word keeps its place in
        // the list, so stopping half-way leaves the list as it was.
        session().setWord(word);
        session().setTake(AuthoringSession::Take::Word);
        Q_EMIT switchTo(MaintPage::Record);
        return;
    }
    session().setWord(QString());
    Q_EMIT switchTo(MaintPage::WordList);
}

void WordListPanel::btnReRecordWord_Click()
{
    QString word;
    if (!selectedText(List1, word))
        return;
    if (MsgBox(QStringLiteral("Record ") + word + QStringLiteral(" again?"), MsgButtons::YesNo, MsgIcon::Question,
               QStringLiteral("Re-Record?")) != MsgResult::Yes)
        return;
    session().setWord(word);
    session().setTake(AuthoringSession::Take::Word);
    // Saving the new recording lists the word again, at the end.
    delete List1->takeItem(List1->row(List1->selectedItems().first()));
    Q_EMIT switchTo(MaintPage::Record);
}

void WordListPanel::btnDelWord_Click()
{
    QString word;
    if (!selectedText(List1, word))
        return;
    if (MsgBox(QStringLiteral("Are you sure you want to delete\n\n") + word.trimmed(), MsgButtons::YesNo,
               MsgIcon::Question, QStringLiteral("Delete Word?")) != MsgResult::Yes)
        return;
    const QString path = ctx().TestDir() + word + QStringLiteral(".wav");
    delete List1->takeItem(List1->row(List1->selectedItems().first()));
    device().setCommand(QStringLiteral("Close"));
    Sentences::remove(ctx().TestDir(), word); // the sentence goes with its word
    if (!TestFiles::entryExists(path))
        return;
    TestFiles::deleteWordFile(path);
    session().setWord(QString());
}
