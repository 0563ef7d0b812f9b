#include "authoring/typewordpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/testfiles.h"
#include "authoring/wordlistpanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlTypeWord{0, 15, 4995, 3885};
constexpr Twips::Box Label10{45, 15, 4770, 630};
constexpr Twips::Box txtWord{45, 690, 4680, 405};
constexpr Twips::Box btnTypeWordList{45, 2235, 3105, 510};
constexpr Twips::Box btnComputerVoice{45, 2835, 3105, 510};
constexpr Twips::Box btnRecordWord{3240, 2835, 1680, 510};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
constexpr double WordPoints = 12; // bold
} // namespace At
} // namespace

TypeWordPanel::TypeWordPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlTypeWord"), At::pnlTypeWord), m_words(words)
{
    Label10 = Ui::label(this, QStringLiteral("Label10"),
                        QStringLiteral("Type the CORRECT spelling of the spelling word in the yellow box and press "
                                       "ENTER"),
                        At::Label10);
    Label10->setFont(Fonts::sized(At::PromptPoints));
    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setAccessibleName(QStringLiteral("The correct spelling of the word"));
    txtWord->setFont(Fonts::sized(At::WordPoints, true));
    QPalette yellow = txtWord->palette();
    yellow.setColor(QPalette::Base, QColor(255, 255, 0));
    yellow.setColor(QPalette::Text, Qt::black);
    txtWord->setPalette(yellow);
    btnComputerVoice = Ui::button(this, QStringLiteral("btnComputerVoice"), QStringLiteral("Use the &Computer Voice"),
                                  At::btnComputerVoice);
    btnRecordWord = Ui::button(this, QStringLiteral("btnRecordWord"), QStringLiteral("Record Word"), At::btnRecordWord);
    btnTypeWordList = Ui::button(this, QStringLiteral("btnTypeWordList"), QStringLiteral("Type a &List of Words"),
                                 At::btnTypeWordList);
    for (QPushButton *b : {btnRecordWord, btnComputerVoice, btnTypeWordList})
        b->setFont(Fonts::sized(At::ButtonPoints, true));

    connect(btnRecordWord, &QPushButton::clicked, this, &TypeWordPanel::btnRecordWord_Click);
    connect(btnComputerVoice, &QPushButton::clicked, this, &TypeWordPanel::btnComputerVoice_Click);
    connect(btnTypeWordList, &QPushButton::clicked, this, &TypeWordPanel::btnTypeWordList_Click);
    // The word chosen elsewhere (to record again, the next of a guided recording, or
    // none once a word is made) shows in the box.
    connect(session, &AuthoringSession::wordChanged, txtWord, &QLineEdit::setText);
}

QWidget *TypeWordPanel::focusOnShow() const
{
    return txtWord;
}

bool TypeWordPanel::acceptWord()
{
    const QString typed = txtWord->text();
    const QString word = TestLibrary::normalForm(TestFiles::trimBlanks(typed));
    const TestFiles::Check check = TestFiles::checkWord(word, m_words->words());
    switch (check.verdict) {
    case TestFiles::Verdict::Empty:
        MsgBox(QStringLiteral("A typed word is needed before recording."));
        txtWord->clear();
        txtWord->setFocus();
        return false;
    case TestFiles::Verdict::Listed:
        MsgBox(QStringLiteral("This word has already been recorded.\nPlease type a different word."), MsgButtons::Ok,
               MsgIcon::Information);
        txtWord->setText(word);
        txtWord->selectAll();
        txtWord->setFocus();
        return false;
    case TestFiles::Verdict::Unsafe:
    case TestFiles::Verdict::OnDisk:
        // Refused before anything is recorded; the typed text stays for correction.
        MsgBox(QStringLiteral("The word \"") + TestFiles::printable(word) +
                   QStringLiteral("\" cannot be recorded as a file.\n") + check.reason +
                   QStringLiteral("\nPlease type a different word."),
               MsgButtons::Ok, MsgIcon::Information);
        txtWord->setText(typed);
        txtWord->setFocus();
        return false;
    case TestFiles::Verdict::Ok:
        break;
    }
    session().setWord(word);
    return true;
}

void TypeWordPanel::btnRecordWord_Click()
{
    if (!acceptWord())
        return;
    session().setTake(AuthoringSession::Take::Word);
    Q_EMIT switchTo(MaintPage::Record);
}

void TypeWordPanel::btnComputerVoice_Click()
{
    if (!acceptWord())
        return;
    const QString word = session().word();
    device().setCommand(QStringLiteral("Close"));
    QString error;
    if (!ComputerVoice::makeWord(ctx().TestDir(), word, &error)) {
        MsgBox(QStringLiteral("The word \"") + TestFiles::printable(word) + QStringLiteral("\" was not added.\n") +
                   error,
               MsgButtons::Ok, MsgIcon::Exclamation);
        txtWord->setFocus();
        return;
    }
    m_words->listWord(word);
    session().setWord(QString());
    Q_EMIT switchTo(MaintPage::WordList);
}

void TypeWordPanel::btnTypeWordList_Click()
{
    Q_EMIT switchTo(MaintPage::WordLists);
}
