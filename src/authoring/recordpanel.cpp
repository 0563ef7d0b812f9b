#include "authoring/recordpanel.h"

#include "authoring/wordlistpanel.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "voice/computervoice.h"
#include "voice/sentences.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>

const QString RecordPanel::BeginCaption = QStringLiteral("Begin Recording Now");
const QString RecordPanel::StopCaption = QStringLiteral("Stop Recording");

namespace
{
// The panel's geometry in twips.
namespace At
{
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
constexpr Twips::Box lblGuidedPlace{45, 3090, 2900, 300}; // where the sentence box is for a sentence

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
constexpr double WordPoints = 12; // bold
} // namespace At

const QString SentenceMark = QStringLiteral(" (sentence)");
const QString SayWord = QStringLiteral("(Say the Word Clearly and when finished press ENTER stop recording)");
const QString SaySentence = QStringLiteral("(Say the Sentence Clearly and when finished press ENTER stop recording)");
const QString IdlePrompt = QStringLiteral("When ready press ENTER to begin Recording");
const QString RecordingPrompt = QStringLiteral("Recording Now....Press ENTER to Stop Recording");
const QColor IdleColour(128, 255, 128);
const QColor RecordingColour(255, 128, 128);

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

RecordPanel::RecordPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlRecord"), At::pnlRecord), m_words(words)
{
    const QFont wordFont = Fonts::sized(At::WordPoints, true);
    lblRecording = Ui::label(this, QStringLiteral("lblRecording"), IdlePrompt, At::lblRecording);
    lblRecording->setWordWrap(false);
    lblRecording->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord = Ui::label(this, QStringLiteral("lblWordToRecord"), QString(), At::lblWordToRecord);
    lblWordToRecord->setFont(wordFont);
    lblWordToRecord->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord->setWordWrap(false);
    Label12 = Ui::label(this, QStringLiteral("Label12"), SayWord, At::Label12);
    btnBeginRecord = Ui::button(this, QStringLiteral("btnBeginRecord"), BeginCaption, At::btnBeginRecord);
    btnBeginRecord->setFont(wordFont);
    btnBeginRecord->setAutoFillBackground(true);

    pbLevel = new QProgressBar(this);
    pbLevel->setObjectName(QStringLiteral("pbLevel"));
    pbLevel->setRange(0, 100);
    pbLevel->setValue(0);
    pbLevel->setTextVisible(false);
    pbLevel->setAccessibleName(QStringLiteral("Microphone level"));
    Twips::place(pbLevel, At::pbLevel);
    lblElapsed = Ui::label(this, QStringLiteral("lblElapsed"), elapsedText(0), At::lblElapsed);
    lblElapsed->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    tmrLevel = Ui::timer(this, QStringLiteral("tmrLevel"), 100);
    btnBackToList =
        Ui::button(this, QStringLiteral("btnBackToList"), QStringLiteral("Back to the Word List"), At::btnBackToList);
    txtSentence = Ui::textBox(this, QStringLiteral("txtSentence"), At::txtSentence);
    txtSentence->setAccessibleName(QStringLiteral("A sentence for the computer voice to say"));
    txtSentence->setPlaceholderText(QStringLiteral("Or type the sentence here"));
    txtSentence->installEventFilter(this);
    btnSentenceVoice = Ui::button(this, QStringLiteral("btnSentenceVoice"), QStringLiteral("Use the Computer Voice"),
                                  At::btnSentenceVoice);
    for (QPushButton *b : {btnBackToList, btnSentenceVoice})
        b->setFont(Fonts::sized(At::ButtonPoints, true));
    lblGuidedPlace = Ui::label(this, QStringLiteral("lblGuidedPlace"), QString(), At::lblGuidedPlace);
    lblGuidedPlace->setWordWrap(false);
    stopLevelMeter();

    connect(btnBeginRecord, &QPushButton::clicked, this, &RecordPanel::btnBeginRecord_Click);
    connect(btnBackToList, &QPushButton::clicked, this, &RecordPanel::btnBackToList_Click);
    connect(btnSentenceVoice, &QPushButton::clicked, this, &RecordPanel::btnSentenceVoice_Click);
    connect(tmrLevel, &QTimer::timeout, this, &RecordPanel::tmrLevel_Timer);
    connect(session, &AuthoringSession::changed, this, &RecordPanel::showSession);
    showSession();
}

QWidget *RecordPanel::focusOnShow() const
{
    return btnBeginRecord;
}

bool RecordPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSentence && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnSentenceVoice->click();
            return true;
        }
    }
    return MaintPanel::eventFilter(watched, event);
}

void RecordPanel::showSession()
{
    const AuthoringSession::Take take = session().take();
    const bool sentence = take == AuthoringSession::Take::Sentence;
    // A new sentence starts from an empty box.
    if (sentence && m_shownTake != take)
        txtSentence->clear();
    m_shownTake = take;
    btnBackToList->setVisible(session().isGuided() && !sentence);
    txtSentence->setVisible(sentence);
    btnSentenceVoice->setVisible(sentence);
    lblWordToRecord->setText(session().word() + (sentence ? SentenceMark : QString()));
    Label12->setText(sentence ? SaySentence : SayWord);
    // A sentence's box takes that place; the word above still names the word.
    lblGuidedPlace->setText(session().guidedPlace());
    lblGuidedPlace->setVisible(!sentence && !lblGuidedPlace->text().isEmpty());
    setRecordingLook(session().isRecording());
}

void RecordPanel::setRecordingLook(bool recording)
{
    btnBeginRecord->setText(recording ? StopCaption : BeginCaption);
    btnBeginRecord->setAccessibleName(btnBeginRecord->text());
    QPalette pal = btnBeginRecord->palette();
    pal.setColor(QPalette::Button, recording ? RecordingColour : IdleColour);
    pal.setColor(QPalette::ButtonText, Qt::black);
    btnBeginRecord->setPalette(pal);
    lblRecording->setText(recording ? RecordingPrompt : IdlePrompt);
    fitOneLine(lblRecording, At::PromptPoints);
}

void RecordPanel::stopLevelMeter()
{
    tmrLevel->stop();
    pbLevel->setValue(0);
    pbLevel->setVisible(false);
    lblElapsed->setVisible(false);
}

void RecordPanel::btnBeginRecord_Click()
{
    if (!session().isRecording()) {
        session().setRecording(AuthoringSession::Recording::Running);
        // The new caption, colour and prompt are drawn before the device is touched;
        // input waits, so a second ENTER cannot stop a recording not yet started.
        if (!form()->waitFor([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }))
            return;
        MMControl &mm = device();
        mm.RecordMode = true;
        mm.UpdateEnabled = true;
        mm.setCommand(QStringLiteral("Close"));
        if (session().take() == AuthoringSession::Take::Sentence) {
            QString why;
            if (!Sentences::prepare(ctx().TestDir(), &why)) {
                session().setRecording(AuthoringSession::Recording::Idle);
                MsgBox(QStringLiteral("The sentence cannot be recorded.\n") + why, MsgButtons::Ok,
                       MsgIcon::Exclamation);
                return;
            }
        }
        mm.FileName = session().takePath();
        mm.setCommand(QStringLiteral("open"));
        mm.setCommand(QStringLiteral("Record"));

        pbLevel->setValue(0);
        lblElapsed->setText(elapsedText(0));
        pbLevel->setVisible(true);
        lblElapsed->setVisible(true);
        tmrLevel->start();
        return;
    }

    Q_EMIT switchTo(MaintPage::ReviewSound);
    session().setRecording(AuthoringSession::Recording::Idle);
    stopLevelMeter();
    device().setCommand(QStringLiteral("Stop"));
    device().setCommand(QStringLiteral("Prev"));
}

void RecordPanel::tmrLevel_Timer()
{
    const SoundDevice *sound = device().device();
    pbLevel->setValue(sound ? meterValue(sound->inputLevel()) : 0);
    lblElapsed->setText(elapsedText(sound ? sound->recordedMs() : 0));
}

void RecordPanel::btnBackToList_Click()
{
    if (session().isRecording())
        return; // a recording runs: ENTER stops it first
    session().setWord(QString());
    Q_EMIT switchTo(MaintPage::WordList);
}

void RecordPanel::btnSentenceVoice_Click()
{
    if (session().isRecording())
        return;
    const QString sentence = txtSentence->text().trimmed();
    if (sentence.isEmpty()) {
        MsgBox(QStringLiteral("Type the sentence in the box first."), MsgButtons::Ok, MsgIcon::Information);
        txtSentence->setFocus();
        return;
    }
    QString error;
    device().setCommand(QStringLiteral("Close"));
    if (!Sentences::prepare(ctx().TestDir(), &error) ||
        !ComputerVoice::synthesize(sentence, Sentences::pathFor(ctx().TestDir(), session().word()), &error)) {
        MsgBox(QStringLiteral("The sentence was not saved.\n") + error, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    m_words->afterSave();
}
