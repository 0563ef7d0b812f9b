// Where an answer went wrong: the letters lined up with the word's and the kinds of
// mistake, as the results view and the progress report show them.
#include "core/run/alignment.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// A dictionary of a few words, as the program's dictionaries answer.
class FewWords final : public WordChecker
{
  public:
    bool isWord(const QString &text) const override
    {
        return QStringList{u"there"_s, u"their"_s, u"where"_s, u"diner"_s, u"hoping"_s}.contains(text.toLower());
    }
};
} // namespace

class TestAlignment : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void align_data();
    void align();
};

void TestAlignment::align_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("marks"); // '=' right, 'x' wrong, '-' missing, '+' extra, 's' swapped
    QTest::addColumn<QString>("kinds"); // the kinds' names, in order, joined by "; "

    const auto row = [](const char *name, const QString &w, const QString &a, const QString &m, const QString &k) {
        QTest::newRow(name) << w << a << m << k;
    };
    row("right", u"because"_s, u"because"_s, u"======="_s, u""_s);
    row("right in another case, spaced", u"because"_s, u" BeCause "_s, u"======="_s, u""_s);
    row("swapped", u"because"_s, u"becuase"_s, u"===ss=="_s, u"swapped letters"_s);
    row("swapped at the start", u"said"_s, u"siad"_s, u"=ss="_s, u"swapped letters"_s);
    row("missing letter", u"friend"_s, u"frend"_s, u"==-==="_s, u"missing letters"_s);
    row("extra letter", u"cat"_s, u"cart"_s, u"==+="_s, u"extra letters"_s);
    row("undoubled", u"dinner"_s, u"dinr"_s, u"==-=-="_s, u"double letters; missing letters"_s);
    row("undoubled, a real word", u"dinner"_s, u"diner"_s, u"==-==="_s, u"another real word; double letters"_s);
    row("rabbit", u"rabbit"_s, u"rabit"_s, u"==-==="_s, u"double letters"_s);
    row("doubled", u"until"_s, u"untill"_s, u"====+="_s, u"double letters"_s);
    row("doubling before -ing", u"hopping"_s, u"hoping"_s, u"==-===="_s, u"another real word; double letters"_s);
    row("vowel", u"definite"_s, u"definate"_s, u"=====x=="_s, u"vowels"_s);
    row("wrong consonant", u"cat"_s, u"kat"_s, u"x=="_s, u"wrong letters"_s);
    row("silent k", u"knee"_s, u"nee"_s, u"-==="_s, u"silent letters"_s);
    row("silent w", u"write"_s, u"rite"_s, u"-===="_s, u"silent letters"_s);
    row("silent b", u"lamb"_s, u"lam"_s, u"===-"_s, u"silent letters"_s);
    row("silent e", u"because"_s, u"becaus"_s, u"======-"_s, u"silent letters"_s);
    row("silent gh", u"night"_s, u"nit"_s, u"==--="_s, u"silent letters"_s);
    row("ending -ed left out", u"jumped"_s, u"jump"_s, u"====--"_s, u"word endings"_s);
    row("ending -ed written otherwise", u"jumped"_s, u"jumpt"_s, u"====-x"_s, u"word endings"_s);
    row("ending -ing", u"going"_s, u"goin"_s, u"====-"_s, u"word endings"_s);
    row("ending -s", u"likes"_s, u"like"_s, u"====-"_s, u"word endings"_s);
    row("ending -es", u"boxes"_s, u"boxs"_s, u"===-="_s, u"word endings"_s);
    row("ending -ly", u"quickly"_s, u"quickley"_s, u"======+="_s, u"word endings"_s);
    row("an ending added", u"walk"_s, u"walked"_s, u"====++"_s, u"word endings"_s);
    row("homophone", u"their"_s, u"there"_s, u"===xx"_s, u"another real word; wrong letters"_s);
    row("swapped vowels", u"friend"_s, u"freind"_s, u"==ss=="_s, u"swapped letters"_s);
    row("no answer", u"cat"_s, u""_s, u"---"_s, u""_s);
    row("another script", u"cat"_s, u"кот"_s, u"xxx"_s, u"wrong letters"_s);
    row("control characters", u"cat"_s, u"c\u0001t\u0007"_s, u"=x=+"_s, u"wrong letters; extra letters"_s);
    row("200 letters", u"cat"_s, QString(200, u'a'), QString(197, u'+') + u"x=x"_s, u"extra letters; wrong letters"_s);
}

void TestAlignment::align()
{
    QFETCH(QString, word);
    QFETCH(QString, answer);
    QFETCH(QString, marks);
    QFETCH(QString, kinds);
    const FewWords dictionary;
    const Alignment a = Alignment::align(word, answer, &dictionary);
    QCOMPARE(a.marks(), marks);
    QStringList names;
    for (Alignment::Kind k : a.kinds())
        names.append(Alignment::kindName(k));
    QCOMPARE(names.join(u"; "_s), kinds);
    // Whatever the answer, its description names it as text the screen reader can say.
    QVERIFY(a.description().startsWith(u"you wrote"_s));
    QVERIFY(!a.description().contains(QChar(u'\u0001')));
}

QTEST_GUILESS_MAIN(TestAlignment)
#include "tst_alignment.moc"
