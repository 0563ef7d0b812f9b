#include "core/ui/letters.h"

#include "core/platform/settings.h"

#include <QFontDatabase>
#include <QUrl>
#include <QVariant>
#include <QWidget>

namespace Letters
{
namespace
{
// The settings key of a child's letters: "Letters" for no child, else "Letters." and the
// name with everything but letters, digits and -._~ percent-encoded, so that no name can
// break the settings file's lines.
QString keyOf(const QString &child)
{
    if (child.isEmpty())
        return QStringLiteral("Letters");
    return QStringLiteral("Letters.") + QString::fromLatin1(QUrl::toPercentEncoding(child));
}

const char *const FaceNames[] = {"Standard", "Andika", "OpenDyslexic"};
const char *const SpacingNames[] = {"Normal", "Wide", "Wider"};

// Letter spacing in percent of each letter's own advance: wide spacing adds about a
// tenth of the font's size between the letters, wider twice that.
int spacingPercent(Spacing s)
{
    switch (s) {
    case Spacing::Normal:
        break;
    case Spacing::Wide:
        return 120;
    case Spacing::Wider:
        return 140;
    }
    return 100;
}

// The widget property that keeps a widget's own font, the base of every style.
constexpr char OwnFont[] = "wordarooOwnFont";
} // namespace

QString Style::toText() const
{
    return QStringLiteral("%1,%2,%3")
        .arg(QLatin1String(FaceNames[int(face)]), QLatin1String(SpacingNames[int(spacing)]))
        .arg(sizePercent);
}

Style Style::fromText(const QString &text)
{
    Style s;
    const QStringList parts = text.split(QLatin1Char(','));
    const auto part = [&parts](int i) { return i < parts.size() ? parts.at(i).trimmed() : QString(); };
    for (int i = 0; i < 3; ++i) {
        if (part(0).compare(QLatin1String(FaceNames[i]), Qt::CaseInsensitive) == 0)
            s.face = Face(i);
        if (part(1).compare(QLatin1String(SpacingNames[i]), Qt::CaseInsensitive) == 0)
            s.spacing = Spacing(i);
    }
    for (int size : Sizes)
        if (part(2) == QString::number(size))
            s.sizePercent = size;
    return s;
}

Style of(const QString &child)
{
    const Settings::Value v = Settings::read(keyOf(child), QString());
    return v.ok ? Style::fromText(v.text) : Style{};
}

bool save(const QList<std::pair<QString, Style>> &choices)
{
    QList<std::pair<QString, QString>> values;
    for (const auto &[child, style] : choices)
        values.append({keyOf(child), style.toText()});
    return values.isEmpty() || Settings::set(values);
}

QString family(Face face)
{
    if (face == Face::Standard)
        return {};
    const QString name = QLatin1String(FaceNames[int(face)]);
    return QFontDatabase::hasFamily(name) ? name : QString();
}

QFont font(const QFont &base, const Style &style)
{
    QFont f = base;
    if (const QString name = family(style.face); !name.isEmpty())
        f.setFamilies({name});
    if (style.spacing != Spacing::Normal)
        f.setLetterSpacing(QFont::PercentageSpacing, spacingPercent(style.spacing));
    if (style.sizePercent != 100) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * style.sizePercent / 100.0);
        else if (f.pixelSize() > 0)
            f.setPixelSize(f.pixelSize() * style.sizePercent / 100);
    }
    return f;
}

void apply(const QList<QWidget *> &widgets, const Style &style)
{
    for (QWidget *w : widgets) {
        if (!w)
            continue;
        QVariant own = w->property(OwnFont);
        if (!own.isValid()) {
            own = QVariant::fromValue(w->font());
            w->setProperty(OwnFont, own);
        }
        w->setFont(font(own.value<QFont>(), style));
    }
}

} // namespace Letters
