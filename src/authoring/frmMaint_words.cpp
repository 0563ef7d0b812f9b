// The word panels of the authoring window: type a word, record it, review it, and
// the word operations of the word list.
#include "authoring/frmMaint.h"

#include "authoring/testfiles.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"
#include "voice/recordingcleanup.h"
#include "voice/sentences.h"
#include "voice/wordlistrules.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cmath>

const QString frmMaint::BeginCaption = QStringLiteral("Begin Recording Now");
const QString frmMaint::StopCaption = QStringLiteral("Stop Recording");

namespace
{
// The geometry of the word panels, in twips.
namespace At
{
constexpr Twips::Box btnTypeList{60, 2925, 2535, 495};
constexpr Twips::Box btnRecordComputerWords{2655, 2925, 2700, 495};

constexpr Twips::Box pnlWordLists{0, 30, 5415, 3690};
constexpr Twips::Box lblWordListPrompt{45, 60, 5310, 315};
constexpr Twips::Box txtWordList{60, 435, 3195, 2400};
constexpr Twips::Box btnAddTheseWords{3360, 450, 1980, 495};
constexpr Twips::Box btnOpenTextFile{3360, 1050, 1980, 495};
constexpr Twips::Box btnCancelWordList{3360, 1650, 1980, 495};
constexpr Twips::Box pbWordList{60, 2955, 5280, 255};

constexpr Twips::Box pnlTypeWord{0, 15, 4995, 3885};
constexpr Twips::Box Label10{45, 15, 4770, 630};
constexpr Twips::Box txtWord{45, 690, 4680, 405};
constexpr Twips::Box btnComputerVoice{45, 2835, 3105, 510};
constexpr Twips::Box btnRecordWord{3240, 2835, 1680, 510};

constexpr Twips::Box pnlRecord{0, 0, 5385, 3435};
constexpr Twips::Box lblRecording{45, 15, 5280, 390};
constexpr Twips::Box lblWordToRecord{570, 465, 4275, 360};
constexpr Twips::Box Label12{1320, 795, 2790, 390};
constexpr Twips::Box btnBeginRecord{1245, 1215, 2820, 1035};
constexpr Twips::Box pbLevel{1245, 2385, 2820, 225};
constexpr Twips::Box lblElapsed{1245, 2670, 2820, 300};
constexpr Twips::Box btnBackToList{3015, 3000, 2325, 420};
constexpr Twips::Box txtSentence{45, 3000, 2760, 405};
constexpr Twips::Box btnSentenceVoice{2865, 3000, 2475, 420};

constexpr Twips::Box pnlReviewSound{0, 150, 5460, 3765};
constexpr Twips::Box Label13{0, 0, 5415, 420};
constexpr Twips::Box btnSaveWord{1215, 405, 3000, 840};
constexpr Twips::Box btnListen{1230, 1395, 3000, 840};
constexpr Twips::Box btnReRecord{1245, 2460, 3000, 840};
constexpr Twips::Box btnAddSentence{4305, 1395, 1110, 840};

// Point sizes: the buttons (bold), the prompts, the word being recorded (bold).
constexpr double ButtonPoints = 9.75;
constexpr double PromptPoints = 12;
constexpr double WordPoints = 12;
} // namespace At

const QString SentenceMark = QStringLiteral(" (sentence)");
const QString RecordedText = QStringLiteral("recorded");
const QString ComputerText = QStringLiteral("computer voice");

const QString IdlePrompt = QStringLiteral("When ready press ENTER to begin Recording");
const QString RecordingPrompt = QStringLiteral("Recording Now....Press ENTER to Stop Recording");
const QColor IdleColour(128, 255, 128);
const QColor RecordingColour(255, 128, 128);

QString art(const char *name)
{
    return QStringLiteral(":/art/") + QLatin1String(name) + QStringLiteral(".svg");
}

// A level of 0..1 on a meter of 0..100 that follows loudness: 60 dB of range.
int meterValue(float level)
{
    if (!(level > 0.001f))
        return 0;
    const double db = 20.0 * std::log10(double(std::min(level, 1.0f)));
    return int(std::lround(std::clamp(100.0 * (1.0 + db / 60.0), 0.0, 100.0)));
}

// The recording prompt is one line at 12 pt; where this platform's font is wider
// than the text allows, it steps down just enough to fit instead of being cut.
void fitOneLine(QLabel *label, double points)
{
    QFont f = Fonts::sized(points);
    while (f.pointSizeF() > 8 && QFontMetrics(f).horizontalAdvance(label->text()) > label->width() - 2)
        f.setPointSizeF(f.pointSizeF() - 0.25);
    label->setFont(f);
}

QString elapsedText(qint64 ms)
{
    const qint64 tenths = std::max<qint64>(ms, 0) / 100;
    return QStringLiteral("Recorded: %1:%2.%3")
        .arg(tenths / 600)
        .arg((tenths / 10) % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}
} // namespace

// The panel where a whole list of words is typed or pasted at once.
void frmMaint::buildWordListsPanel(const QFont &promptFont)
{
    pnlWordLists = Ui::panel(client, QStringLiteral("pnlWordLists"), At::pnlWordLists);
    lblWordListPrompt = Ui::label(pnlWordLists, QStringLiteral("lblWordListPrompt"),
                                  QStringLiteral("Type or paste the words, one on each line:"), At::lblWordListPrompt);
    lblWordListPrompt->setFont(promptFont);
    txtWordList = new QPlainTextEdit(pnlWordLists);
    txtWordList->setObjectName(QStringLiteral("txtWordList"));
    txtWordList->setAccessibleName(QStringLiteral("The words, one on each line"));
    txtWordList->setTabChangesFocus(true);
    txtWordList->setLineWrapMode(QPlainTextEdit::NoWrap);
    Twips::place(txtWordList, At::txtWordList);
    btnAddTheseWords = Ui::button(pnlWordLists, QStringLiteral("btnAddTheseWords"), QStringLiteral("Add These Words"),
                                  At::btnAddTheseWords);
    btnOpenTextFile = Ui::button(pnlWordLists, QStringLiteral("btnOpenTextFile"), QStringLiteral("Open a Text File..."),
                                 At::btnOpenTextFile);
    btnCancelWordList =
        Ui::button(pnlWordLists, QStringLiteral("btnCancelWordList"), QStringLiteral("Cancel"), At::btnCancelWordList);
    pbWordList = new QProgressBar(pnlWordLists);
    pbWordList->setObjectName(QStringLiteral("pbWordList"));
    pbWordList->setAccessibleName(QStringLiteral("Words made so far"));
    Twips::place(pbWordList, At::pbWordList);
    pbWordList->setVisible(false);
    Panels::hide(pnlWordLists);
    for (QPushButton *b : {btnAddTheseWords, btnOpenTextFile, btnCancelWordList})
        b->setFont(Fonts::sized(At::ButtonPoints, true));
}

void frmMaint::buildWordPanels()
{
    const QFont buttonFont = Fonts::sized(At::ButtonPoints, true);
    const QFont promptFont = Fonts::sized(At::PromptPoints);
    const QFont wordFont = Fonts::sized(At::WordPoints, true);

    // Two more ways to fill the word list, below it.
    btnTypeList = Ui::button(pnlWordList, QStringLiteral("btnTypeList"), QStringLiteral("Type a &List of Words"),
                             At::btnTypeList);
    btnRecordComputerWords = Ui::button(pnlWordList, QStringLiteral("btnRecordComputerWords"),
                                        QStringLiteral("Record the Computer &Words"), At::btnRecordComputerWords);
    List1->setIconSize(QSize(Twips::px(240), Twips::px(240)));

    buildWordListsPanel(promptFont);

    pnlTypeWord = Ui::panel(client, QStringLiteral("pnlTypeWord"), At::pnlTypeWord);
    Label10 = Ui::label(pnlTypeWord, QStringLiteral("Label10"),
                        QStringLiteral("Type the CORRECT spelling of the spelling word in the yellow box and press "
                                       "ENTER"),
                        At::Label10);
    Label10->setFont(promptFont);
    txtWord = Ui::textBox(pnlTypeWord, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setAccessibleName(QStringLiteral("The correct spelling of the word"));
    txtWord->setFont(wordFont);
    QPalette yellow = txtWord->palette();
    yellow.setColor(QPalette::Base, QColor(255, 255, 0));
    yellow.setColor(QPalette::Text, Qt::black);
    txtWord->setPalette(yellow);
    btnComputerVoice = Ui::button(pnlTypeWord, QStringLiteral("btnComputerVoice"),
                                  QStringLiteral("Use the &Computer Voice"), At::btnComputerVoice);
    btnRecordWord =
        Ui::button(pnlTypeWord, QStringLiteral("btnRecordWord"), QStringLiteral("Record Word"), At::btnRecordWord);

    pnlRecord = Ui::panel(client, QStringLiteral("pnlRecord"), At::pnlRecord);
    lblRecording = Ui::label(pnlRecord, QStringLiteral("lblRecording"), IdlePrompt, At::lblRecording);
    lblRecording->setWordWrap(false);
    lblRecording->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord = Ui::label(pnlRecord, QStringLiteral("lblWordToRecord"), QString(), At::lblWordToRecord);
    lblWordToRecord->setFont(wordFont);
    lblWordToRecord->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord->setWordWrap(false);
    Label12 =
        Ui::label(pnlRecord, QStringLiteral("Label12"),
                  QStringLiteral("(Say the Word Clearly and when finished press ENTER stop recording)"), At::Label12);
    btnBeginRecord = Ui::button(pnlRecord, QStringLiteral("btnBeginRecord"), BeginCaption, At::btnBeginRecord);
    btnBeginRecord->setFont(wordFont);
    btnBeginRecord->setAutoFillBackground(true);

    pbLevel = new QProgressBar(pnlRecord);
    pbLevel->setObjectName(QStringLiteral("pbLevel"));
    pbLevel->setRange(0, 100);
    pbLevel->setValue(0);
    pbLevel->setTextVisible(false);
    pbLevel->setAccessibleName(QStringLiteral("Microphone level"));
    Twips::place(pbLevel, At::pbLevel);
    lblElapsed = Ui::label(pnlRecord, QStringLiteral("lblElapsed"), elapsedText(0), At::lblElapsed);
    lblElapsed->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    tmrLevel = Ui::timer(this, QStringLiteral("tmrLevel"), 100);
    btnBackToList = Ui::button(pnlRecord, QStringLiteral("btnBackToList"), QStringLiteral("Back to the Word List"),
                               At::btnBackToList);
    txtSentence = Ui::textBox(pnlRecord, QStringLiteral("txtSentence"), At::txtSentence);
    txtSentence->setAccessibleName(QStringLiteral("A sentence for the computer voice to say"));
    txtSentence->setPlaceholderText(QStringLiteral("Or type the sentence here"));
    btnSentenceVoice = Ui::button(pnlRecord, QStringLiteral("btnSentenceVoice"),
                                  QStringLiteral("Use the Computer Voice"), At::btnSentenceVoice);
    setRecordingLook(false);
    stopLevelMeter();

    pnlReviewSound = Ui::panel(client, QStringLiteral("pnlReviewSound"), At::pnlReviewSound);
    Label13 = Ui::label(pnlReviewSound, QStringLiteral("Label13"), QStringLiteral("Press ENTER  to save the word."),
                        At::Label13);
    Label13->setFont(promptFont);
    Label13->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    btnSaveWord = Ui::pictureButton(pnlReviewSound, QStringLiteral("btnSaveWord"), QStringLiteral("Save Word"),
                                    art("maint_save"), At::btnSaveWord);
    btnListen = Ui::pictureButton(pnlReviewSound, QStringLiteral("btnListen"),
                                  QStringLiteral("Listen to recorded word"), art("maint_listen"), At::btnListen);
    btnReRecord = Ui::pictureButton(pnlReviewSound, QStringLiteral("btnReRecord"), QStringLiteral("Record word again"),
                                    art("maint_rerecord"), At::btnReRecord);
    btnAddSentence = Ui::captionButton(pnlReviewSound, QStringLiteral("btnAddSentence"),
                                       QStringLiteral("Add a &Sentence"), At::btnAddSentence);
    for (QPushButton *b : {btnSaveWord, btnListen, btnReRecord, btnAddSentence, btnRecordWord, btnComputerVoice,
                           btnTypeList, btnRecordComputerWords, btnBackToList, btnSentenceVoice})
        b->setFont(buttonFont);
    setTake(Take::Word);

    const std::pair<QPushButton *, void (frmMaint::*)()> handlers[] = {
        {btnComputerVoice, &frmMaint::btnComputerVoice_Click},
        {btnTypeList, &frmMaint::btnTypeList_Click},
        {btnAddTheseWords, &frmMaint::btnAddTheseWords_Click},
        {btnOpenTextFile, &frmMaint::btnOpenTextFile_Click},
        {btnCancelWordList, &frmMaint::btnCancelWordList_Click},
        {btnRecordComputerWords, &frmMaint::btnRecordComputerWords_Click},
        {btnBackToList, &frmMaint::btnBackToList_Click},
        {btnAddSentence, &frmMaint::btnAddSentence_Click},
        {btnSentenceVoice, &frmMaint::btnSentenceVoice_Click},
    };
    for (const auto &[button, slot] : handlers) {
        connect(button, &QPushButton::clicked, this, slot);
        button->setAutoDefault(false);
    }
}

void frmMaint::setTake(Take take)
{
    m_take = take;
    const bool sentence = take == Take::Sentence;
    btnBackToList->setVisible(m_guided && !sentence);
    txtSentence->setVisible(sentence);
    btnSentenceVoice->setVisible(sentence);
    btnAddSentence->setVisible(!sentence);
    lblWordToRecord->setText(txtWord->text() + (sentence ? SentenceMark : QString()));
    Label13->setText(sentence ? QStringLiteral("Press ENTER  to save the sentence.")
                              : QStringLiteral("Press ENTER  to save the word."));
}

QString frmMaint::takePath() const
{
    return m_take == Take::Sentence ? Sentences::pathFor(m_ctx.TestDir(), txtWord->text())
                                    : m_ctx.TestDir() + txtWord->text() + QStringLiteral(".wav");
}

void frmMaint::decorate(QListWidgetItem *item) const
{
    const bool computer = ComputerVoice::isComputerVoice(m_ctx.TestDir() + item->text() + QStringLiteral(".wav"));
    item->setIcon(QIcon(art(computer ? "word_computer" : "word_recorded")));
    item->setData(Qt::AccessibleDescriptionRole, computer ? ComputerText : RecordedText);
}

void frmMaint::decorateAll()
{
    for (int i = 0; i < List1->count(); ++i)
        decorate(List1->item(i));
}

void frmMaint::listWord(const QString &word)
{
    const QList<QListWidgetItem *> found = List1->findItems(word, Qt::MatchExactly);
    QListWidgetItem *item = found.isEmpty() ? new QListWidgetItem(word, List1) : found.first();
    decorate(item);
}

void frmMaint::showWordList()
{
    m_guided = false;
    m_guidedWords.clear();
    setTake(Take::Word);
    for (QWidget *p : {pnlTypeWord, pnlRecord, pnlReviewSound, pnlWordLists})
        Panels::hide(p);
    Panels::show(pnlWordList);
    setEnterButton(btnAddWord);
    btnAddWord->setFocus();
}

void frmMaint::showRecordIdle()
{
    for (QWidget *p : {pnlWordList, pnlTypeWord, pnlReviewSound})
        Panels::hide(p);
    Panels::show(pnlRecord);
    setEnterButton(btnBeginRecord);
    btnBeginRecord->setFocus();
}

void frmMaint::setRecordingLook(bool recording)
{
    btnBeginRecord->setText(recording ? StopCaption : BeginCaption);
    btnBeginRecord->setAccessibleName(btnBeginRecord->text());
    QPalette pal = btnBeginRecord->palette();
    pal.setColor(QPalette::Button, recording ? RecordingColour : IdleColour);
    pal.setColor(QPalette::ButtonText, Qt::black);
    btnBeginRecord->setPalette(pal);
    lblRecording->setText(recording ? RecordingPrompt : IdlePrompt);
    fitOneLine(lblRecording, 12);
}

void frmMaint::stopLevelMeter()
{
    tmrLevel->stop();
    pbLevel->setValue(0);
    pbLevel->setVisible(false);
    lblElapsed->setVisible(false);
}

void frmMaint::btnAddWord_Click()
{
    Panels::show(pnlTypeWord);
    Panels::hide(pnlWordList);
    setEnterButton(btnRecordWord);
    txtWord->setFocus();
}

namespace
{
// The checks of a typed word before it is recorded or said; false after the message.
bool acceptWord(QLineEdit *txtWord, QListWidget *List1, QString &word)
{
    const QString typed = txtWord->text();
    word = TestFiles::trimBlanks(typed);
    QStringList listed;
    for (int i = 0; i < List1->count(); ++i)
        listed << List1->item(i)->text();

    const TestFiles::Check check = TestFiles::checkWord(word, listed);
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
    txtWord->setText(word);
    return true;
}
} // namespace

void frmMaint::btnRecordWord_Click()
{
    QString word;
    if (!acceptWord(txtWord, List1, word))
        return;
    setTake(Take::Word);
    Panels::show(pnlRecord);
    Panels::hide(pnlTypeWord);
    setEnterButton(btnBeginRecord);
    btnBeginRecord->setFocus();
}

void frmMaint::btnComputerVoice_Click()
{
    QString word;
    if (!acceptWord(txtWord, List1, word))
        return;
    MMControl1->setCommand(QStringLiteral("Close"));
    QString error;
    if (!ComputerVoice::synthesize(word, m_ctx.TestDir() + word + QStringLiteral(".wav"), &error)) {
        MsgBox(QStringLiteral("The word \"") + TestFiles::printable(word) + QStringLiteral("\" was not added.\n") +
                   error,
               MsgButtons::Ok, MsgIcon::Exclamation);
        txtWord->setFocus();
        return;
    }
    listWord(word);
    txtWord->clear();
    showWordList();
}

void frmMaint::btnBeginRecord_Click()
{
    if (btnBeginRecord->text() == BeginCaption) {
        setRecordingLook(true);
        // The new caption, colour and prompt are drawn before the device is touched;
        // input waits, so a second ENTER cannot stop a recording not yet started.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (Program::isEnding())
            return;
        MMControl1->RecordMode = true;
        MMControl1->UpdateEnabled = true;
        MMControl1->setCommand(QStringLiteral("Close"));
        if (m_take == Take::Sentence) {
            QString why;
            if (!Sentences::prepare(m_ctx.TestDir(), &why)) {
                setRecordingLook(false);
                MsgBox(QStringLiteral("The sentence cannot be recorded.\n") + why, MsgButtons::Ok,
                       MsgIcon::Exclamation);
                return;
            }
        }
        MMControl1->FileName = takePath();
        MMControl1->setCommand(QStringLiteral("open"));
        MMControl1->setCommand(QStringLiteral("Record"));

        pbLevel->setValue(0);
        lblElapsed->setText(elapsedText(0));
        pbLevel->setVisible(true);
        lblElapsed->setVisible(true);
        tmrLevel->start();
        return;
    }

    Panels::show(pnlReviewSound);
    Panels::hide(pnlRecord);
    setEnterButton(btnSaveWord);
    btnSaveWord->setFocus();
    setRecordingLook(false);
    stopLevelMeter();
    MMControl1->setCommand(QStringLiteral("Stop"));
    MMControl1->setCommand(QStringLiteral("Prev"));
}

void frmMaint::tmrLevel_Timer()
{
    const SoundDevice *device = MMControl1->device();
    pbLevel->setValue(device ? meterValue(device->inputLevel()) : 0);
    lblElapsed->setText(elapsedText(device ? device->recordedMs() : 0));
}

void frmMaint::btnListen_Click()
{
    MMControl1->Wait = true;
    MMControl1->setCommand(QStringLiteral("Play"));
    MMControl1->setCommand(QStringLiteral("Prev"));
}

void frmMaint::btnReRecord_Click()
{
    Panels::show(pnlRecord);
    Panels::hide(pnlReviewSound);
    setEnterButton(btnBeginRecord);
    btnBeginRecord->setFocus();
}

bool frmMaint::cleanRecording(bool &clipped)
{
    clipped = false;
    // The clean-up is our own small code over the samples the device already holds
    // (see RecordingCleanup): no effect chain is needed for cutting two ends and one
    // gain, and the samples never leave memory. A device that holds none saves as is.
    std::vector<qint16> samples;
    int rate = 0;
    SoundDevice *device = MMControl1->device();
    if (!device || !device->heldRecording(samples, rate))
        return true;
    RecordingCleanup::Result r = RecordingCleanup::clean(samples, rate);
    if (r.verdict == RecordingCleanup::Verdict::NoVoice) {
        MsgBox(RecordingCleanup::NoVoiceMessage, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    clipped = r.verdict == RecordingCleanup::Verdict::Clipped;
    device->replaceRecording(r.samples, rate);
    return true;
}

// Cleans and saves what was just recorded; false, after saying why, when nothing
// was saved (the adult then stays on the review panel).
bool frmMaint::saveRecording()
{
    // No device delivered any sound (no sound server, no microphone): saving would
    // make a word that plays nothing.
    const SoundDevice *device = MMControl1->device();
    if (!device || device->recordedFrames() == 0) {
        MsgBox(QStringLiteral("Nothing was recorded.\nCheck that a microphone is connected and switched on."),
               MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    bool clipped = false;
    if (!cleanRecording(clipped))
        return false; // no voice: the adult records it again from here
    MMControl1->setCommand(QStringLiteral("Save"));
    if (MMControl1->Error() != 0) {
        // Nothing was written: the word is not listed as if it had been.
        QString text =
            QStringLiteral("The recording of \"") + txtWord->text() + QStringLiteral("\" could not be saved.");
        if (!MMControl1->ErrorMessage().isEmpty())
            text += QLatin1Char('\n') + MMControl1->ErrorMessage();
        MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (clipped)
        MsgBox(RecordingCleanup::ClippedMessage, MsgButtons::Ok, MsgIcon::Information);
    return true;
}

void frmMaint::btnSaveWord_Click()
{
    if (!saveRecording())
        return;
    if (m_take == Take::Word)
        listWord(txtWord->text());
    afterSave();
}

void frmMaint::afterSave()
{
    if (m_guided) {
        nextGuidedWord();
        return;
    }
    txtWord->clear();
    showWordList();
}

void frmMaint::btnRecordComputerWords_Click()
{
    m_guidedWords.clear();
    for (int i = 0; i < List1->count(); ++i) {
        const QString word = List1->item(i)->text();
        if (ComputerVoice::isComputerVoice(m_ctx.TestDir() + word + QStringLiteral(".wav")))
            m_guidedWords << word;
    }
    if (m_guidedWords.isEmpty()) {
        MsgBox(QStringLiteral("Every word of this test is already recorded."), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    m_guided = true;
    nextGuidedWord();
}

void frmMaint::nextGuidedWord()
{
    // A word deleted or recorded meanwhile is passed over.
    while (!m_guidedWords.isEmpty()) {
        const QString word = m_guidedWords.takeFirst();
        if (List1->findItems(word, Qt::MatchExactly).isEmpty() ||
            !ComputerVoice::isComputerVoice(m_ctx.TestDir() + word + QStringLiteral(".wav")))
            continue;
        // As "Re-Record Word" does, without the question; the word keeps its place in
        // the list, so stopping half-way leaves the list as it was.
        txtWord->setText(word);
        setTake(Take::Word);
        showRecordIdle();
        return;
    }
    txtWord->clear();
    showWordList();
}

void frmMaint::btnBackToList_Click()
{
    if (btnBeginRecord->text() != BeginCaption)
        return; // a recording runs: ENTER stops it first
    txtWord->clear();
    showWordList();
}

void frmMaint::btnAddSentence_Click()
{
    // The word's recording is saved first: the sentence is recorded with the same device.
    if (!saveRecording())
        return;
    listWord(txtWord->text());
    MMControl1->setCommand(QStringLiteral("Close"));
    txtSentence->clear();
    setTake(Take::Sentence);
    showRecordIdle();
}

void frmMaint::btnSentenceVoice_Click()
{
    if (btnBeginRecord->text() != BeginCaption)
        return;
    const QString sentence = txtSentence->text().trimmed();
    if (sentence.isEmpty()) {
        MsgBox(QStringLiteral("Type the sentence in the box first."), MsgButtons::Ok, MsgIcon::Information);
        txtSentence->setFocus();
        return;
    }
    QString error;
    MMControl1->setCommand(QStringLiteral("Close"));
    if (!Sentences::prepare(m_ctx.TestDir(), &error) ||
        !ComputerVoice::synthesize(sentence, Sentences::pathFor(m_ctx.TestDir(), txtWord->text()), &error)) {
        MsgBox(QStringLiteral("The sentence was not saved.\n") + error, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    afterSave();
}

void frmMaint::btnTypeList_Click()
{
    Panels::show(pnlWordLists);
    Panels::hide(pnlWordList);
    setEnterButton(nullptr); // ENTER starts a new line in the box
    txtWordList->setFocus();
}

void frmMaint::btnCancelWordList_Click()
{
    showWordList();
}

void frmMaint::btnOpenTextFile_Click()
{
    const QString path = dialogs().openFile(this, QStringLiteral("Open a Text File"), QDir::homePath(),
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

void frmMaint::wordListRunning(bool running)
{
    for (QWidget *w : {static_cast<QWidget *>(txtWordList), static_cast<QWidget *>(btnAddTheseWords),
                       static_cast<QWidget *>(btnOpenTextFile), static_cast<QWidget *>(btnCancelWordList)})
        w->setEnabled(!running);
    pbWordList->setVisible(running);
}

void frmMaint::btnAddTheseWords_Click()
{
    QStringList listed;
    for (int i = 0; i < List1->count(); ++i)
        listed << List1->item(i)->text();
    const WordListRules::Parsed parsed = WordListRules::parse(txtWordList->toPlainText(), listed);
    if (!parsed.wholeRefusal.isEmpty()) {
        MsgBox(parsed.wholeRefusal, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (parsed.accepted.isEmpty() && parsed.refused.isEmpty()) {
        MsgBox(QStringLiteral("Type or paste the words first, one on each line."), MsgButtons::Ok,
               MsgIcon::Information);
        txtWordList->setFocus();
        return;
    }

    // The voice works on a thread of its own while the bar shows how far it is.
    MMControl1->setCommand(QStringLiteral("Close"));
    ComputerVoice::Batch batch;
    if (!parsed.accepted.isEmpty()) {
        pbWordList->setRange(0, int(parsed.accepted.size()));
        pbWordList->setValue(0);
        wordListRunning(true);
        QPointer<QProgressBar> bar = pbWordList;
        const QString testDir = m_ctx.TestDir();
        const QStringList words = parsed.accepted;
        QThread *worker = QThread::create([&batch, testDir, words, bar] {
            batch = ComputerVoice::makeWords(testDir, words, [bar](int done, int) {
                QMetaObject::invokeMethod(
                    bar,
                    [bar, done] {
                        if (bar)
                            bar->setValue(done);
                    },
                    Qt::QueuedConnection);
            });
        });
        const bool alive = waitFor([worker] {
            QEventLoop loop;
            connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
            worker->start();
            loop.exec();
            worker->wait();
        });
        delete worker;
        if (!alive)
            return;
        wordListRunning(false);
    }

    for (const QString &word : batch.saved)
        listWord(word);
    QList<WordListRules::Refusal> notAdded = parsed.refused;
    QStringList leftOver;
    for (const WordListRules::Refusal &r : parsed.refused)
        leftOver << r.line;
    for (const ComputerVoice::Failure &f : batch.failed) {
        notAdded.append({f.word, f.reason});
        leftOver << f.word;
    }
    if (!notAdded.isEmpty())
        MsgBox(WordListRules::refusalMessage(notAdded), MsgButtons::Ok, MsgIcon::Exclamation);
    if (batch.saved.isEmpty()) {
        txtWordList->setFocus();
        return; // nothing added: the lines stay in the box for correction
    }
    // The lines not added stay in the box for next time.
    txtWordList->setPlainText(leftOver.join(QLatin1Char('\n')));
    showWordList();
}

void frmMaint::btnReRecordWord_Click()
{
    QString word;
    if (!selectedText(List1, word))
        return;
    if (MsgBox(QStringLiteral("Record ") + word + QStringLiteral(" again?"), MsgButtons::YesNo, MsgIcon::Question,
               QStringLiteral("Re-Record?")) != MsgResult::Yes)
        return;
    txtWord->setText(word);
    setTake(Take::Word);
    // Saving the new recording lists the word again, at the end.
    delete List1->takeItem(List1->row(List1->selectedItems().first()));
    Panels::show(pnlRecord);
    Panels::hide(pnlWordList);
    setEnterButton(btnBeginRecord);
    btnBeginRecord->setFocus();
}

void frmMaint::btnDelWord_Click()
{
    setEnterButton(btnAddWord);
    QString word;
    if (!selectedText(List1, word))
        return;
    if (MsgBox(QStringLiteral("Are you sure you want to delete\n\n") + word.trimmed(), MsgButtons::YesNo,
               MsgIcon::Question, QStringLiteral("Delete Word?")) != MsgResult::Yes)
        return;
    const QString path = m_ctx.TestDir() + word + QStringLiteral(".wav");
    delete List1->takeItem(List1->row(List1->selectedItems().first()));
    MMControl1->setCommand(QStringLiteral("Close"));
    Sentences::remove(m_ctx.TestDir(), word); // the sentence goes with its word
    if (!TestFiles::entryExists(path))
        return;
    TestFiles::deleteWordFile(path);
    txtWord->clear();
}
