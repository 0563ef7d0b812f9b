#pragma once
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class AppContext;
class ClassReportView;
class HistoryStore;
class QGraphicsView;
class QComboBox;
class QLabel;
class QListWidget;
class QPrinter;
class QTextDocument;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class QTreeWidget;

// The adult's view of the history, shown as a panel of the authoring window: for one child
// (or the results with no child chosen) a line of scores over time per test, the ten
// most-missed words with the wrong spellings typed, the tricky words due, and how often
// each kind of mistake was made in the last 30 days with examples; printing (the
// report and a paper version of a test) and a CSV export, written on a thread of its own
// with a progress bar and "Cancel" while the window stays in use. When the history file
// cannot be written it says why, and when the file itself is unusable (damaged, from a
// newer version) offers to start a new one (the old file is kept aside).
class ProgressReport final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ProgressReport)
  public:
    explicit ProgressReport(AppContext &context, QWidget *parent = nullptr);
    // An export still running is cancelled: its file is left as it was.
    ~ProgressReport() override;

    // Where the printed pages and the CSV file go; the program asks the adult, tests answer.
    static inline std::function<bool(QPrinter &printer)> choosePrinter;
    static inline std::function<QString(const QString &suggested)> chooseCsvFile;

    QComboBox *cboChild = nullptr;
    QGraphicsView *chtScores = nullptr; // a QChartView (authoring/reportmodule.h)
    QTreeWidget *lstMissed = nullptr;   // word, times missed, spelled as
    QListWidget *lstTricky = nullptr;
    // "double letters: 6 (dinner → diner, rabbit → rabit)", the most frequent first; a
    // missing dictionary is said in a line of its own.
    QListWidget *lstKinds = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *btnNewHistory = nullptr;
    QComboBox *cboPaperTest = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnExportCsv = nullptr;
    QProgressBar *prgExport = nullptr;      // shown in btnExportCsv's place while an export runs
    QPushButton *btnCancelExport = nullptr; // shown while an export runs
    QPushButton *btnForgetChild = nullptr;
    QPushButton *btnBack = nullptr;
    // With a class server set, the child drop-down's last entry shows the whole class.
    static inline const QString WholeClass = QStringLiteral("The Whole Class");
    ClassReportView *viwClass = nullptr;
    // How long the whole class took to open last (read, worked out, shown), in milliseconds.
    double classOpenMs() const { return m_classOpenMs; }

    // The child shown: empty for the results recorded with no child chosen.
    QString shownChild() const;
    // Reads the history again (the children, then the chosen one's report).
    void reload();
    // Shown from the authoring window: on the child chosen on the start window.
    void open();
    // The report and the paper version of the test chosen in cboPaperTest, as printed.
    void writeTo(QTextDocument &doc) const;
    bool exporting() const;

  Q_SIGNALS:
    void backClicked();
    // An export ended: written, cancelled or failed (the failure has been shown).
    void exportFinished();

  public Q_SLOTS:
    void cboChild_Click();
    void btnNewHistory_Click();
    void btnPrint_Click();
    void btnExportCsv_Click();
    void btnCancelExport_Click();
    void btnForgetChild_Click();

  private:
    struct Export;
    std::shared_ptr<Export> m_export; // shared with its thread
    QThread *m_exportThread = nullptr;
    QTimer *m_exportTimer = nullptr;

    void exportEnded();
    void showExportProgress();

    AppContext &m_ctx;
    void showReport();
    void showKinds(const HistoryStore *store, const QString &child);
    // The whole class in place of one child's chart and lists; false when it could not be read.
    bool showClass();
    // One child's chart and lists shown, or hidden for the whole class.
    void showOneChild(bool shown);
    bool classShown() const;
    double m_classOpenMs = 0;
    QString reportHtml() const;
    QString paperTestHtml() const;
};
