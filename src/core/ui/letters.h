#pragma once
#include <QFont>
#include <QList>
#include <QString>

#include <utility>

class QWidget;

// The letters a child reads their words in, chosen per child in the options: the
// typeface (the program's standard one, Andika or OpenDyslexic), the space between the
// letters and the size. Windows apply the chosen child's letters to the boxes the
// child types in and the places that show a word; everything else keeps its own font.
namespace Letters
{
enum class Face { Standard, Andika, OpenDyslexic };
enum class Spacing { Normal, Wide, Wider };
inline constexpr int Sizes[] = {100, 125, 150}; // percent of the window's own size

struct Style {
    Face face = Face::Standard;
    Spacing spacing = Spacing::Normal;
    int sizePercent = 100;
    bool operator==(const Style &) const = default;
    bool isStandard() const { return *this == Style{}; }
    // As kept in the settings file: "Andika,Wide,125". Text that names nothing known
    // (an older or a damaged value) reads as the standard letters, part by part.
    QString toText() const;
    static Style fromText(const QString &text);
};

// The child's letters as saved; the standard letters when none are saved or the
// settings cannot be read (no box: a window opening is no time for one). An empty
// name is the choice for when no child is chosen.
Style of(const QString &child);
// Saves the choices of several children in one write of the settings file; false
// after a failure, which the settings error box has shown.
bool save(const QList<std::pair<QString, Style>> &choices);

// The installed family of a face, as fontconfig knows it; empty for the standard face
// and for a face whose font is not installed (shown in the standard face then).
QString family(Face face);
// A font in the style: base's family replaced by the face's (when installed), its
// letters spaced and its size scaled; base's weight is kept.
QFont font(const QFont &base, const Style &style);
// Shows the widgets' text in the style. Each widget's own font (the one it had when
// first styled) is the base, so styling again with another style does not compound.
void apply(const QList<QWidget *> &widgets, const Style &style);
} // namespace Letters
