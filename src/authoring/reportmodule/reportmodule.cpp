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

namespace
{
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
        y->setRange(0, 100);
        y->setLabelFormat(QStringLiteral("%d%%"));
        y->setTitleText(QStringLiteral("Score"));
        chart->addAxis(y, Qt::AlignLeft);
        view->setChart(chart);
        return view;
    }

    void showLines(QGraphicsView *view, const QList<ReportModule::Line> &lines, const QDateTime &from,
                   const QDateTime &to) override
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
        x->setTickCount(6);
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
        x->setRange(from, to);
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
