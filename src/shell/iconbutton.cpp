#include "shell/iconbutton.h"

#include "core/layout.h"
#include "core/widgets.h"

#include <QStyleOptionButton>
#include <QStylePainter>

IconButton::IconButton(const QString &caption, const QString &svg, QWidget *parent) : QPushButton(caption, parent)
{
    setIcon(QIcon(svg));
    setIconSize(QSize(32, 32));
}

void IconButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    p.drawControl(QStyle::CE_PushButtonBevel, opt);

    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    const int lineHeight = fontMetrics().height();
    const int gap = 2;
    const int side = qMax(0, qMin(iconSize().height(), area.height() - lineHeight - gap));
    const int top = area.top() + (area.height() - side - gap - lineHeight) / 2;
    const int shift = isDown() ? style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this) : 0;

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QRect iconRect(area.left() + (area.width() - side) / 2, top + shift, side, side);
    icon().paint(&p, iconRect, Qt::AlignCenter, mode);

    const QRect textRect(area.left(), top + side + gap + shift, area.width(), lineHeight);
    p.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, opt.palette, isEnabled(), text(),
                   QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &opt, this);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

namespace Shell {

IconButton *iconButton(QWidget *parent, const QString &name, const QString &caption, const QString &svg, int left,
                       int top, int width, int height, const QString &toolTip)
{
    auto *b = new IconButton(caption, svg, parent);
    b->setObjectName(name);
    Twips::place(b, left, top, width, height);
    b->setAccessibleName(Ui::plainCaption(caption));
    if (!toolTip.isEmpty()) {
        b->setToolTip(toolTip);
        b->setAccessibleDescription(toolTip);
    }
    return b;
}

} // namespace Shell
