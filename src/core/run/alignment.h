#pragma once
#include <QList>
#include <QString>

// Tells whether a text is a word of the language. The program's dictionaries answer
// through it (voice/dictionary.h); without one the alignment leaves "another real word"
// out.
class WordChecker
{
  public:
    virtual ~WordChecker() = default;
    virtual bool isWord(const QString &text) const = 0;
};

// Where an answer went wrong: the answer lined up with its word letter by letter by the
// fewest edits, an exchange of two neighbouring letters counting as one edit (each
// letter takes part in at most one edit), and the kinds of mistake those edits are.
// Letters are compared as the test marks them: without regard to case, the answer
// trimmed of outer spaces. Any text aligns, however long, empty or odd; the alignment
// only reads it. No window.
class Alignment
{
  public:
    enum class Mark {
        Right,   // the letter is where it belongs
        Wrong,   // another letter stands in its place
        Missing, // a letter of the word the answer left out
        Extra,   // a letter of the answer the word does not have
        Swapped, // one of two neighbouring letters written the other way round
    };
    enum class Kind {
        SwappedLetters,
        MissingLetter,
        ExtraLetter,
        DoubleLetters, // a consonant doubled that is single in the word, or the other way
        Vowel,         // a vowel written for another vowel
        SilentLetter,  // a letter that is not heard left out (the k of "knee")
        WordEnding,    // -ed, -ing, -s, -es or -ly left out or written otherwise
        RealWord,      // the answer is itself another word (there for their)
        WrongLetter,   // any other letter written for the word's
    };

    // One column of the alignment: a letter of the word above a letter of the answer.
    // A Missing column has no answer letter; an Extra column has no word letter.
    struct Column {
        QString word;
        QString answer;
        Mark mark = Mark::Right;
    };

    Alignment() = default;
    // checker: the dictionary that tells "another real word"; none leaves that kind out.
    static Alignment align(const QString &word, const QString &answer, const WordChecker *checker = nullptr);

    const QString &word() const { return m_word; }
    const QString &answer() const { return m_answer; }
    const QList<Column> &columns() const { return m_columns; }
    // True when the answer is right as the test marks it.
    bool isRight() const { return m_mistakes.isEmpty() && !m_answer.isEmpty(); }
    // The kinds of mistake the answer makes, each once, in the order met (a real word
    // first). Empty for a right answer and for no answer.
    QList<Kind> kinds() const;
    // The alignment in words, for a screen reader and a tooltip:
    // "you wrote becuase: the a and the u are swapped".
    QString description() const;
    // One character per column, for reading at a glance: '=' right, 'x' wrong,
    // '-' missing, '+' extra, 's' swapped.
    QString marks() const;

    // What the adult reads for a kind ("double letters").
    static QString kindName(Kind kind);
    static QList<Kind> allKinds();
    // A letter as it can be shown and spoken: a control, format or unassigned character
    // becomes the replacement character, which every font shows.
    static QString printable(const QString &text);

  private:
    struct Mistake {
        Kind kind;
        QString said;
    };
    QString m_word;
    QString m_answer;
    QList<Column> m_columns;
    QList<Mistake> m_mistakes;
};
