#include "arcade/arcadeui.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// Paints a push button as bevel, optional picture on top, and a centred, wrapped
// caption below it; everything else (clicks, focus, default state) stays the button's.
class StackedPainter final : public QObject
{
public:
    explicit StackedPainter(QPushButton *button) : QObject(button), m_button(button) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_button || event->type() != QEvent::Paint)
            return false;
        paint();
        return true;
    }

private:
    void paint()
    {
        QStylePainter p(m_button);
        QStyleOptionButton opt;
        opt.initFrom(m_button);
        opt.features = QStyleOptionButton::None;
        if (m_button->isDefault())
            opt.features |= QStyleOptionButton::DefaultButton;
        if (m_button->isDown())
            opt.state |= QStyle::State_Sunken;
        else
            opt.state |= QStyle::State_Raised;
        p.drawControl(QStyle::CE_PushButtonBevel, opt);

        const int shift = m_button->isDown() ? 1 : 0;
        QRect area = m_button->rect().adjusted(4 + shift, 3 + shift, -4 + shift, -3 + shift);
        const QString caption = m_button->text();
        const QFontMetrics fm(m_button->font());
        const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        const QRect textNeed = fm.boundingRect(area, flags, caption);

        if (!m_button->icon().isNull()) {
            const int textHeight = caption.isEmpty() ? 0 : textNeed.height();
            const int side = qMax(12, qMin(area.width(), area.height() - textHeight - 2));
            const QRect iconRect(area.center().x() - side / 2, area.top(), side, side);
            const QIcon::Mode mode = m_button->isEnabled() ? QIcon::Normal : QIcon::Disabled;
            m_button->icon().paint(&p, iconRect, Qt::AlignCenter, mode);
            area.setTop(iconRect.bottom() + 1);
        }
        opt.rect = area;
        p.drawItemText(area, flags, opt.palette, m_button->isEnabled(), caption, QPalette::ButtonText);

        if (m_button->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(m_button);
            focus.rect = m_button->rect().adjusted(3, 3, -3, -3);
            p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }

    QPushButton *m_button;
};

} // namespace

namespace Arcade {

void stackPictureAboveCaption(QPushButton *button) { button->installEventFilter(new StackedPainter(button)); }

void wrapCaption(QPushButton *button) { button->installEventFilter(new StackedPainter(button)); }

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

} // namespace Arcade
