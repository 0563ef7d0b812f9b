#include "authoring/wordlistpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/testfiles.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"
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
constexpr Twips::Box btnTypeList{60, 2925, 2535, 495};
constexpr Twips::Box btnRecordComputerWords{2655, 2925, 2700, 495};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
} // namespace At

const QString RecordedText = QStringLiteral("recorded");
const QString ComputerText = QStringLiteral("computer voice");
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
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    for (QPushButton *b :
         {btnAddWord, btnDelWord, btnReRecordWord, btnFinishNewTest, btnTypeList, btnRecordComputerWords})
        b->setFont(buttonFont);

    connect(btnAddWord, &QPushButton::clicked, this, &WordListPanel::btnAddWord_Click);
    connect(btnDelWord, &QPushButton::clicked, this, &WordListPanel::btnDelWord_Click);
    connect(btnReRecordWord, &QPushButton::clicked, this, &WordListPanel::btnReRecordWord_Click);
    connect(btnFinishNewTest, &QPushButton::clicked, this, &WordListPanel::btnFinishNewTest_Click);
    connect(btnTypeList, &QPushButton::clicked, this, &WordListPanel::btnTypeList_Click);
    connect(btnRecordComputerWords, &QPushButton::clicked, this, &WordListPanel::btnRecordComputerWords_Click);
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
    Module1::LoadWordList(List1, ctx().TestDir());
    decorateAll();
}

void WordListPanel::clearWords()
{
    List1->clear();
}

void WordListPanel::decorate(QListWidgetItem *item) const
{
    const bool computer = ComputerVoice::isComputerVoice(ctx().TestDir() + item->text() + QStringLiteral(".wav"));
    item->setIcon(QIcon(MaintArt::path(computer ? "word_computer" : "word_recorded")));
    item->setData(Qt::AccessibleDescriptionRole, computer ? ComputerText : RecordedText);
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
    decorate(item);
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
