#include "core/ui/layout.h"

#include <QWidget>

namespace Twips
{

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(rect(left, top, width, height));
}

void place(QWidget *w, const Box &b)
{
    w->setGeometry(rect(b));
}

void setClientSize(QWidget *window, int width, int height)
{
    window->setFixedSize(px(width), px(height));
}

} // namespace Twips

namespace Panels
{

void show(QWidget *panel)
{
    panel->move(0, panel->y());
    panel->setEnabled(true);
    panel->setVisible(true);
    panel->raise();
}

void hide(QWidget *panel, int leftTwips)
{
    // Move focus off the panel first, so no typing can reach a control it holds.
    if (QWidget *focus = panel->focusWidget(); focus && panel->isAncestorOf(focus))
        focus->clearFocus();
    panel->move(Twips::px(leftTwips), panel->y());
    panel->setVisible(false);
    panel->setEnabled(false);
}

bool isShown(const QWidget *panel)
{
    return panel->x() == 0 && !panel->isHidden() && panel->isEnabled();
}

} // namespace Panels

namespace Fonts
{

QFont font(const QString &family, double points, bool bold, int weight)
{
    QFont f;
    if (family == QLatin1String("Times New Roman")) {
        f.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    } else if (family == QLatin1String("Century Gothic")) {
        f.setFamilies({QStringLiteral("URW Gothic"), QStringLiteral("DejaVu Sans")});
    } else if (family == QLatin1String("Wide Latin")) {
        // A heavy, very wide display face: a black serif, stretched.
        f.setFamilies({QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif")});
        f.setStretch(QFont::ExtraExpanded);
        f.setWeight(QFont::Black);
    } else {
        f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    }
    f.setPointSizeF(points);
    if (bold)
        f.setBold(true);
    if (weight > 0)
        f.setWeight(QFont::Weight(weight));
    return f;
}

QFont sized(double points, bool bold)
{
    return font(QStringLiteral("MS Sans Serif"), points, bold);
}

} // namespace Fonts
