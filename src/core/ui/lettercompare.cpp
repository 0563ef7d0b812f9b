#include "core/ui/lettercompare.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{
// Space between the letters' columns and between the two rows, in pixels.
constexpr qreal ColumnGap = 3;
constexpr qreal RowGap = 6;
// The smallest share of its size the text is drawn at before a long answer is cut.
constexpr qreal SmallestScale = 0.6;

struct Measure {
    QList<qreal> widths; // per column
    qreal total = 0;
};

Measure measure(const Alignment &a, const QFontMetricsF &fm)
{
    Measure m;
    const qreal least = fm.horizontalAdvance(u'n');
    for (const Alignment::Column &c : a.columns()) {
        const qreal w = std::max({least, fm.horizontalAdvance(Alignment::printable(c.word)),
                                  fm.horizontalAdvance(Alignment::printable(c.answer))}) +
                        ColumnGap;
        m.widths.append(w);
        m.total += w;
    }
    return m;
}

// The underline of a marked cell, from x over width, at y.
void underline(QPainter &p, Alignment::Mark mark, qreal x, qreal width, qreal y, qreal thickness)
{
    QPen pen(LetterCompare::markColour(mark), thickness);
    const qreal left = x + 1;
    const qreal right = x + width - ColumnGap;
    switch (mark) {
    case Alignment::Mark::Right:
        return;
    case Alignment::Mark::Wrong:
        p.setPen(pen);
        p.drawLine(QPointF(left, y), QPointF(right, y));
        return;
    case Alignment::Mark::Missing:
    case Alignment::Mark::Extra:
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLine(QPointF(left, y), QPointF(right, y));
        return;
    case Alignment::Mark::Swapped: {
        p.setPen(pen);
        QPainterPath wave(QPointF(left, y));
        const qreal step = std::max<qreal>(2, thickness * 2);
        bool up = true;
        for (qreal at = left + step; at <= right + 0.01; at += step, up = !up)
            wave.lineTo(at, up ? y - step / 2 : y + step / 2);
        p.drawPath(wave);
        return;
    }
    }
}
} // namespace

LetterCompare::LetterCompare(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAccessibleName(QStringLiteral("The word and your answer"));
}

void LetterCompare::setWordAndAnswer(const QString &word, const QString &answer, const WordChecker *checker)
{
    setComparison(Alignment::align(word, answer, checker));
}

void LetterCompare::setComparison(const Alignment &alignment)
{
    m_alignment = alignment;
    const QString said = alignment.columns().isEmpty() ? QString() : alignment.description();
    // The label's own text is what a screen reader reads of it; it is never painted.
    setText(said);
    setAccessibleDescription(said);
    setToolTip(said);
    updateGeometry();
    update();
}

QColor LetterCompare::markColour(Alignment::Mark mark)
{
    // Dark enough to read on the light window background (contrast above 4.5:1).
    switch (mark) {
    case Alignment::Mark::Right:
        return {};
    case Alignment::Mark::Wrong:
        return QColor(0xB7, 0x1C, 0x1C);
    case Alignment::Mark::Missing:
    case Alignment::Mark::Extra:
        return QColor(0x6A, 0x1B, 0x9A);
    case Alignment::Mark::Swapped:
        return QColor(0x0D, 0x47, 0xA1);
    }
    return {};
}

QSize LetterCompare::sizeHint() const
{
    const QFontMetricsF fm(font());
    const Measure m = measure(m_alignment, fm);
    return QSize(int(std::ceil(m.total)) + 2, int(std::ceil(2 * fm.height() + RowGap + 4)));
}

QSize LetterCompare::minimumSizeHint() const
{
    const QFontMetricsF fm(font());
    return QSize(0, int(std::ceil(2 * fm.height() + RowGap + 4)));
}

void LetterCompare::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_alignment.columns().isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(contentsRect());

    // A long answer is drawn smaller, down to a limit; what is still too wide is cut.
    // Both rows always fit the height: a child's large letters are drawn smaller here
    // rather than lose the answer's row.
    QFont f = font();
    Measure m = measure(m_alignment, QFontMetricsF(f));
    const qreal room = contentsRect().width() - 2;
    const qreal height = contentsRect().height() - RowGap - 2;
    qreal scale = 1;
    if (m.total > room && room > 0)
        scale = std::max(SmallestScale, room / m.total);
    if (const qreal rows = 2 * QFontMetricsF(f).height(); rows * scale > height && height > 0)
        scale = height / rows;
    if (scale < 1) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * scale);
        else
            f.setPixelSize(std::max(1, int(f.pixelSize() * scale)));
        m = measure(m_alignment, QFontMetricsF(f));
    }
    p.setFont(f);
    const QFontMetricsF fm(f);
    const qreal thickness = std::max<qreal>(1.5, fm.height() / 12);
    const qreal top = contentsRect().top() + 1;
    const qreal rows[2] = {top, top + fm.height() + RowGap};
    const QColor plain = palette().color(QPalette::WindowText);

    qreal x = contentsRect().left() + 1;
    for (qsizetype i = 0; i < m_alignment.columns().size(); ++i) {
        const Alignment::Column &c = m_alignment.columns()[i];
        const qreal w = m.widths[i];
        for (int row = 0; row < 2; ++row) {
            const QString text = Alignment::printable(row == 0 ? c.word : c.answer);
            const QRectF cell(x, rows[row], w - ColumnGap, fm.height());
            // A missing or extra letter leaves its other row empty: only its underline.
            if (!text.isEmpty()) {
                p.setPen(c.mark == Alignment::Mark::Right ? plain : markColour(c.mark));
                p.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, text);
            }
            underline(p, c.mark, x, w, rows[row] + fm.ascent() + fm.descent() / 2 + thickness, thickness);
        }
        x += w;
        if (x > contentsRect().right())
            break;
    }

    // Beside the letters, in the widget's own size, what went wrong in words (without
    // the answer, which the letters show), shortened to the room left.
    QString said = m_alignment.description();
    if (const qsizetype colon = said.indexOf(u": "); colon >= 0)
        said = said.mid(colon + 2);
    else
        return;
    const qreal from = x + 3 * fm.horizontalAdvance(u'n');
    const QFontMetricsF own(font());
    const qreal left = contentsRect().right() - from;
    if (left < 4 * own.horizontalAdvance(u'n'))
        return;
    p.setFont(font());
    p.setPen(plain);
    p.drawText(QRectF(from, top, left, rows[1] + fm.height() - top), Qt::AlignLeft | Qt::AlignVCenter,
               own.elidedText(said, Qt::ElideRight, left));
}
