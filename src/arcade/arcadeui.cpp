#include "arcade/arcadeui.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace
{

// A caption too wide for one line breaks first where it has a run of several blanks,
// which is where its author meant the break; ordinary word wrap does the rest.
QString lineBroken(const QString &caption, const QFontMetrics &fm, int width)
{
    if (fm.horizontalAdvance(caption) <= width)
        return caption;
    static const QRegularExpression blanks(QStringLiteral(" {2,}"));
    QRegularExpressionMatch longest;
    for (auto it = blanks.globalMatch(caption); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!longest.hasMatch() || m.capturedLength() > longest.capturedLength())
            longest = m;
    }
    if (!longest.hasMatch())
        return caption;
    return caption.left(longest.capturedStart()) + QLatin1Char('\n') + caption.mid(longest.capturedEnd());
}

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
        const QString caption = lineBroken(m_button->text(), QFontMetrics(m_button->font()), area.width());
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

// Paints a check box whose caption wraps over the lines of its height.
class WrappedCheckPainter final : public QObject
{
  public:
    explicit WrappedCheckPainter(QCheckBox *box) : QObject(box), m_box(box) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_box || event->type() != QEvent::Paint)
            return false;
        QStylePainter p(m_box);
        QStyleOptionButton opt;
        opt.initFrom(m_box);
        opt.state |= m_box->isChecked() ? QStyle::State_On : QStyle::State_Off;
        if (m_box->isDown())
            opt.state |= QStyle::State_Sunken;
        const QRect indicator = m_box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, m_box);
        QStyleOptionButton ind = opt;
        ind.rect =
            QRect(indicator.left(), (m_box->height() - indicator.height()) / 2, indicator.width(), indicator.height());
        p.drawPrimitive(QStyle::PE_IndicatorCheckBox, ind);
        const QRect text = m_box->rect().adjusted(indicator.right() + 5, 0, 0, 0);
        p.drawItemText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, opt.palette,
                       m_box->isEnabled(), m_box->text(), QPalette::WindowText);
        if (m_box->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(m_box);
            focus.rect = p.fontMetrics()
                             .boundingRect(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_box->text())
                             .adjusted(-1, 0, 1, 0);
            p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
        return true;
    }

  private:
    QCheckBox *m_box;
};

} // namespace

namespace Arcade
{

void wrapCheckBoxCaption(QCheckBox *box)
{
    box->installEventFilter(new WrappedCheckPainter(box));
}

void stackPictureAboveCaption(QPushButton *button)
{
    button->installEventFilter(new StackedPainter(button));
}

void wrapCaption(QPushButton *button)
{
    button->installEventFilter(new StackedPainter(button));
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

} // namespace Arcade
