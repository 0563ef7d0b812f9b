#include "core/ui/widgets.h"

#include "core/ui/layout.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

#include <utility>

Picture::Picture(const QString &name, const QString &svg, QWidget *parent) : QLabel(parent), m_svg(svg)
{
    setObjectName(name);
    setAlignment(Qt::AlignCenter);
    // Drawn at its size, which it has once placed: a new widget always gets a resize
    // event before it is first shown, so drawing now would only be thrown away.
}

void Picture::setSvg(const QString &svg)
{
    m_svg = svg;
    if (!testAttribute(Qt::WA_PendingResizeEvent))
        render();
}

void Picture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void Picture::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    render();
}

namespace
{
// The SVG drawn to fit a size, keeping its proportions, centred; a null image if it
// cannot be read. Qt's SVG picture plugin draws it, loaded the first time a picture is
// drawn from its SVG rather than linked: the start window's pictures come drawn in the
// build (below).
QImage drawSvg(const QString &svg, QSize size, qreal dpr)
{
    QImageReader reader(svg, "svg");
    reader.setAutoDetectImageFormat(false);
    const QSize natural = reader.size();
    if (!natural.isValid())
        return {};
    const QSize pixels = size * dpr;
    reader.setScaledSize(natural.scaled(pixels, Qt::KeepAspectRatio));
    const QImage drawn = reader.read();
    if (drawn.isNull())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.drawImage((pixels.width() - drawn.width()) / 2, (pixels.height() - drawn.height()) / 2, drawn);
    p.end();
    image.setDevicePixelRatio(dpr);
    return image;
}

// The picture drawn in the build at exactly this size in pixels, or a null image: a
// program picture ":/art/<name>.svg" may come drawn as ":/art/drawn/<name>-<w>x<h>.png".
QImage drawnInBuild(const QString &svg, QSize pixels)
{
    static const QString Art = QStringLiteral(":/art/");
    if (!svg.startsWith(Art) || !svg.endsWith(QLatin1String(".svg")))
        return {};
    const QImage image = Ui::readPng(QStringLiteral(":/art/drawn/%1-%2x%3.png")
                                         .arg(QFileInfo(svg).completeBaseName())
                                         .arg(pixels.width())
                                         .arg(pixels.height()));
    return image.size() == pixels ? image : QImage();
}
} // namespace

void Picture::render()
{
    if (m_svg.isEmpty() || width() <= 0 || height() <= 0) {
        clear();
        return;
    }
    const qreal dpr = devicePixelRatioF();
    QImage image = drawnInBuild(m_svg, size() * dpr);
    if (!image.isNull())
        image.setDevicePixelRatio(dpr);
    else
        image = drawSvg(m_svg, size(), dpr);
    if (image.isNull())
        clear();
    else
        setPixmap(QPixmap::fromImage(std::move(image)));
}

IconButton::IconButton(const QString &caption, const QString &svg, QWidget *parent) : QPushButton(caption, parent)
{
    if (!svg.isEmpty()) {
        setIcon(QIcon(svg));
        setIconSize(QSize(32, 32));
    }
}

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
} // namespace

void IconButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    p.drawControl(QStyle::CE_PushButtonBevel, opt);

    const int shift = isDown() ? style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this) : 0;
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this).translated(shift, shift);
    const QFontMetrics fm(font());
    const QString caption = lineBroken(text(), fm, area.width());
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const int textHeight = caption.isEmpty() ? 0 : fm.boundingRect(area, flags, caption).height();
    const int gap = 2;

    if (!icon().isNull()) {
        const int side = qMax(0, qMin(iconSize().height(), area.height() - textHeight - gap));
        const int top = area.top() + (area.height() - side - gap - textHeight) / 2;
        const QRect iconRect(area.left() + (area.width() - side) / 2, top, side, side);
        icon().paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        area.setTop(iconRect.bottom() + 1 + gap);
        area.setHeight(textHeight);
    }
    p.drawItemText(area, flags, opt.palette, isEnabled(), caption, QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &opt, this);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void WrappingCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    opt.text.clear();
    p.drawControl(QStyle::CE_CheckBox, opt);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
    const QRect textRect = rect().adjusted(box.right() + 5, 0, 0, 0);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    p.drawItemText(textRect, flags, opt.palette, isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = p.fontMetrics().boundingRect(textRect, flags, caption).adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

namespace Ui
{

QString plainCaption(const QString &caption)
{
    QString s = caption;
    s.replace(QLatin1String("&&"), QLatin1String("\x01"));
    s.remove(QLatin1Char('&'));
    s.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return s;
}

QWidget *panel(QWidget *parent, const QString &name, const Twips::Box &at)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    Twips::place(w, at);
    return w;
}

namespace
{
void setUp(QPushButton *b, const QString &name, const Twips::Box &at, const QString &toolTip)
{
    b->setObjectName(name);
    Twips::place(b, at);
    if (!toolTip.isEmpty()) {
        b->setToolTip(toolTip);
        b->setAccessibleDescription(toolTip);
    }
}
} // namespace

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at,
                    const QString &toolTip)
{
    auto *b = new QPushButton(caption, parent);
    setUp(b, name, at, toolTip);
    return b;
}

QPushButton *pictureButton(QWidget *parent, const QString &name, const QString &caption, const QString &svg,
                           const Twips::Box &at, const QString &toolTip)
{
    auto *b = new IconButton(caption, svg, parent);
    setUp(b, name, at, toolTip);
    return b;
}

QPushButton *captionButton(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at,
                           const QString &toolTip)
{
    return pictureButton(parent, name, caption, QString(), at, toolTip);
}

QTimer *timer(QObject *parent, const QString &name, int ms, bool singleShot)
{
    auto *t = new QTimer(parent);
    t->setObjectName(name);
    t->setInterval(ms);
    t->setSingleShot(singleShot);
    t->setTimerType(Qt::PreciseTimer);
    return t;
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

QLabel *label(QWidget *parent, const QString &name, const QString &text, const Twips::Box &at)
{
    auto *l = new QLabel(parent);
    // Set before the text: a label guesses markup from its text otherwise.
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(l, at);
    return l;
}

namespace
{
template <typename View> View *setUpList(View *l, const QString &name, const Twips::Box &at)
{
    l->setObjectName(name);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    Twips::place(l, at);
    l->setAccessibleName(name);
    return l;
}
} // namespace

QListWidget *list(QWidget *parent, const QString &name, const Twips::Box &at)
{
    return setUpList(new QListWidget(parent), name, at);
}

QListView *listView(QWidget *parent, const QString &name, QAbstractItemModel *model, const Twips::Box &at)
{
    auto *l = setUpList(new QListView(parent), name, at);
    l->setModel(model);
    return l;
}

QLineEdit *textBox(QWidget *parent, const QString &name, const Twips::Box &at)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(name);
    Twips::place(t, at);
    t->setAccessibleName(name);
    return t;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at)
{
    auto *c = new WrappingCheckBox(caption, parent);
    c->setObjectName(name);
    Twips::place(c, at);
    return c;
}

Picture *picture(QWidget *parent, const QString &name, const QString &svg, const Twips::Box &at, const QString &toolTip)
{
    auto *p = new Picture(name, svg, parent);
    Twips::place(p, at);
    p->setAccessibleName(toolTip.isEmpty() ? name : toolTip);
    if (!toolTip.isEmpty())
        p->setToolTip(toolTip);
    return p;
}

Picture *professor(QWidget *parent, const QString &name, const Twips::Box &at)
{
    Picture *p =
        picture(parent, name, QStringLiteral(":/art/professor.svg"), at, QStringLiteral("Click on me for Help!"));
    p->setCursor(Qt::PointingHandCursor);
    return p;
}

namespace
{
class AfterFirstFrame final : public QObject
{
  public:
    AfterFirstFrame(QWidget *window, std::function<void()> then, int latestMs) : m_then(std::move(then))
    {
        if (window)
            window->installEventFilter(this);
        QTimer::singleShot(window ? latestMs : 0, this, &AfterFirstFrame::fire);
    }

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // A paint is drawn and handed to the window system before the next event is
        // handled; an event of low priority comes after all that was queued with it.
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::LowEventPriority);
        }
        return false;
    }
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        fire();
        return true;
    }

  private:
    void fire()
    {
        if (const std::function<void()> then = std::exchange(m_then, {}))
            then();
    }

    std::function<void()> m_then;
    bool m_painted = false;
};
} // namespace

QImage readPng(const QString &path)
{
    QImageReader png(path, "png");
    png.setAutoDetectImageFormat(false);
    return png.read();
}

std::unique_ptr<QObject> afterFirstFrame(QWidget *window, std::function<void()> then, int latestMs)
{
    return std::make_unique<AfterFirstFrame>(window, std::move(then), latestMs);
}

} // namespace Ui
