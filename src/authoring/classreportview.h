#pragma once
#include "classroom/classtests.h"

#include <QWidget>

class QTableWidget;
class QTreeWidget;

// The whole class in the progress panel: children by assigned test (done with the score,
// not done, overdue), the class's twenty most-missed words with how many children missed
// each and the spellings typed, and each child's tricky words due; as a page to print and
// as CSV.
class ClassReportView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ClassReportView)
  public:
    explicit ClassReportView(QWidget *parent);

    QTableWidget *tblClass = nullptr;
    QTreeWidget *lstClassMissed = nullptr; // word, children, spelled as
    QTreeWidget *lstClassTricky = nullptr; // child, words

    void setReport(const ClassTests::Report &report);
    const ClassTests::Report &report() const { return m_report; }
    QString html(QDate today) const;
    QByteArray csv() const;

  private:
    ClassTests::Report m_report;
};
