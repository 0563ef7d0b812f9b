// The progress report's chart and printing, built as the module that
// authoring/reportmodule.h describes. It links Qt alone: none of the program's own
// libraries, whose state the program holds.
#include "authoring/reportmodule.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QValueAxis>

#include <algorithm>

namespace
{
constexpr int ScoreMargin = 5;  // percent of room above 100% and below 0%
constexpr int MaxDateTicks = 6; // date labels at most

class Module final : public ReportModule::Api
{
  public:
    QGraphicsView *makeChart(QWidget *parent, const QString &title) override
    {
        auto *view = new QChartView(parent);
        view->setRenderHint(QPainter::Antialiasing);
        auto *chart = new QChart;
        chart->setTitle(title);
        chart->legend()->setAlignment(Qt::AlignRight);
        auto *y = new QValueAxis;
        // A little room above 100% and below 0%, so those points are drawn inside the
        // frame; the labels stay at 0, 25 ... 100%.
        y->setRange(-ScoreMargin, 100 + ScoreMargin);
        y->setTickType(QValueAxis::TicksDynamic);
        y->setTickAnchor(0);
        y->setTickInterval(25);
        y->setLabelFormat(QStringLiteral("%d%%"));
        y->setTitleText(QStringLiteral("Score"));
        chart->addAxis(y, Qt::AlignLeft);
        view->setChart(chart);
        return view;
    }

    void showLines(QGraphicsView *view, const QList<ReportModule::Line> &lines, const QDateTime &first,
                   const QDateTime &last) override
    {
        // One chart for the view's life: its lines are replaced, the score axis kept.
        QChart *chart = static_cast<QChartView *>(view)->chart();
        chart->removeAllSeries();
        // The time axis is made anew: its labels' room is worked out when it is added.
        for (QAbstractAxis *old : chart->axes(Qt::Horizontal)) {
            chart->removeAxis(old);
            delete old;
        }
        auto *x = new QDateTimeAxis;
        x->setFormat(QStringLiteral("d MMM"));
        x->setTitleText(QStringLiteral("Date"));
        chart->addAxis(x, Qt::AlignBottom);
        QAbstractAxis *y = chart->axes(Qt::Vertical).first();
        for (const ReportModule::Line &line : lines) {
            auto *series = new QLineSeries;
            series->setName(line.name);
            series->setPointsVisible(line.marked);
            series->replace(line.points);
            chart->addSeries(series);
            series->attachAxis(x);
            series->attachAxis(y);
        }
        // From midnight a day before the first run to midnight more than a day after the
        // last, so that a single day's runs are not drawn on the axis's edge; the ticks
        // fall on midnights a whole number of days apart, so no date is labelled twice.
        const QDateTime start(first.date().addDays(-1), QTime(0, 0));
        const qint64 days = start.daysTo(QDateTime(last.date().addDays(2), QTime(0, 0)));
        // The most labels whose whole-day spacing stretches the axis by a fifth at most.
        qint64 gaps = 1, step = days;
        for (qint64 k = std::min<qint64>(MaxDateTicks - 1, days); k > 1; --k) {
            const qint64 s = (days + k - 1) / k;
            if ((s * k - days) * 5 <= days) {
                gaps = k;
                step = s;
                break;
            }
        }
        x->setTickCount(int(gaps + 1));
        x->setRange(start, start.addDays(step * gaps));
    }

    bool print(QTextDocument &doc, const QString &title, const std::function<bool(QPrinter &)> &choose) override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        if (choose) {
            if (!choose(printer))
                return false;
        } else {
            QPrintDialog dialog(&printer);
            dialog.setWindowTitle(title);
            if (dialog.exec() != QDialog::Accepted)
                return false;
        }
        doc.print(&printer);
        return true;
    }
};
} // namespace

extern "C" Q_DECL_EXPORT ReportModule::Api *wordaroo_report_module()
{
    static Module module;
    return &module;
}
