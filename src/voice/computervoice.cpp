#include "voice/computervoice.h"

#include "core/platform/lazylibrary.h"
#include "core/platform/safefile.h"
#include "core/platform/testlibrary.h"
#include "core/sound/soundlibraries.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <flite/flite.h>
extern "C" {
#include <flite/cst_lexicon.h>
}
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <vector>

using SoundLibraries::sndfile;

// The voice: cmu_us_slt, a clear US English female voice. Of the voices Debian ships
// with flite it is the only female one (awb is a Scottish male voice, kal and kal16 male
// diphone voices, rms a US male voice). Measured on this machine: about 23 ms per word at
// 16 kHz; kal16 is faster (1 ms) but sounds mechanical, rms and awb take as long as slt.
extern "C" cst_voice *register_cmu_us_slt(const char *voxdir);

namespace ComputerVoice
{
namespace
{

// Output this quiet is the pause the voice makes around text it found nothing to say in
// (symbols, other scripts): about -50 dBFS, where spoken words peak near -5 dBFS.
constexpr int SilentPeak = 100;

// flite's functions, from its voice's library (which brings flite and the English rules
// and lexicon with it), loaded when the voice is first started (LazyLibrary): its
// tables are large and the start window never speaks.
struct Flite {
    decltype(&::flite_init) init = nullptr;
    decltype(&::register_cmu_us_slt) registerVoice = nullptr;
    decltype(&::flite_text_to_wave) textToWave = nullptr;
    decltype(&::delete_wave) deleteWave = nullptr;
    std::jmp_buf **errjmp = nullptr; // cst_errjmp
    // The lexicon, for a word's phones.
    decltype(&::feat_val) featVal = nullptr;
    decltype(&::val_lexicon) valLexicon = nullptr;
    decltype(&::lex_lookup) lexLookup = nullptr;
    decltype(&::cst_val_consp) consp = nullptr;
    decltype(&::val_car) car = nullptr;
    decltype(&::val_cdr) cdr = nullptr;
    decltype(&::val_stringp) stringp = nullptr;
    decltype(&::val_string) string = nullptr;
    decltype(&::delete_val) deleteVal = nullptr;
};

// The synthesizer, started on first use. flite keeps global state (its language tables
// and the voice's features), so one call at a time.
struct Engine {
    QMutex mutex;
    bool started = false;
    Flite flite;
    cst_voice *voice = nullptr;
    QString failure;
};

Engine &engine()
{
    static Engine e;
    return e;
}

// With the engine locked.
cst_voice *startedVoice(Engine &e)
{
    if (!e.started) {
        e.started = true;
        LazyLibrary lib("libflite_cmu_us_slt.so.1");
        Flite &f = e.flite;
        if (!(lib.bind(f.init, "flite_init") && lib.bind(f.registerVoice, "register_cmu_us_slt") &&
              lib.bind(f.textToWave, "flite_text_to_wave") && lib.bind(f.deleteWave, "delete_wave") &&
              lib.bind(f.errjmp, "cst_errjmp") && lib.bind(f.featVal, "feat_val") &&
              lib.bind(f.valLexicon, "val_lexicon") && lib.bind(f.lexLookup, "lex_lookup") &&
              lib.bind(f.consp, "cst_val_consp") && lib.bind(f.car, "val_car") && lib.bind(f.cdr, "val_cdr") &&
              lib.bind(f.stringp, "val_stringp") && lib.bind(f.string, "val_string") &&
              lib.bind(f.deleteVal, "delete_val"))) {
            e.failure = QStringLiteral("Its library could not be loaded: ") + lib.errorString();
            return nullptr;
        }
        f.init();
        e.voice = f.registerVoice(nullptr);
        if (!e.voice)
            e.failure = QStringLiteral("Its voice could not be loaded.");
    }
    return e.voice;
}

// flite ends the process on an internal error unless a jump target is set: this frame
// holds nothing that needs destroying, so jumping back here is safe and the call fails.
cst_wave *speak(const Flite &f, const char *text, cst_voice *voice)
{
    std::jmp_buf here;
    std::jmp_buf *previous = *f.errjmp;
    cst_wave *volatile wave = nullptr;
    *f.errjmp = &here;
    if (setjmp(here) == 0)
        wave = f.textToWave(text, voice);
    *f.errjmp = previous;
    return wave;
}

struct Speech {
    std::vector<short> samples;
    int rate = 0;
};

// libsndfile writing into memory, so the whole file is ready before the disk is touched.
sf_count_t bufLength(void *user)
{
    return static_cast<QBuffer *>(user)->size();
}
sf_count_t bufSeek(sf_count_t offset, int whence, void *user)
{
    auto *b = static_cast<QBuffer *>(user);
    const qint64 base = whence == SEEK_CUR ? b->pos() : whence == SEEK_END ? b->size() : 0;
    return b->seek(base + offset) ? b->pos() : -1;
}
sf_count_t bufRead(void *ptr, sf_count_t count, void *user)
{
    return static_cast<QBuffer *>(user)->read(static_cast<char *>(ptr), count);
}
sf_count_t bufWrite(const void *ptr, sf_count_t count, void *user)
{
    return static_cast<QBuffer *>(user)->write(static_cast<const char *>(ptr), count);
}
sf_count_t bufTell(void *user)
{
    return static_cast<QBuffer *>(user)->pos();
}

QByteArray encode(const Speech &speech)
{
    QByteArray image;
    QBuffer buffer(&image);
    buffer.open(QIODevice::ReadWrite);
    SF_VIRTUAL_IO io{bufLength, bufSeek, bufRead, bufWrite, bufTell};
    SF_INFO info{};
    info.samplerate = speech.rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sndfile().loaded() ? sndfile().open_virtual(&io, SFM_WRITE, &info, &buffer) : nullptr;
    if (!f)
        return {};
    const QByteArray mark = Mark.toUtf8();
    const bool marked = sndfile().set_string(f, SF_STR_SOFTWARE, mark.constData()) == 0;
    const auto frames = sf_count_t(speech.samples.size());
    const bool written = sndfile().write_short(f, speech.samples.data(), frames) == frames;
    if (sndfile().close(f) != 0 || !marked || !written)
        return {};
    return image;
}

// Failures of the folder or the disk rather than of one word: the next word would fail too.
bool stopsTheBatch(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EROFS:
    case EIO:
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
        return true;
    default:
        return false;
    }
}

enum class Outcome { Saved, WordFailed, BatchFailed };

Outcome say(const QString &text, const QString &path, QString *error)
{
    auto fail = [error](Outcome outcome, const QString &why) {
        if (error)
            *error = why;
        return outcome;
    };
    const QByteArray utf8 = TestLibrary::normalForm(text.trimmed()).toUtf8();
    if (utf8.isEmpty())
        return fail(Outcome::WordFailed, QStringLiteral("There is nothing to say."));

    Speech speech;
    {
        Engine &e = engine();
        const QMutexLocker lock(&e.mutex);
        cst_voice *voice = startedVoice(e);
        if (!voice)
            return fail(Outcome::BatchFailed, StartFailed + QLatin1Char('\n') + e.failure);
        cst_wave *wave = speak(e.flite, utf8.constData(), voice);
        if (!wave)
            return fail(Outcome::WordFailed, QStringLiteral("The computer voice failed while speaking."));
        const int channels = std::max(1, wave->num_channels);
        speech.rate = wave->sample_rate;
        for (int i = 0; i + channels <= wave->num_samples; i += channels)
            speech.samples.push_back(wave->samples[i]); // flite voices are mono; first channel otherwise
        e.flite.deleteWave(wave);
    }
    int peak = 0;
    for (const short s : speech.samples)
        peak = std::max(peak, std::abs(int(s)));
    if (peak < SilentPeak || speech.rate <= 0)
        return fail(Outcome::WordFailed, QStringLiteral("The computer voice found nothing it could say in it."));

    const QByteArray image = encode(speech);
    if (image.isEmpty())
        return fail(Outcome::WordFailed, QStringLiteral("The sound could not be made into a wave file."));
    QString why;
    int err = 0;
    if (!SafeFile::replaceFile(path, image, &why, SafeFile::Destination::ProgramFolder, SafeFile::AtName::PlainFileOnly,
                               &err))
        return fail(stopsTheBatch(err) ? Outcome::BatchFailed : Outcome::WordFailed, why);
    return Outcome::Saved;
}

} // namespace

bool synthesize(const QString &text, const QString &path, QString *error)
{
    return say(text, path, error) == Outcome::Saved;
}

QString wordProblem(const QString &word)
{
    const qsizetype letters = word.trimmed().toUcs4().size();
    if (letters <= MaxWordLetters)
        return {};
    return QStringLiteral("It is too long for the computer voice: it has %1 letters, and the computer voice says "
                          "words of at most %2. Record it instead.")
        .arg(letters)
        .arg(MaxWordLetters);
}

bool makeWord(const QString &testDir, const QString &word, QString *error)
{
    if (const QString why = wordProblem(word); !why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    return synthesize(word, testDir + word + QStringLiteral(".wav"), error);
}

QStringList phones(const QString &word)
{
    const QByteArray utf8 = word.toUtf8();
    Engine &e = engine();
    const QMutexLocker lock(&e.mutex);
    cst_voice *voice = startedVoice(e);
    if (!voice || utf8.isEmpty())
        return {};
    // The same jump target as speaking: a lookup flite cannot make fails alone. Only the
    // lookup runs under it, so nothing with a destructor is jumped over.
    const Flite &f = e.flite;
    std::jmp_buf here;
    std::jmp_buf *previous = *f.errjmp;
    cst_val *volatile list = nullptr;
    *f.errjmp = &here;
    if (setjmp(here) == 0) {
        const cst_lexicon *lexicon = f.valLexicon(f.featVal(voice->features, "lexicon"));
        list = f.lexLookup(lexicon, utf8.constData(), nullptr, voice->features);
    }
    *f.errjmp = previous;
    QStringList out;
    for (const cst_val *v = list; v && f.consp(v); v = f.cdr(v)) {
        if (!f.stringp(f.car(v)))
            continue;
        QString phone = QString::fromLatin1(f.string(f.car(v)));
        while (!phone.isEmpty() && phone.back().isDigit())
            phone.chop(1);
        if (!phone.isEmpty() && phone != QLatin1String("pau"))
            out << phone;
    }
    f.deleteVal(list);
    return out;
}

bool isComputerVoice(const QString &path)
{
    // Only plain files: a pipe or device would block the read.
    if (!QFileInfo(path).isFile())
        return false;
    SF_INFO info{};
    SNDFILE *f = sndfile().loaded() ? sndfile().open(QFile::encodeName(path).constData(), SFM_READ, &info) : nullptr;
    if (!f)
        return false;
    const char *software = sndfile().get_string(f, SF_STR_SOFTWARE);
    const bool marked = software && QString::fromUtf8(software).startsWith(Mark);
    sndfile().close(f);
    return marked;
}

Batch makeWords(const QString &testDir, const QStringList &words, const Progress &progress,
                const std::atomic<bool> *stop)
{
    Batch batch;
    const int total = int(words.size());
    for (int i = 0; i < total; ++i) {
        if (stop && stop->load()) {
            batch.notTried = words.mid(i);
            break;
        }
        QString reason = wordProblem(words.at(i));
        const Outcome outcome = reason.isEmpty()
                                    ? say(words.at(i), testDir + words.at(i) + QStringLiteral(".wav"), &reason)
                                    : Outcome::WordFailed;
        if (outcome == Outcome::Saved)
            batch.saved << words.at(i);
        else
            batch.failed.append({words.at(i), reason});
        if (outcome == Outcome::BatchFailed) {
            for (int rest = i + 1; rest < total; ++rest)
                batch.failed.append({words.at(rest), reason});
            if (progress)
                progress(total, total);
            break;
        }
        if (progress)
            progress(i + 1, total);
    }
    return batch;
}

} // namespace ComputerVoice
