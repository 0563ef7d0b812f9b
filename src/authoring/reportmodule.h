#pragma once
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>

#include <functional>

class QGraphicsView;
class QPrinter;
class QTextDocument;
class QWidget;

// The progress report's chart and its printing. They need Qt Charts (which brings the
// OpenGL libraries) and Qt Print Support, which nothing else uses, so they are a module
// of their own (reportmodule/, staged beside the executable as ModuleFile), loaded when
// the first report is made (with the authoring window): no start of the program loads
// them.
namespace ReportModule
{
inline constexpr char ModuleFile[] = "wordaroo-report.so";
// The one function the module exports: it returns the module's Api, never null.
inline constexpr char EntryPoint[] = "wordaroo_report_module";

struct Line {
    QString name;          // drawn as rich text: escaped by the caller
    QList<QPointF> points; // x: milliseconds since the epoch, y: percent
    bool marked = false;   // each point marked with a dot
};

class Api
{
  public:
    virtual ~Api() = default;
    // A chart view (a QChartView) in parent, titled title, with its score axis (0-100%).
    virtual QGraphicsView *makeChart(QWidget *parent, const QString &title) = 0;
    // Replaces chart's lines by lines on a date axis that holds first..last (local time)
    // with a day's room either side.
    virtual void showLines(QGraphicsView *chart, const QList<Line> &lines, const QDateTime &first,
                           const QDateTime &last) = 0;
    // An A4 printer at high resolution chosen by choose (or, without it, the print box
    // titled title), on which doc is printed; false when none was chosen.
    virtual bool print(QTextDocument &doc, const QString &title, const std::function<bool(QPrinter &)> &choose) = 0;
};

// The module's Api, loaded on the first call; null when the module cannot be loaded,
// with the reason in why.
Api *api(QString *why = nullptr);
} // namespace ReportModule
