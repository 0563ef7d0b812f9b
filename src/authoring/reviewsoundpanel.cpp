#include "authoring/reviewsoundpanel.h"

#include "authoring/authoringsession.h"
#include "authoring/wordlistpanel.h"
#include "core/platform/dialogs.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "voice/recordingcleanup.h"

#include <QLabel>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlReviewSound{0, 150, 5460, 3765};
constexpr Twips::Box Label13{0, 0, 5415, 420};
// The three big buttons leave "Add a Sentence" room on the right, clear of the edge.
constexpr Twips::Box btnSaveWord{900, 405, 2900, 840};
constexpr Twips::Box btnListen{900, 1395, 2900, 840};
constexpr Twips::Box btnReRecord{900, 2460, 2900, 840};
constexpr Twips::Box btnAddSentence{3960, 1395, 1380, 840};
constexpr Twips::Box lblGuidedPlace{45, 3330, 5370, 240};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
} // namespace At
} // namespace

ReviewSoundPanel::ReviewSoundPanel(SoundForm *window, AuthoringSession *session, WordListPanel *words, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlReviewSound"), At::pnlReviewSound), m_words(words)
{
    using MaintArt::path;
    Label13 = Ui::label(this, QStringLiteral("Label13"), QStringLiteral("Press ENTER  to save the word."), At::Label13);
    Label13->setFont(Fonts::sized(At::PromptPoints));
    Label13->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    btnSaveWord = Ui::pictureButton(this, QStringLiteral("btnSaveWord"), QStringLiteral("Save Word"),
                                    path("maint_save"), At::btnSaveWord);
    btnListen = Ui::pictureButton(this, QStringLiteral("btnListen"), QStringLiteral("Listen to recorded word"),
                                  path("maint_listen"), At::btnListen);
    btnReRecord = Ui::pictureButton(this, QStringLiteral("btnReRecord"), QStringLiteral("Record word again"),
                                    path("maint_rerecord"), At::btnReRecord);
    btnAddSentence = Ui::captionButton(this, QStringLiteral("btnAddSentence"), QStringLiteral("Add a &Sentence"),
                                       At::btnAddSentence);
    for (QPushButton *b : {btnSaveWord, btnListen, btnReRecord, btnAddSentence})
        b->setFont(Fonts::sized(At::ButtonPoints, true));
    lblGuidedPlace = Ui::label(this, QStringLiteral("lblGuidedPlace"), QString(), At::lblGuidedPlace);
    lblGuidedPlace->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    connect(btnSaveWord, &QPushButton::clicked, this, &ReviewSoundPanel::btnSaveWord_Click);
    connect(btnListen, &QPushButton::clicked, this, &ReviewSoundPanel::btnListen_Click);
    connect(btnReRecord, &QPushButton::clicked, this, &ReviewSoundPanel::btnReRecord_Click);
    connect(btnAddSentence, &QPushButton::clicked, this, &ReviewSoundPanel::btnAddSentence_Click);
    connect(session, &AuthoringSession::changed, this, &ReviewSoundPanel::showSession);
    showSession();
}

QWidget *ReviewSoundPanel::focusOnShow() const
{
    return btnSaveWord;
}

void ReviewSoundPanel::showSession()
{
    const bool sentence = session().take() == AuthoringSession::Take::Sentence;
    btnAddSentence->setVisible(!sentence);
    Label13->setText(sentence ? QStringLiteral("Press ENTER  to save the sentence.")
                              : QStringLiteral("Press ENTER  to save the word."));
    btnSaveWord->setText(sentence ? QStringLiteral("Save Sentence") : QStringLiteral("Save Word"));
    btnReRecord->setText(sentence ? QStringLiteral("Record the Sentence Again") : QStringLiteral("Record word again"));
    lblGuidedPlace->setText(session().guidedPlace());
    lblGuidedPlace->setVisible(!lblGuidedPlace->text().isEmpty());
}

void ReviewSoundPanel::btnListen_Click()
{
    if (!form()->sendToEnd(QStringLiteral("Play")))
        return;
    device().setCommand(QStringLiteral("Prev"));
}

void ReviewSoundPanel::btnReRecord_Click()
{
    Q_EMIT switchTo(MaintPage::Record);
}

bool ReviewSoundPanel::cleanRecording(bool &clipped)
{
    clipped = false;
    // The clean-up is our own small code over the samples the device already holds
    // (see RecordingCleanup): no effect chain is needed for cutting two ends and one
    // gain, and the samples never leave memory. A device that holds none saves as is.
    std::vector<qint16> samples;
    int rate = 0;
    SoundDevice *sound = device().device();
    if (!sound || !sound->heldRecording(samples, rate))
        return true;
    RecordingCleanup::Result r = RecordingCleanup::clean(samples, rate);
    if (r.verdict == RecordingCleanup::Verdict::NoVoice) {
        MsgBox(RecordingCleanup::NoVoiceMessage, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    clipped = r.verdict == RecordingCleanup::Verdict::Clipped;
    sound->replaceRecording(r.samples, rate);
    return true;
}

bool ReviewSoundPanel::saveRecording()
{
    // No device delivered any sound (no sound server, no microphone): saving would
    // make a word that plays nothing.
    const SoundDevice *sound = device().device();
    if (!sound || sound->recordedFrames() == 0) {
        MsgBox(QStringLiteral("Nothing was recorded.\nCheck that a microphone is connected and switched on."),
               MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    bool clipped = false;
    if (!cleanRecording(clipped))
        return false; // no voice: the adult records it again from here
    device().setCommand(QStringLiteral("Save"));
    if (device().Error() != 0) {
        // Nothing was written: the word is not listed as if it had been.
        QString text =
            QStringLiteral("The recording of \"") + session().word() + QStringLiteral("\" could not be saved.");
        if (!device().ErrorMessage().isEmpty())
            text += QLatin1Char('\n') + device().ErrorMessage();
        MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (clipped)
        MsgBox(RecordingCleanup::ClippedMessage, MsgButtons::Ok, MsgIcon::Information);
    return true;
}

void ReviewSoundPanel::btnSaveWord_Click()
{
    if (!saveRecording())
        return;
    if (session().take() == AuthoringSession::Take::Word)
        m_words->listWord(session().word());
    m_words->afterSave();
}

void ReviewSoundPanel::btnAddSentence_Click()
{
    // The word's recording is saved first: the sentence is recorded with the same device.
    if (!saveRecording())
        return;
    m_words->listWord(session().word());
    device().setCommand(QStringLiteral("Close"));
    session().setTake(AuthoringSession::Take::Sentence);
    Q_EMIT switchTo(MaintPage::Record);
}
