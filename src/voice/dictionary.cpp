#include "voice/dictionary.h"

#include "core/platform/lazylibrary.h"
#include "core/platform/settings.h"

#include <QFileInfo>

#include <hunspell.h>

namespace Dictionaries
{
QString code(Language language)
{
    return language == Language::American ? QStringLiteral("en_US") : QStringLiteral("en_GB");
}

QString caption(Language language)
{
    return language == Language::American ? QStringLiteral("American English") : QStringLiteral("British English");
}

QList<Language> all()
{
    return {Language::British, Language::American};
}

Language fromCode(const QString &text)
{
    return text == code(Language::American) ? Language::American : Language::British;
}

Language chosen()
{
    return fromCode(Settings::read(SettingKey, code(Language::British)).text);
}
} // namespace Dictionaries

namespace
{
// Hunspell's C functions, from its library, loaded when the first dictionary is opened:
// no start needs it.
struct Functions {
    decltype(&::Hunspell_create) create = nullptr;
    decltype(&::Hunspell_destroy) destroy = nullptr;
    decltype(&::Hunspell_spell) spell = nullptr;
    decltype(&::Hunspell_get_dic_encoding) encoding = nullptr;
    bool loaded = false;
};

const Functions &hunspell()
{
    static const Functions f = [] {
        Functions out;
        LazyLibrary lib("libhunspell-1.7.so.0");
        out.loaded = lib.bind(out.create, "Hunspell_create") && lib.bind(out.destroy, "Hunspell_destroy") &&
                     lib.bind(out.spell, "Hunspell_spell") && lib.bind(out.encoding, "Hunspell_get_dic_encoding");
        if (!out.loaded)
            qWarning("The dictionaries' library could not be loaded: %s", qUtf8Printable(lib.errorString()));
        return out;
    }();
    return f;
}
} // namespace

SpellingDictionary::~SpellingDictionary()
{
    hunspell().destroy(m_hunspell);
}

std::unique_ptr<SpellingDictionary> SpellingDictionary::open(Dictionaries::Language language, const QString &folder)
{
    const QString base = folder + Dictionaries::code(language);
    const QFileInfo aff(base + QStringLiteral(".aff"));
    const QFileInfo dic(base + QStringLiteral(".dic"));
    // Hunspell reports an unreadable file only on standard error: it is checked here.
    if (!aff.isFile() || !aff.isReadable() || !dic.isFile() || !dic.isReadable())
        return nullptr;
    const Functions &f = hunspell();
    if (!f.loaded)
        return nullptr;
    Hunhandle *h =
        f.create(QFile::encodeName(aff.filePath()).constData(), QFile::encodeName(dic.filePath()).constData());
    if (!h)
        return nullptr;
    auto dictionary = std::unique_ptr<SpellingDictionary>(new SpellingDictionary(h));
    // The system's English dictionaries are in UTF-8; any other would misread words.
    const char *encoding = f.encoding(h);
    if (!encoding || QString::fromLatin1(encoding).compare(u"UTF-8", Qt::CaseInsensitive) != 0)
        return nullptr;
    return dictionary;
}

namespace Dictionaries
{
const SpellingDictionary *forWindows()
{
    static struct {
        QString code;
        std::unique_ptr<SpellingDictionary> dictionary;
    } kept;
    const Language language = chosen();
    if (code(language) != kept.code) {
        kept.dictionary = SpellingDictionary::open(language);
        kept.code = code(language);
    }
    return kept.dictionary.get();
}
} // namespace Dictionaries

bool SpellingDictionary::isWord(const QString &text) const
{
    // Longer than any English word, or holding anything but letters: no word.
    constexpr qsizetype Longest = 60;
    if (text.isEmpty() || text.size() > Longest)
        return false;
    for (const QChar c : text)
        if (!c.isLetter() && c != u'\'' && c != u'-')
            return false;
    return hunspell().spell(m_hunspell, text.toUtf8().constData()) != 0;
}
