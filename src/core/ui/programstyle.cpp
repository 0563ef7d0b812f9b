#include "core/ui/programstyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>

namespace
{
// An icon that asks the style for its pictures the first time it is drawn or measured.
class FirstUseIcon final : public QIconEngine
{
  public:
    FirstUseIcon(QStyle *style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return !m_style && m_icon.isNull(); }
    QString key() const override { return QStringLiteral("FirstUseIcon"); }
    QIconEngine *clone() const override { return new FirstUseIcon(*this); }

  private:
    FirstUseIcon(const FirstUseIcon &) = default;

    const QIcon &icon()
    {
        if (m_style) {
            m_icon = m_style->standardIcon(m_which);
            m_style = nullptr;
        }
        return m_icon;
    }

    QPointer<QStyle> m_style; // cleared once the icon is read
    QStyle::StandardPixmap m_which;
    QIcon m_icon;
};
} // namespace

QIcon ProgramStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    if (which == SP_ToolBarHorizontalExtensionButton || which == SP_ToolBarVerticalExtensionButton)
        if (QStyle *base = baseStyle(); base && !option)
            return QIcon(new FirstUseIcon(base, which));
    return QProxyStyle::standardIcon(which, option, widget);
}
