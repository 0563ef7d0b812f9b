#pragma once
#include "core/run/alignment.h"

#include <QString>
#include <QStringList>

#include <memory>

struct Hunhandle;

// The dictionaries that tell whether an answer is another real word: British or
// American English, the one chosen in the options kept in the settings file.
namespace Dictionaries
{
enum class Language { British, American };

// The settings key and its values ("en_GB", "en_US"); British when unset or unknown.
inline const QString SettingKey = QStringLiteral("Dictionary");
QString code(Language language);
// What the options show: "British English", "American English".
QString caption(Language language);
QList<Language> all();
Language fromCode(const QString &code);
// The language the settings name, read without a box (British when unreadable).
Language chosen();
// Where the system keeps its dictionaries.
inline const QString SystemFolder = QStringLiteral("/usr/share/hunspell/");
} // namespace Dictionaries

class SpellingDictionary;

namespace Dictionaries
{
// The chosen language's dictionary for the windows, read the first time one asks and
// kept for the program's life (read again when the options change the language), so a
// window never re-reads its files; null when they cannot be read. Asked on the windows'
// thread only: a worker opens a dictionary of its own.
const SpellingDictionary *forWindows();
} // namespace Dictionaries

// One language's dictionary, read from the system's Hunspell files (Hunspell,
// LGPL/MPL, loaded when the first dictionary is opened: core/platform/lazylibrary.h).
// Made and asked on one thread.
class SpellingDictionary final : public WordChecker
{
  public:
    ~SpellingDictionary() override;
    // None when the language's files are missing or unreadable. folder ends in "/".
    static std::unique_ptr<SpellingDictionary> open(Dictionaries::Language language,
                                                    const QString &folder = Dictionaries::SystemFolder);

    // True for a word the dictionary knows as it is written (a capital at the start
    // is allowed, as at the start of a sentence); anything but letters, apostrophes
    // and hyphens is no word.
    bool isWord(const QString &text) const override;

  private:
    explicit SpellingDictionary(Hunhandle *hunspell) : m_hunspell(hunspell) {}
    Hunhandle *m_hunspell;
};
