#include "voice/dictionary.h"

#include "core/platform/settings.h"

#include <QFileInfo>

#include <hunspell.hxx>

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

SpellingDictionary::SpellingDictionary(std::unique_ptr<Hunspell> hunspell) : m_hunspell(std::move(hunspell)) {}

SpellingDictionary::~SpellingDictionary() = default;

std::unique_ptr<SpellingDictionary> SpellingDictionary::open(Dictionaries::Language language, const QString &folder)
{
    const QString base = folder + Dictionaries::code(language);
    const QFileInfo aff(base + QStringLiteral(".aff"));
    const QFileInfo dic(base + QStringLiteral(".dic"));
    // Hunspell reports an unreadable file only on standard error: it is checked here.
    if (!aff.isFile() || !aff.isReadable() || !dic.isFile() || !dic.isReadable())
        return nullptr;
    auto h = std::make_unique<Hunspell>(QFile::encodeName(aff.filePath()).constData(),
                                        QFile::encodeName(dic.filePath()).constData());
    // The system's English dictionaries are in UTF-8; any other would misread words.
    if (QString::fromStdString(h->get_dict_encoding()).compare(u"UTF-8", Qt::CaseInsensitive) != 0)
        return nullptr;
    return std::unique_ptr<SpellingDictionary>(new SpellingDictionary(std::move(h)));
}

bool SpellingDictionary::isWord(const QString &text) const
{
    // Longer than any English word, or holding anything but letters: no word.
    constexpr qsizetype Longest = 60;
    if (text.isEmpty() || text.size() > Longest)
        return false;
    for (const QChar c : text)
        if (!c.isLetter() && c != u'\'' && c != u'-')
            return false;
    return m_hunspell->spell(text.toStdString());
}
