#include "authoring/classreportview.h"

#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace
{
// The view's geometry in twips, inside the progress panel's chart and lists.
namespace At
{
constexpr Twips::Box lblClassTable{0, 0, 9360, 285};
constexpr Twips::Box tblClass{0, 285, 9360, 2700};
constexpr Twips::Box lblClassMissed{0, 3120, 5700, 285};
constexpr Twips::Box lstClassMissed{0, 3405, 5700, 1800};
constexpr Twips::Box lblClassTricky{5820, 3120, 3540, 285};
constexpr Twips::Box lstClassTricky{5820, 3405, 3540, 1800};
} // namespace At

QTreeWidget *tree(QWidget *parent, const QString &name, const QStringList &columns, const Twips::Box &at)
{
    auto *t = new QTreeWidget(parent);
    t->setObjectName(name);
    t->setRootIsDecorated(false);
    t->setHeaderLabels(columns);
    t->setAccessibleName(name);
    Twips::place(t, at);
    return t;
}

QString csvField(const QString &text)
{
    QString t = text;
    // A leading sign would make a spreadsheet read a formula.
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t.front()))
        t.prepend(u'\'');
    if (t.contains(u'"') || t.contains(u',') || t.contains(u'\n') || t.contains(u'\r'))
        return u'"' + t.replace(u"\""_s, u"\"\""_s) + u'"';
    return t;
}
} // namespace

ClassReportView::ClassReportView(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"viwClass"_s);
    Ui::label(this, u"lblClassTable"_s, u"The class's assigned tests"_s, At::lblClassTable);
    tblClass = new QTableWidget(this);
    tblClass->setObjectName(u"tblClass"_s);
    tblClass->setAccessibleName(u"The class's assigned tests"_s);
    tblClass->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Twips::place(tblClass, At::tblClass);
    Ui::label(this, u"lblClassMissed"_s, u"The class's twenty most-missed words"_s, At::lblClassMissed);
    lstClassMissed = tree(this, u"lstClassMissed"_s, {u"Word"_s, u"Children"_s, u"Spelled as"_s}, At::lstClassMissed);
    Ui::label(this, u"lblClassTricky"_s, u"Tricky words due"_s, At::lblClassTricky);
    lstClassTricky = tree(this, u"lstClassTricky"_s, {u"Child"_s, u"Words"_s}, At::lstClassTricky);
}

void ClassReportView::setReport(const ClassTests::Report &r)
{
    m_report = r;
    tblClass->clear();
    tblClass->setRowCount(int(r.children.size()));
    tblClass->setColumnCount(int(r.tests.size()));
    QStringList columns;
    for (const QString &t : r.tests)
        columns << u"Test_"_s + t;
    tblClass->setHorizontalHeaderLabels(columns);
    tblClass->setVerticalHeaderLabels(r.children);
    for (int c = 0; c < r.children.size(); ++c) {
        for (int t = 0; t < r.tests.size(); ++t) {
            const auto &cell = r.cells[c][t];
            auto *item = new QTableWidgetItem(ClassTests::Report::cellText(cell));
            if (cell.state == ClassTests::Report::State::Overdue)
                item->setForeground(Qt::red);
            tblClass->setItem(c, t, item);
        }
    }
    tblClass->resizeColumnsToContents();
    lstClassMissed->clear();
    for (const auto &m : r.missed)
        new QTreeWidgetItem(lstClassMissed,
                            {m.word, QString::number(m.children), m.spellings.join(QStringLiteral(", "))});
    lstClassMissed->resizeColumnToContents(0);
    lstClassTricky->clear();
    for (const QString &child : r.children) {
        QStringList words;
        for (const Tricky::Word &w : r.tricky.value(child))
            words << w.word;
        if (!words.isEmpty())
            new QTreeWidgetItem(lstClassTricky, {child, words.join(QStringLiteral(", "))});
    }
    lstClassTricky->resizeColumnToContents(0);
}

QString ClassReportView::html(QDate today) const
{
    const ClassTests::Report &r = m_report;
    QString h = u"<h1>How the class is doing</h1><p>%1</p>"_s.arg(QLocale().toString(today, QLocale::LongFormat));
    h += u"<table border=\"1\" cellpadding=\"4\" cellspacing=\"0\"><tr><th>Child</th>"_s;
    for (const QString &t : r.tests)
        h += u"<th>Test_%1</th>"_s.arg(t.toHtmlEscaped());
    h += u"</tr>"_s;
    for (int c = 0; c < r.children.size(); ++c) {
        h += u"<tr><td>%1</td>"_s.arg(r.children[c].toHtmlEscaped());
        for (const auto &cell : r.cells[c])
            h += u"<td>%1</td>"_s.arg(ClassTests::Report::cellText(cell));
        h += u"</tr>"_s;
    }
    h += u"</table><h2>The class's twenty most-missed words</h2><table border=\"1\" cellpadding=\"4\" "
         "cellspacing=\"0\"><tr><th>Word</th><th>Children</th><th>Spelled as</th></tr>"_s;
    for (const auto &m : r.missed)
        h += u"<tr><td>%1</td><td>%2</td><td>%3</td></tr>"_s.arg(m.word.toHtmlEscaped(), QString::number(m.children),
                                                                 m.spellings.join(u", "_s).toHtmlEscaped());
    h += u"</table><h2>Tricky words due</h2><ul>"_s;
    for (const QString &child : r.children) {
        QStringList words;
        for (const Tricky::Word &w : r.tricky.value(child))
            words << w.word;
        if (!words.isEmpty())
            h += u"<li>%1: %2</li>"_s.arg(child.toHtmlEscaped(), words.join(u", "_s).toHtmlEscaped());
    }
    return h + u"</ul>"_s;
}

QByteArray ClassReportView::csv() const
{
    const ClassTests::Report &r = m_report;
    QStringList lines;
    QStringList head{u"Child"_s};
    for (const QString &t : r.tests)
        head << csvField(u"Test_"_s + t);
    head << u"Tricky words due"_s;
    lines << head.join(u',');
    for (int c = 0; c < r.children.size(); ++c) {
        QStringList row{csvField(r.children[c])};
        for (const auto &cell : r.cells[c])
            row << ClassTests::Report::cellText(cell);
        QStringList words;
        for (const Tricky::Word &w : r.tricky.value(r.children[c]))
            words << w.word;
        row << csvField(words.join(u' '));
        lines << row.join(u',');
    }
    lines << QString() << u"Most-missed word,Children,Spelled as"_s;
    for (const auto &m : r.missed)
        lines << csvField(m.word) + u',' + QString::number(m.children) + u',' + csvField(m.spellings.join(u' '));
    return (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}
