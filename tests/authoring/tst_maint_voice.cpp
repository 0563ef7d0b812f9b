// The computer voice, whole word lists, guided recording, cleaned recordings and
// sentences, through the authoring window's real controls.
#include "maint_helpers.h"

#include "core/sound/sound_pcm.h"
#include "voice/computervoice.h"
#include "voice/recordingcheck.h"

#include <QPlainTextEdit>
#include <QStringEncoder>

#include <cmath>

#include <sndfile.h>

using namespace Maint;

namespace
{
// 800 ms of room noise, a 440 Hz tone at peakDb (clipping above 0 dBFS), 700 ms of noise.
std::vector<qint16> take(int toneMs, double peakDb)
{
    std::vector<qint16> s;
    quint32 state = 99;
    auto noise = [&](int ms) {
        for (int i = 0; i < 22050 * ms / 1000; ++i)
            s.push_back(qint16(int((state = state * 1664525u + 1013904223u) >> 24) % 21 - 10));
    };
    noise(800);
    for (int i = 0; i < 22050 * toneMs / 1000; ++i)
        s.push_back(qint16(
            std::clamp(std::lround(32768.0 * std::pow(10.0, peakDb / 20) * std::sin(i * 0.1254)), -32768L, 32767L)));
    noise(700);
    return s;
}

// A wave file's samples as the microphone gives them, at 22050 Hz.
std::vector<qint16> at22050(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    std::vector<qint16> in(size_t(f ? info.frames : 0));
    if (f && sf_read_short(f, in.data(), sf_count_t(in.size())) >= 0)
        sf_close(f);
    std::vector<qint16> out(in.empty() ? 0 : in.size() * 22050 / size_t(info.samplerate));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) * info.samplerate / 22050;
        const size_t k = std::min(size_t(t), in.size() - 1);
        out[i] = qint16(in[k] + (t - double(k)) * (in[std::min(k + 1, in.size() - 1)] - in[k]));
    }
    return out;
}

void accessKey(frmMaint *w, Qt::Key key)
{
    QTest::keyClick(keyTarget(w), key, Qt::AltModifier);
    QTest::qWait(300); // an access key clicks after a short delay
}

QStringList descriptions(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->data(Qt::AccessibleDescriptionRole).toString();
    return out;
}

frmMaint *editTest(TestEnv &env, const QStringList &computer, const QStringList &recorded = {})
{
    const QString dir = env.makeTest(u"Test_Week"_s, recorded);
    for (const QString &word : computer)
        ComputerVoice::synthesize(word, dir + word + u".wav"_s, nullptr);
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    select(w->pnlSelectTest->LstTests, u"Test_Week"_s);
    w->pnlSelectTest->btnEditTest_Click();
    return w;
}
} // namespace

class tst_MaintVoice : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void computerVoiceButton();
    void wordList_data();
    void wordList();
    void wordListFromFileAndFailures();
    void textFileEncodings_data();
    void textFileEncodings();
    void longWordsAndCancel_data();
    void longWordsAndCancel();
    void guidedRecording();
    void cleanedOnSave_data();
    void cleanedOnSave();
    void sentences();
    void deletingRemovesSentences();
    void recordingsCheckThemselves();
    void newTestFromAList();
};

void tst_MaintVoice::computerVoiceButton()
{
    TestEnv env;
    frmMaint *w = editTest(env, {}, {u"cat"_s});
    w->pnlWordList->btnAddWord_Click();
    w->pnlTypeWord->txtWord->setText(u"cat"_s); // the checks of "Record Word": a listed word is refused
    w->pnlTypeWord->btnComputerVoice_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
    w->pnlTypeWord->txtWord->setText(u" dog "_s);
    accessKey(w, Qt::Key_C);
    QCOMPARE(shownPanel(w) + enterName(w), u"pnlWordListbtnAddWord"_s);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"cat"_s, u"dog"_s}));
    QCOMPARE(descriptions(w->pnlWordList->List1), (QStringList{u"recorded"_s, u"computer voice"_s}));
    QVERIFY(!w->pnlWordList->List1->item(1)->icon().isNull());
    QVERIFY(ComputerVoice::isComputerVoice(env.context.TestDir() + u"dog.wav"_s));
}

void tst_MaintVoice::wordList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("listed"); // List1 afterwards
    QTest::addColumn<QString>("message");    // part of the one message; "" for none
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("left"); // what the box holds afterwards
    const QString many = u"w\n"_s.repeated(10000);
    QTest::newRow("plain") << u"their\n  there \n\n\r\nthey're\n"_s
                           << QStringList{u"cat"_s, u"their"_s, u"there"_s, u"they're"_s} << u""_s << u"pnlWordList"_s
                           << u""_s;
    QTest::newRow("some refused, one already in the test")
        << u"cat\nowl\nowl\na/b\nCat"_s << QStringList{u"cat"_s, u"owl"_s, u"Cat"_s}
        << u"These lines were not added:\n\"owl\""_s << u"pnlWordList"_s << u"owl\na/b"_s;
    QTest::newRow("all refused") << u"cat\n.hidden"_s << QStringList{u"cat"_s} << u"\".hidden\""_s << u"pnlWordLists"_s
                                 << u"cat\n.hidden"_s;
    QTest::newRow("empty") << u"\n  \n"_s << QStringList{u"cat"_s} << u"Type or paste"_s << u"pnlWordLists"_s
                           << u"\n  \n"_s;
    QTest::newRow("10000 lines") << many << QStringList{u"cat"_s} << u"At most"_s << u"pnlWordLists"_s << many;
}

void tst_MaintVoice::wordList()
{
    QFETCH(QString, text);
    QFETCH(QStringList, listed);
    QFETCH(QString, message);
    QFETCH(QString, panel);
    QFETCH(QString, left);
    TestEnv env;
    frmMaint *w = editTest(env, {}, {u"cat"_s});
    accessKey(w, Qt::Key_L);
    QCOMPARE(shownPanel(w), u"pnlWordLists"_s);
    w->pnlWordLists->txtWordList->setPlainText(text);
    QTest::mouseClick(w->pnlWordLists->btnAddTheseWords, Qt::LeftButton);
    QCOMPARE(items(w->pnlWordList->List1), listed);
    QCOMPARE(env.dialogs.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(env.dialogs.boxes.first().text.contains(message), qPrintable(env.dialogs.boxes.first().text));
    QCOMPARE(shownPanel(w), panel);
    QCOMPARE(w->pnlWordLists->txtWordList->toPlainText(), left);
    QVERIFY(w->pnlWordLists->pbWordList->isHidden());
    QCOMPARE(descriptions(w->pnlWordList->List1).count(u"computer voice"_s), listed.size() - 1);
    QCOMPARE(QDir(env.context.TestDir()).entryList(QDir::Files).size(), listed.size()); // nothing else made
}

void tst_MaintVoice::wordListFromFileAndFailures()
{
    TestEnv env;
    frmMaint *w = editTest(env, {});
    w->pnlWordList->btnTypeList_Click();
    QFile f(env.appDir() + u"week.txt"_s);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("caf\xe9\nbee\nant\n") == 13); // Latin-1
    f.close();
    env.dialogs.fileAnswers = {f.fileName(), env.appDir()}; // then a folder
    w->pnlWordLists->btnOpenTextFile_Click();
    w->pnlWordLists->btnOpenTextFile_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(w->pnlWordLists->txtWordList->toPlainText(), u"café\nbee\nant\n"_s);
    // A word whose file cannot be written fails alone and is reported; the others are saved.
    QVERIFY(QDir(env.context.TestDir()).mkdir(u"bee.wav"_s));
    w->pnlWordLists->btnAddTheseWords_Click();
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"café"_s, u"ant"_s}));
    QVERIFY(env.dialogs.boxes.last().text.contains(u"\"bee\""_s));
    QCOMPARE(w->pnlWordLists->txtWordList->toPlainText(), u"bee"_s);
}

// Ordinary text files: UTF-8 or UTF-16 with a byte-order mark, or picked through a link.
void tst_MaintVoice::textFileEncodings_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("link");
    QTest::newRow("UTF-8") << int(QStringConverter::Utf8) << false;
    QTest::newRow("UTF-16 LE") << int(QStringConverter::Utf16LE) << false;
    QTest::newRow("UTF-16 BE through a link") << int(QStringConverter::Utf16BE) << true;
}

void tst_MaintVoice::textFileEncodings()
{
    QFETCH(int, encoding);
    QFETCH(bool, link);
    TestEnv env;
    frmMaint *w = editTest(env, {});
    QFile f(env.appDir() + u"week.txt"_s);
    QStringEncoder encoder(QStringConverter::Encoding(encoding), QStringConverter::Flag::WriteBom);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(encoder.encode(u"café\nbee\n"_s)) > 0);
    f.close();
    env.dialogs.fileAnswers = {link ? env.appDir() + u"link.txt"_s : f.fileName()};
    QVERIFY(!link || QFile::link(f.fileName(), env.dialogs.fileAnswers.first()));
    w->pnlWordList->btnTypeList_Click();
    w->pnlWordLists->btnOpenTextFile_Click();
    QCOMPARE(env.dialogs.boxes.size(), 0);
    QCOMPARE(w->pnlWordLists->txtWordList->toPlainText(), u"café\nbee\n"_s);
}

// No word of more than 40 letters for the computer voice; "Cancel" stops a list after the
// word being said, and the words made stay.
void tst_MaintVoice::longWordsAndCancel_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("41 letters") << QStringList{u"a"_s.repeated(40), u"b"_s.repeated(41)} << false;
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << u"word"_s + QChar(u'a' + i % 26) + QChar(u'a' + i / 26);
    QTest::newRow("Cancel") << many << true;
}

void tst_MaintVoice::longWordsAndCancel()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, cancel);
    TestEnv env;
    frmMaint *w = editTest(env, {});
    w->pnlWordList->btnTypeList_Click();
    w->pnlWordLists->txtWordList->setPlainText(lines.join(u'\n'));
    QTimer clicker;
    bool cancelEnabled = false;
    connect(&clicker, &QTimer::timeout, w, [&] {
        if (w->pnlWordLists->pbWordList->value() >= 1 &&
            !std::exchange(cancelEnabled, w->pnlWordLists->btnCancelWordList->isEnabled()))
            QTest::mouseClick(w->pnlWordLists->btnCancelWordList, Qt::LeftButton);
    });
    if (cancel)
        clicker.start(1);
    QTest::mouseClick(w->pnlWordLists->btnAddTheseWords, Qt::LeftButton);
    const QStringList made = items(w->pnlWordList->List1);
    QCOMPARE(QDir(env.context.TestDir()).entryList(QDir::Files).size(), made.size());
    QCOMPARE(w->pnlWordLists->txtWordList->toPlainText(), lines.mid(made.size()).join(u'\n')); // the rest stay
    QCOMPARE(cancelEnabled, cancel);
    QCOMPARE(env.dialogs.boxes.size(), cancel ? 0 : 1);
    QVERIFY2(cancel ? made.size() <= 3 : env.dialogs.boxes.last().text.contains(u"it has 41 letters"_s),
             qPrintable(made.join(u' ')));
}

void tst_MaintVoice::guidedRecording()
{
    TestEnv env;
    frmMaint *w = editTest(env, {u"one"_s, u"three"_s, u"four"_s}, {u"two"_s});
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"four"_s, u"one"_s, u"three"_s, u"two"_s}));
    env.sound.setRecordedSamples(take(400, -12));
    accessKey(w, Qt::Key_W);
    QStringList asked;
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(shownPanel(w) + enterName(w), u"pnlRecordbtnBeginRecord"_s);
        QVERIFY(w->pnlRecord->btnBackToList->isVisible());
        asked << w->pnlRecord->lblWordToRecord->text();
        for (int n = 0; n < 3; ++n)
            enter(w); // start, stop, save: on to the next word
    }
    QCOMPARE(asked, (QStringList{u"four"_s, u"one"_s}));
    QCOMPARE(w->pnlRecord->lblWordToRecord->text(), u"three"_s);
    QTest::mouseClick(w->pnlRecord->btnBackToList, Qt::LeftButton);
    QCOMPARE(shownPanel(w) + enterName(w), u"pnlWordListbtnAddWord"_s);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"four"_s, u"one"_s, u"three"_s, u"two"_s}));
    QCOMPARE(descriptions(w->pnlWordList->List1),
             (QStringList{u"recorded"_s, u"recorded"_s, u"computer voice"_s, u"recorded"_s}));
    // Again: only "three" is left, then the word list.
    w->pnlWordList->btnRecordComputerWords_Click();
    QCOMPARE(w->pnlRecord->lblWordToRecord->text(), u"three"_s);
    for (int n = 0; n < 3; ++n)
        enter(w);
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(env.dialogs.boxes.size(), 0);
}

void tst_MaintVoice::cleanedOnSave_data()
{
    QTest::addColumn<double>("toneDb");
    QTest::addColumn<QString>("message");
    QTest::newRow("quiet voice raised") << -12.0 << u""_s;
    QTest::newRow("no voice") << -90.0
                              << u"No voice was heard in this recording.\nCheck the microphone and record the word "
                                 u"again."_s;
    QTest::newRow("clipped") << 6.0
                             << u"This recording was too loud and may sound broken.\nMove a little further from the "
                                u"microphone and record it again if it does."_s;
}

void tst_MaintVoice::cleanedOnSave()
{
    QFETCH(double, toneDb);
    QFETCH(QString, message);
    TestEnv env;
    env.sound.setRecordedSamples(take(500, toneDb));
    frmMaint *w = open();
    makeTest(w, u"Clean"_s);
    recordWord(w, u"bird"_s);
    QCOMPARE(env.dialogs.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(env.dialogs.boxes.first().text, message);
    const QString path = env.context.TestDir() + u"bird.wav"_s;
    if (toneDb < -60) { // not saved; the adult stays to record it again
        QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
        QVERIFY(!QFile::exists(path) && items(w->pnlWordList->List1).isEmpty());
        return;
    }
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    Pcm saved;
    QString error;
    QVERIFY2(SoundFile::read(path, saved, error), qPrintable(error));
    // 1.5 s of room noise cut to at most 150 ms at each end; the peak at -1 dBFS.
    QVERIFY2(saved.ms() >= 500 && saved.ms() <= 810, qPrintable(QString::number(saved.ms())));
    int peak = 0;
    for (qint64 i = 0; i < saved.frames(); ++i)
        peak = std::max(peak, std::abs(int(saved.samples()[i])));
    QVERIFY2(std::abs(20 * std::log10(peak / 32768.0) + 1.0) < 0.3, qPrintable(QString::number(peak)));
}

void tst_MaintVoice::sentences()
{
    TestEnv env;
    env.sound.setRecordedSamples(take(400, -6));
    frmMaint *w = open();
    makeTest(w, u"Sounds"_s);
    const QString sentence = env.context.TestDir() + u".sentences/their.wav"_s;
    for (const QString &word : {u"their"_s, u"there"_s}) {
        w->pnlWordList->btnAddWord_Click();
        w->pnlTypeWord->txtWord->setText(word);
        w->pnlTypeWord->btnRecordWord_Click();
        enter(w);
        enter(w);
        accessKey(w, Qt::Key_S); // saves the word, then records its sentence
        QCOMPARE(items(w->pnlWordList->List1).last(), word);
        QCOMPARE(shownPanel(w), u"pnlRecord"_s);
        QCOMPARE(w->pnlRecord->lblWordToRecord->text(), word + u" (sentence)"_s);
        QVERIFY(w->pnlRecord->txtSentence->isVisible() && w->pnlRecord->btnSentenceVoice->isVisible());
    }
    // The second sentence typed for the computer voice; an empty one is refused.
    w->pnlRecord->btnSentenceVoice_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    w->pnlRecord->txtSentence->setText(u"Put it over there."_s);
    w->pnlRecord->btnSentenceVoice_Click();
    QVERIFY(ComputerVoice::isComputerVoice(env.context.TestDir() + u".sentences/there.wav"_s));
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QVERIFY(!QFile::exists(sentence));
    // The first recorded through the same panels.
    select(w->pnlWordList->List1, u"their"_s);
    env.dialogs.answers = {MsgResult::Yes};
    w->pnlWordList->btnReRecordWord_Click();
    enter(w);
    enter(w);
    w->pnlReviewSound->btnAddSentence_Click();
    env.sound.clear();
    for (int n = 0; n < 3; ++n)
        enter(w);
    QCOMPARE(env.sound.lines().mid(0, 4), (QStringList{u"Close"_s, u"Open "_s + sentence, u"Record"_s, u"Stop"_s}));
    QVERIFY(QFile::exists(sentence) && !ComputerVoice::isComputerVoice(sentence));
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"there"_s, u"their"_s}));
}

void tst_MaintVoice::deletingRemovesSentences()
{
    TestEnv env;
    const QString dir = env.makeTest(u"Test_Week"_s, {u"one"_s, u"two"_s});
    QVERIFY(QDir(dir).mkdir(u".sentences"_s));
    TestEnv::writeWave(dir + u".sentences/one.wav"_s);
    TestEnv::writeWave(dir + u".sentences/two.wav"_s);
    // A link inside the hidden folder to a file outside the test is removed, not followed.
    TestEnv::writeWave(env.appDir() + u"outside.wav"_s);
    QVERIFY(QFile::link(env.appDir() + u"outside.wav"_s, dir + u".sentences/three.wav"_s));
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnEditTest_Click();
    select(w->pnlWordList->List1, u"one"_s);
    env.dialogs.answers = {MsgResult::Yes, MsgResult::Yes};
    w->pnlWordList->btnDelWord_Click();
    QVERIFY(!QFile::exists(dir + u".sentences/one.wav"_s) && QFile::exists(dir + u".sentences/two.wav"_s));
    w->pnlWordList->btnFinishNewTest_Click();
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnDeleteTest_Click();
    QVERIFY(!QFileInfo::exists(dir));
    QVERIFY(QFile::exists(env.appDir() + u"outside.wav"_s));
    QCOMPARE(env.dialogs.boxes.size(), 2); // the two questions only
}

// A recording is listened to when it is saved: one saying another word is marked, with
// the description a screen reader gives, until "This Recording Is Right" keeps it, also
// for a later check of the whole test.
void tst_MaintVoice::recordingsCheckThemselves()
{
    TestEnv env;
    RecordingCheck::install(&RecordingCheck::makeListener);
    const QString said = env.appDir() + u"said.wav"_s;
    QVERIFY(ComputerVoice::synthesize(u"cat"_s, said, nullptr));
    env.sound.setRecordedSamples(at22050(said));
    frmMaint *w = open();
    makeTest(w, u"Zoo"_s);
    recordWord(w, u"elephant"_s);
    QListWidget *list = w->pnlWordList->List1;
    QTRY_VERIFY_WITH_TIMEOUT(descriptions(list).join(u'|').startsWith(u"may not say elephant (it sounded like "_s),
                             30000);
    QVERIFY(!descriptions(list).first().contains(u"like elephant"_s));
    QVERIFY(!w->pnlWordList->btnRecordingIsRight->isEnabled());
    select(list, u"elephant"_s);
    QTest::mouseClick(w->pnlWordList->btnRecordingIsRight, Qt::LeftButton);
    QCOMPARE(descriptions(list), QStringList{u"recorded"_s});
    QTest::mouseClick(w->pnlWordList->btnCheckRecordings, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(env.dialogs.boxes.size(), 1, 30000);
    QCOMPARE(env.dialogs.boxes.first().text, u"The recordings were checked and none is marked."_s);
    QCOMPARE(descriptions(list), QStringList{u"recorded"_s});
    RecordingCheck::install(nullptr);
}

// A new test starts from a pasted numbered list, its words counted before they are made.
void tst_MaintVoice::newTestFromAList()
{
    TestEnv env;
    frmMaint *w = open();
    makeTest(w, u"Week"_s);
    QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
    accessKey(w, Qt::Key_L);
    QCOMPARE(shownPanel(w), u"pnlWordLists"_s);
    w->pnlWordLists->txtWordList->setPlainText(u"1. cat\n2) dog\n3 - owl"_s);
    QCOMPARE(w->pnlWordLists->lblWordsFound->text(), u"3 words found"_s);
    QTest::mouseClick(w->pnlWordLists->btnAddTheseWords, Qt::LeftButton);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"cat"_s, u"dog"_s, u"owl"_s}));
    QCOMPARE(env.dialogs.boxes.size(), 0);
}

QTEST_MAIN(tst_MaintVoice)
#include "tst_maint_voice.moc"
