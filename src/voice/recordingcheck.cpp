#include "voice/recordingcheck.h"

#include "core/sound/soundlibraries.h"
#include "voice/computervoice.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <ckd_alloc.h>
#include <fsg_model.h>
#include <jsgf.h>
#include <pocketsphinx.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

using SoundLibraries::sndfile;

// The recognizer is pocketsphinx with its US English model (Debian's pocketsphinx-en-us).
// It is linked from its static libraries, so starting the program loads nothing of it;
// the model is read at the first check.
//
// How a recording is judged, decided by experiment on spoken words: a grammar of the
// test's words alone always answers with one of them, even for a word that is not in the
// test, and a free loop of phones as the "none of these" answer wins too often against a
// right word. So the recording is first heard with the model's general English language
// model (about 0.1 s), which answers with the real words it sounds like. When that is
// the word, the recording is right. Otherwise those words join the test's words as one
// more answer of the grammar, and the grammar's choice says which fits best: the word
// itself, another word of the test, or what the general model heard.
namespace RecordingCheck
{

QString warning(const QString &word, const QString &heard)
{
    return QStringLiteral("may not say ") + word + QStringLiteral(" (it sounded like ") + heard + QStringLiteral(")");
}

namespace
{

const QString ModelDir = QStringLiteral("/usr/share/pocketsphinx/model/en-us/");
constexpr int ModelRate = 16000;
constexpr int MaxSeconds = 30; // a word's recording is a few seconds; more is not listened to
constexpr int MaxAlternatives = 4;

// The samples of a wave file, mixed to one channel, as floats.
bool readSamples(const QString &path, std::vector<float> &mono, int &rate, QString *why)
{
    SF_INFO info{};
    SNDFILE *f = sndfile().loaded() ? sndfile().open(QFile::encodeName(path).constData(), SFM_READ, &info) : nullptr;
    if (!f) {
        *why = QStringLiteral("The recording could not be read.");
        return false;
    }
    const sf_count_t frames = std::min<sf_count_t>(info.frames, sf_count_t(MaxSeconds) * info.samplerate);
    std::vector<float> all(size_t(frames) * size_t(info.channels));
    const sf_count_t read = sndfile().readf_float(f, all.data(), frames);
    sndfile().close(f);
    mono.assign(size_t(std::max<sf_count_t>(read, 0)), 0.0f);
    for (size_t i = 0; i < mono.size(); ++i) {
        for (int c = 0; c < info.channels; ++c)
            mono[i] += all[i * size_t(info.channels) + size_t(c)];
        mono[i] /= float(info.channels);
    }
    rate = info.samplerate;
    if (mono.empty() || rate <= 0) {
        *why = QStringLiteral("The recording holds no sound.");
        return false;
    }
    return true;
}

// The model listens at 16 kHz: a windowed-sinc resampler, low-passed below the lower of
// the two Nyquist frequencies.
std::vector<qint16> toModelRate(const std::vector<float> &in, int rate)
{
    const double step = double(rate) / ModelRate; // input samples per output sample
    const double cutoff = std::min(1.0, 1.0 / step) * 0.95;
    const int span = int(std::ceil(16 / cutoff));
    const size_t count = size_t(double(in.size()) / step);
    std::vector<qint16> out(count);
    for (size_t i = 0; i < count; ++i) {
        double sum = 0;
        if (rate == ModelRate) {
            sum = in[i];
        } else {
            const double t = double(i) * step;
            const long centre = long(t);
            for (long k = std::max(0L, centre - span + 1); k <= centre + span && k < long(in.size()); ++k) {
                const double d = t - double(k);
                if (std::abs(d) >= span)
                    continue;
                const double x = std::numbers::pi * cutoff * d;
                const double sinc = d == 0 ? 1.0 : std::sin(x) / x;
                const double window = 0.5 * (1 + std::cos(std::numbers::pi * d / span));
                sum += in[size_t(k)] * cutoff * sinc * window;
            }
        }
        out[i] = qint16(std::clamp(std::lround(sum * 32767.0), -32768L, 32767L));
    }
    return out;
}

// A spelling's words as the dictionary spells them: lower case, accents taken off,
// split at anything that is not a letter or an apostrophe.
QStringList dictionaryWords(const QString &spelling)
{
    QString plain;
    for (const QChar c : spelling.toLower().normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    static const QRegularExpression apart(QStringLiteral("[^\\p{L}']+"));
    return plain.split(apart, Qt::SkipEmptyParts);
}

class Sphinx final : public Listener
{
  public:
    ~Sphinx() override
    {
        if (m_ps)
            ps_free(m_ps);
        if (m_config)
            cmd_ln_free_r(m_config);
    }

    Result check(const QString &path, const QString &word, const QStringList &words) override
    {
        Result r;
        std::vector<float> samples;
        int rate = 0;
        if (!readSamples(path, samples, rate, &r.why))
            return r;
        if (!start()) {
            r.why = m_failure;
            return r;
        }
        const std::vector<qint16> sound = toModelRate(samples, rate);
        const QStringList target = entry(word).prons;
        if (target.isEmpty()) {
            r.why = QStringLiteral("The word cannot be listened for.");
            return r;
        }

        // What the recording sounds like in general English.
        const QString heard = decode(General, sound);
        const QStringList heardWords = heard.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (heardWords.contains(word.toLower()) || heard == dictionaryWords(word).join(QLatin1Char(' ')) ||
            std::ranges::any_of(heardWords, [&](const QString &w) { return said(w, target); })) {
            r.verdict = Verdict::Says;
            return r;
        }

        // What was heard is another word of the test.
        for (const QString &w : words)
            if (w != word && heard == dictionaryWords(w).join(QLatin1Char(' '))) {
                r.verdict = Verdict::OtherWord;
                r.heard = w;
                return r;
            }

        // The test's words, and what was heard, as the answers of one grammar.
        QStringList answers;
        QHash<QString, QString> wordOf; // answer key -> test word
        for (const QString &w : QStringList{word} + words) {
            const Entry &e = entry(w);
            if (!e.prons.isEmpty() && !wordOf.contains(e.key)) {
                answers << e.key;
                wordOf.insert(e.key, w);
            }
        }
        static const QRegularExpression token(QStringLiteral("^[a-z][a-z']*$"));
        const bool heardIsAnswer = !heardWords.isEmpty() && std::ranges::all_of(heardWords, [](const QString &w) {
            return token.match(w).hasMatch();
        });
        if (heardIsAnswer)
            answers << QStringLiteral("( ") + heard + QStringLiteral(" )");
        const QByteArray grammar = (QStringLiteral("#JSGF V1.0;\ngrammar check;\npublic <answer> = ") +
                                    answers.join(QStringLiteral(" | ")) + QStringLiteral(";\n"))
                                       .toUtf8();
        if (!setGrammar("check", grammar)) {
            r.why = QStringLiteral("The test's words could not be listened for.");
            return r;
        }
        const QString best = decode("check", sound);
        if (const auto other = wordOf.constFind(best); other != wordOf.cend()) {
            const bool same = *other == word || said(best, target);
            r.verdict = same ? Verdict::Says : Verdict::OtherWord;
            r.heard = same ? QString() : *other;
            return r;
        }
        r.verdict = Verdict::NoWord;
        r.heard = best.isEmpty() ? (heard.isEmpty() ? QStringLiteral("nothing") : heard) : best;
        return r;
    }

  private:
    struct Entry {
        QString key;       // its name in the recognizer's dictionary
        QStringList prons; // its pronunciations, phones separated by blanks; none: not listened for
    };

    bool start()
    {
        if (m_ps || !m_failure.isEmpty())
            return m_ps != nullptr;
        const QString hmm = ModelDir + QStringLiteral("en-us");
        if (!QFileInfo(hmm + QStringLiteral("/mdef")).isFile()) {
            m_failure = QStringLiteral("The speech model is not installed (the package pocketsphinx-en-us).");
            return false;
        }
        const QByteArray hmmPath = QFile::encodeName(hmm);
        const QByteArray lm = QFile::encodeName(ModelDir + QStringLiteral("en-us.lm.bin"));
        const QByteArray dict = QFile::encodeName(ModelDir + QStringLiteral("cmudict-en-us.dict"));
        m_config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmmPath.constData(), "-dict", dict.constData(),
                               "-logfn", "/dev/null",
                               // Measured: twice as fast as the defaults, the same words heard.
                               "-fwdflat", "no", "-bestpath", "no", "-maxhmmpf", "1500", "-pl_window", "10", nullptr);
        m_ps = m_config ? ps_init(m_config) : nullptr;
        // The general English model is a search of its own name, so that no search's
        // name has to be asked for (ps_get_search leaks its iterator).
        if (!m_ps || ps_set_lm_file(m_ps, General, lm.constData()) != 0) {
            m_failure = QStringLiteral("The speech model could not be loaded.");
            return false;
        }
        return true;
    }

    // The grammar text as the search name. pocketsphinx's own ps_set_jsgf_string keeps
    // the parsed grammar for good, one per check: it is parsed, built and freed here.
    bool setGrammar(const char *name, const QByteArray &text)
    {
        jsgf_t *jsgf = jsgf_parse_string(text.constData(), nullptr);
        if (!jsgf)
            return false;
        bool set = false;
        if (jsgf_rule_t *rule = jsgf_get_public_rule(jsgf)) {
            fsg_model_t *fsg = jsgf_build_fsg(jsgf, rule, ps_get_logmath(m_ps), cmd_ln_float32_r(m_config, "-lw"));
            // The search keeps its own reference to the model.
            set = fsg && ps_set_fsg(m_ps, name, fsg) == 0;
            if (fsg)
                fsg_model_free(fsg);
        }
        jsgf_grammar_free(jsgf);
        return set;
    }

    QString decode(const char *search, const std::vector<qint16> &sound)
    {
        if (ps_set_search(m_ps, search) != 0 || ps_start_utt(m_ps) != 0)
            return {};
        ps_process_raw(m_ps, reinterpret_cast<const int16 *>(sound.data()), sound.size(), FALSE, TRUE);
        ps_end_utt(m_ps);
        int32 score = 0;
        const char *hyp = ps_get_hyp(m_ps, &score);
        static const QRegularExpression alternative(QStringLiteral("\\(\\d+\\)"));
        return hyp ? QString::fromUtf8(hyp).remove(alternative).simplified() : QString();
    }
    QString decode(const QByteArray &search, const std::vector<qint16> &sound)
    {
        return decode(search.constData(), sound);
    }

    // The dictionary's pronunciations of one of its words (the first and its alternatives).
    QStringList lookup(const QString &dictWord)
    {
        QStringList prons;
        for (int n = 1; n <= MaxAlternatives; ++n) {
            const QByteArray name = (n == 1 ? dictWord : dictWord + QStringLiteral("(%1)").arg(n)).toUtf8();
            char *phones = ps_lookup_word(m_ps, name.constData());
            if (!phones)
                break;
            prons << QString::fromLatin1(phones).simplified();
            ckd_free(phones);
        }
        return prons;
    }

    // How a spelling is said: from the dictionary, else by the computer voice's
    // letter-to-sound rules (phones of the same set, but for two reduced vowels).
    QStringList pronounce(const QString &spelling)
    {
        const QStringList parts = dictionaryWords(spelling);
        QStringList whole{QString()};
        for (const QString &part : parts) {
            QStringList prons = lookup(part);
            if (prons.isEmpty()) {
                QStringList phones = ComputerVoice::phones(part);
                for (QString &p : phones)
                    p = p == QLatin1String("ax")    ? QStringLiteral("AH")
                        : p == QLatin1String("axr") ? QStringLiteral("ER")
                                                    : p.toUpper();
                if (phones.isEmpty())
                    return {};
                prons << phones.join(QLatin1Char(' '));
            }
            // Alternatives of a single word; the first pronunciation of each part of several.
            if (parts.size() > 1)
                prons = prons.mid(0, 1);
            QStringList next;
            for (const QString &w : whole)
                for (const QString &p : prons)
                    next << (w.isEmpty() ? p : w + QLatin1Char(' ') + p);
            whole = next;
        }
        return parts.isEmpty() ? QStringList() : whole;
    }

    // A test word in the dictionary under a name of its own, made once.
    const Entry &entry(const QString &word)
    {
        if (const auto found = m_entries.constFind(word); found != m_entries.cend())
            return *found;
        Entry e;
        e.key = QStringLiteral("wordaroo_%1").arg(m_entries.size());
        const QStringList prons = pronounce(word);
        for (qsizetype i = 0; i < prons.size(); ++i) {
            const QByteArray name = (i == 0 ? e.key : e.key + QStringLiteral("(%1)").arg(i + 1)).toUtf8();
            if (ps_add_word(m_ps, name.constData(), prons.at(i).toLatin1().constData(), FALSE) < 0)
                break;
            e.prons << prons.at(i);
        }
        return *m_entries.insert(word, e);
    }

    // Whether a word the recognizer answered is said as one of target's pronunciations.
    bool said(const QString &answer, const QStringList &target)
    {
        const QStringList prons = lookup(answer);
        return std::ranges::any_of(prons, [&](const QString &p) { return target.contains(p); });
    }

    cmd_ln_t *m_config = nullptr;
    ps_decoder_t *m_ps = nullptr;
    QString m_failure;
    // The search with the general English language model.
    static constexpr const char *General = "general";
    QHash<QString, Entry> m_entries;
};

} // namespace

std::unique_ptr<Listener> makeListener()
{
    return std::make_unique<Sphinx>();
}

namespace
{
std::atomic<Factory> installedFactory{nullptr};
}

void install(Factory factory)
{
    installedFactory = factory;
}

Factory installed()
{
    return installedFactory;
}

} // namespace RecordingCheck
