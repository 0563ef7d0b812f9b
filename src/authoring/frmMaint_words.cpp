// The word panels of the authoring window: type a word, record it, review it, and
// the word operations of the word list.
#include "authoring/frmMaint.h"

#include "authoring/testfiles.h"
#include "core/platform/appstate.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>

const QString frmMaint::BeginCaption = QStringLiteral("Begin Recording Now");
const QString frmMaint::StopCaption = QStringLiteral("Stop Recording");

namespace
{
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

void frmMaint::buildWordPanels()
{
    const QFont buttonFont = Fonts::sized(9.75, true);
    const QFont promptFont = Fonts::sized(12);
    const QFont wordFont = Fonts::sized(12, true);

    pnlTypeWord = Ui::panel(client, QStringLiteral("pnlTypeWord"), 0, 15, 4995, 3885);
    Label10 = Ui::label(pnlTypeWord, QStringLiteral("Label10"),
                        QStringLiteral("Type the CORRECT spelling of the spelling word in the yellow box and press "
                                       "ENTER"),
                        45, 15, 4770, 630);
    Label10->setFont(promptFont);
    txtWord = Ui::textBox(pnlTypeWord, QStringLiteral("txtWord"), 45, 690, 4680, 405);
    txtWord->setAccessibleName(QStringLiteral("The correct spelling of the word"));
    txtWord->setFont(wordFont);
    QPalette yellow = txtWord->palette();
    yellow.setColor(QPalette::Base, QColor(255, 255, 0));
    yellow.setColor(QPalette::Text, Qt::black);
    txtWord->setPalette(yellow);
    btnRecordWord =
        Ui::button(pnlTypeWord, QStringLiteral("btnRecordWord"), QStringLiteral("Record Word"), 3240, 2835, 1680, 510);
    btnRecordWord->setFont(buttonFont);

    pnlRecord = Ui::panel(client, QStringLiteral("pnlRecord"), 0, 0, 5385, 3435);
    lblRecording = Ui::label(pnlRecord, QStringLiteral("lblRecording"), IdlePrompt, 45, 15, 5280, 390);
    lblRecording->setWordWrap(false);
    lblRecording->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord = Ui::label(pnlRecord, QStringLiteral("lblWordToRecord"), QString(), 570, 465, 4275, 360);
    lblWordToRecord->setFont(wordFont);
    lblWordToRecord->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblWordToRecord->setWordWrap(false);
    Label12 = Ui::label(pnlRecord, QStringLiteral("Label12"),
                        QStringLiteral("(Say the Word Clearly and when finished press ENTER stop recording)"), 1320,
                        795, 2790, 390);
    btnBeginRecord = Ui::button(pnlRecord, QStringLiteral("btnBeginRecord"), BeginCaption, 1245, 1215, 2820, 1035);
    btnBeginRecord->setFont(wordFont);
    btnBeginRecord->setAutoFillBackground(true);

    pbLevel = new QProgressBar(pnlRecord);
    pbLevel->setObjectName(QStringLiteral("pbLevel"));
    pbLevel->setRange(0, 100);
    pbLevel->setValue(0);
    pbLevel->setTextVisible(false);
    pbLevel->setAccessibleName(QStringLiteral("Microphone level"));
    Twips::place(pbLevel, 1245, 2385, 2820, 225);
    lblElapsed = Ui::label(pnlRecord, QStringLiteral("lblElapsed"), elapsedText(0), 1245, 2670, 2820, 300);
    lblElapsed->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    tmrLevel = Ui::timer(this, QStringLiteral("tmrLevel"), 100);
    setRecordingLook(false);
    stopLevelMeter();

    pnlReviewSound = Ui::panel(client, QStringLiteral("pnlReviewSound"), 0, 150, 5460, 3765);
    Label13 = Ui::label(pnlReviewSound, QStringLiteral("Label13"), QStringLiteral("Press ENTER  to save the word."), 0,
                        0, 5415, 420);
    Label13->setFont(promptFont);
    Label13->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    btnSaveWord = Ui::pictureButton(pnlReviewSound, QStringLiteral("btnSaveWord"), QStringLiteral("Save Word"),
                                    art("maint_save"), {1215, 405, 3000, 840});
    btnListen =
        Ui::pictureButton(pnlReviewSound, QStringLiteral("btnListen"), QStringLiteral("Listen to recorded word"),
                          art("maint_listen"), {1230, 1395, 3000, 840});
    btnReRecord = Ui::pictureButton(pnlReviewSound, QStringLiteral("btnReRecord"), QStringLiteral("Record word again"),
                                    art("maint_rerecord"), {1245, 2460, 3000, 840});
    for (QPushButton *b : {btnSaveWord, btnListen, btnReRecord})
        b->setFont(buttonFont);
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

void frmMaint::btnRecordWord_Click()
{
    const QString typed = txtWord->text();
    const QString word = TestFiles::trimBlanks(typed);
    QStringList listed;
    for (int i = 0; i < List1->count(); ++i)
        listed << List1->item(i)->text();

    const TestFiles::Check check = TestFiles::checkWord(word, listed);
    switch (check.verdict) {
    case TestFiles::Verdict::Empty:
        MsgBox(QStringLiteral("A typed word is needed before recording."));
        txtWord->clear();
        txtWord->setFocus();
        return;
    case TestFiles::Verdict::Listed:
        MsgBox(QStringLiteral("This word has already been recorded.\nPlease type a different word."), MsgButtons::Ok,
               MsgIcon::Information);
        txtWord->setText(word);
        txtWord->selectAll();
        txtWord->setFocus();
        return;
    case TestFiles::Verdict::Unsafe:
    case TestFiles::Verdict::OnDisk:
        // Refused before anything is recorded; the typed text stays for correction.
        MsgBox(QStringLiteral("The word \"") + TestFiles::printable(word) +
                   QStringLiteral("\" cannot be recorded as a file.\n") + check.reason +
                   QStringLiteral("\nPlease type a different word."),
               MsgButtons::Ok, MsgIcon::Information);
        txtWord->setText(typed);
        txtWord->setFocus();
        return;
    case TestFiles::Verdict::Ok:
        break;
    }

    txtWord->setText(word);
    lblWordToRecord->setText(word);
    Panels::show(pnlRecord);
    Panels::hide(pnlTypeWord);
    setEnterButton(btnBeginRecord);
    btnBeginRecord->setFocus();
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
        MMControl1->FileName = Shared::TestDir + txtWord->text() + QStringLiteral(".wav");
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

void frmMaint::btnSaveWord_Click()
{
    // No device delivered any sound (no sound server, no microphone): saving would
    // make a word that plays nothing.
    const SoundDevice *device = MMControl1->device();
    if (!device || device->recordedFrames() == 0) {
        MsgBox(QStringLiteral("Nothing was recorded.\nCheck that a microphone is connected and switched on."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    MMControl1->setCommand(QStringLiteral("Save"));
    if (MMControl1->Error() != 0) {
        // Nothing was written: the word is not listed as if it had been.
        QString text =
            QStringLiteral("The recording of \"") + txtWord->text() + QStringLiteral("\" could not be saved.");
        if (!MMControl1->ErrorMessage().isEmpty())
            text += QLatin1Char('\n') + MMControl1->ErrorMessage();
        MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    List1->addItem(txtWord->text());
    txtWord->clear();
    Panels::show(pnlWordList);
    Panels::hide(pnlReviewSound);
    setEnterButton(btnAddWord);
    btnAddWord->setFocus();
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
    lblWordToRecord->setText(word);
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
    const QString path = Shared::TestDir + word + QStringLiteral(".wav");
    delete List1->takeItem(List1->row(List1->selectedItems().first()));
    MMControl1->setCommand(QStringLiteral("Close"));
    if (!TestFiles::entryExists(path))
        return;
    TestFiles::deleteWordFile(path);
    txtWord->clear();
}
