#pragma once
#include <QString>
#include <QWidget>

#include <functional>

class AppContext;
class HistoryStore;
class QChartView;
class QComboBox;
class QLabel;
class QListWidget;
class QPrinter;
class QPushButton;
class QTreeWidget;

// The adult's view of the history, shown as a panel of the authoring window: for one child
// (or the results with no child chosen) a line of scores over time per test, the ten
// most-missed words with the wrong spellings typed, and the tricky words due; printing (the
// report and a paper version of a test) and a CSV export. When the history file cannot be
// written it says why and offers to start a new one (the old file is kept aside).
class ProgressReport final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ProgressReport)
  public:
    explicit ProgressReport(AppContext &context, QWidget *parent = nullptr);

    // Where the printed pages and the CSV file go; the program asks the adult, tests answer.
    static inline std::function<bool(QPrinter &printer)> choosePrinter;
    static inline std::function<QString(const QString &suggested)> chooseCsvFile;

    QComboBox *cboChild = nullptr;
    QChartView *chtScores = nullptr;
    QTreeWidget *lstMissed = nullptr; // word, times missed, spelled as
    QListWidget *lstTricky = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *btnNewHistory = nullptr;
    QComboBox *cboPaperTest = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnExportCsv = nullptr;
    QPushButton *btnForgetChild = nullptr;
    QPushButton *btnBack = nullptr;

    // The child shown: empty for the results recorded with no child chosen.
    QString shownChild() const;
    // Reads the history again (the children, then the chosen one's report).
    void reload();
    // The report and the paper version of the test chosen in cboPaperTest.
    void printTo(QPrinter &printer) const;

  Q_SIGNALS:
    void backClicked();

  public Q_SLOTS:
    void cboChild_Click();
    void btnNewHistory_Click();
    void btnPrint_Click();
    void btnExportCsv_Click();
    void btnForgetChild_Click();

  private:
    AppContext &m_ctx;
    void showReport();
    QString reportHtml() const;
    QString paperTestHtml() const;
};
