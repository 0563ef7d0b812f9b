#include "authoring/progressreport.h"

#include "authoring/reportmodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/run/alignment.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "history/trickyfolder.h"
#include "voice/dictionary.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>

#include "authoring/classreportview.h"
#include "authoring/classteacher.h"
#include "core/platform/forms.h"
#include "core/platform/safefile.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box lblChildName{120, 105, 900, 300};
constexpr Twips::Box cboChild{1020, 60, 3000, 360};
constexpr Twips::Box btnForgetChild{4140, 45, 2160, 400};
constexpr Twips::Box btnBack{8040, 45, 1440, 400};
constexpr Twips::Box lblStatus{120, 500, 6780, 560};
constexpr Twips::Box btnNewHistory{7020, 540, 2460, 420};
constexpr Twips::Box chtScores{120, 1080, 9360, 3060};
constexpr Twips::Box lblMissed{120, 4200, 5700, 285};
constexpr Twips::Box lstMissed{120, 4485, 5700, 1800};
constexpr Twips::Box lblTricky{5940, 4200, 3540, 285};
constexpr Twips::Box lstTricky{5940, 4485, 3540, 1800};
constexpr Twips::Box lblPaperTest{120, 6465, 1100, 300};
constexpr Twips::Box cboPaperTest{1220, 6420, 3000, 360};
constexpr Twips::Box btnPrint{4340, 6405, 1500, 400};
constexpr Twips::Box btnExportCsv{5960, 6405, 2000, 400};
constexpr Twips::Box prgExport{5960, 6420, 2000, 360};
constexpr Twips::Box btnCancelExport{8040, 6405, 1440, 400};
constexpr Twips::Box lblKinds{120, 6900, 9360, 285};
constexpr Twips::Box lstKinds{120, 7185, 9360, 1200};

// The mistakes counted by kind are those of this many days, today among them.
constexpr int KindDays = 30;
constexpr int KindExamples = 2;
// An example's answer is shortened beyond this many characters.
constexpr qsizetype ExampleLength = 30;
constexpr Twips::Box viwClass{120, 1080, 9360, 5205};

// A line of more runs than this is drawn as averages over as many stretches of time; up
// to the second figure each run is marked with a dot.
constexpr int MaxChartPoints = 150;
constexpr int MaxMarkedPoints = 60;
// The chart's width on paper, in the report's units (about points).
constexpr int PrintedChartWidth = 480;
} // namespace At

const QString NoChild = u"No child chosen"_s;

QLabel *heading(QWidget *parent, const QString &name, const QString &text, const Twips::Box &at)
{
    QLabel *l = Ui::label(parent, name, text, at);
    l->setFont(Fonts::sized(Fonts::DefaultPoints, true));
    return l;
}

QComboBox *comboBox(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->setAccessibleName(caption);
    Twips::place(c, at);
    return c;
}

QString askCsvFile(const QString &suggested)
{
    return QFileDialog::getSaveFileName(nullptr, u"Export as CSV"_s, suggested, u"CSV files (*.csv)"_s);
}

// Qt Charts draws its labels (the legend's names among them) as rich text: a test name is
// escaped so that it shows as typed, and markup in it is never drawn or loads a picture.
QString chartLabel(const QString &text)
{
    return text.toHtmlEscaped();
}

// One kind of mistake, how often it was made and the latest examples of it.
struct KindLine {
    Alignment::Kind kind;
    int times = 0;
    QStringList examples; // "dinner → diner", each pair once
};

QString example(const History::WrongAnswer &w)
{
    QString answer = Alignment::printable(w.answer);
    if (answer.size() > At::ExampleLength)
        answer = answer.left(At::ExampleLength) + u'\u2026';
    return Alignment::printable(w.word) + u" \u2192 "_s + answer;
}

// Every wrong answer counts once for each kind of mistake it makes; the examples are the
// latest (the answers come the latest first). The most frequent kind comes first.
QList<KindLine> tallyKinds(const QList<History::WrongAnswer> &wrong, const WordChecker *dictionary)
{
    QList<KindLine> lines;
    for (const Alignment::Kind k : Alignment::allKinds())
        lines.append({k, 0, {}});
    for (const History::WrongAnswer &w : wrong) {
        for (const Alignment::Kind k : Alignment::align(w.word, w.answer, dictionary).kinds()) {
            KindLine &line = lines[Alignment::allKinds().indexOf(k)];
            ++line.times;
            const QString e = example(w);
            if (line.examples.size() < At::KindExamples && !line.examples.contains(e))
                line.examples.append(e);
        }
    }
    lines.removeIf([](const KindLine &l) { return l.times == 0; });
    std::stable_sort(lines.begin(), lines.end(),
                     [](const KindLine &a, const KindLine &b) { return a.times > b.times; });
    return lines;
}

// A tooltip that is plain text as typed: marked as rich text, with the text escaped.
QString plainToolTip(const QString &text)
{
    return u"<qt>"_s + text.toHtmlEscaped() + u"</qt>"_s;
}
} // namespace

// What an export's thread and the panel share.
struct ProgressReport::Export {
    std::atomic<bool> cancel = false;
    std::atomic<qint64> done = 0, total = 0;
    // Set by the thread before it ends, read by the panel after.
    QString why;
    bool cancelled = false;
};

ProgressReport::ProgressReport(AppContext &context, QWidget *parent) : QWidget(parent), m_ctx(context)
{
    setObjectName(u"pnlProgress"_s);
    setAutoFillBackground(true);

    Ui::label(this, u"lblChildName"_s, u"Child:"_s, At::lblChildName);
    cboChild = comboBox(this, u"cboChild"_s, u"Child"_s, At::cboChild);
    btnForgetChild = Ui::button(this, u"btnForgetChild"_s, u"Forget This Child"_s, At::btnForgetChild);
    btnBack = Ui::button(this, u"btnBack"_s, u"Back"_s, At::btnBack);
    lblStatus = Ui::label(this, u"lblStatus"_s, QString(), At::lblStatus);
    lblStatus->setWordWrap(true);
    QPalette red = lblStatus->palette();
    red.setColor(QPalette::WindowText, QColor(160, 0, 0));
    lblStatus->setPalette(red);
    btnNewHistory = Ui::button(this, u"btnNewHistory"_s, u"Start a New History"_s, At::btnNewHistory);

    // The chart comes from the report's module, loaded with the first report made; without
    // it the chart's place stays empty, the rest of the report works and printing says why.
    QString why;
    ReportModule::Api *module = ReportModule::api(&why);
    chtScores = module ? module->makeChart(this, u"Test scores"_s) : new QGraphicsView(this);
    chtScores->setObjectName(u"chtScores"_s);
    chtScores->setAccessibleName(u"Test scores over time"_s);
    Twips::place(chtScores, At::chtScores);
    if (!module)
        qWarning("The progress report's chart could not be loaded: %s", qUtf8Printable(why));

    heading(this, u"lblMissed"_s, u"The ten most-missed words"_s, At::lblMissed);
    lstMissed = new QTreeWidget(this);
    lstMissed->setObjectName(u"lstMissed"_s);
    lstMissed->setAccessibleName(u"The ten most-missed words"_s);
    lstMissed->setRootIsDecorated(false);
    lstMissed->setHeaderLabels({u"Word"_s, u"Missed"_s, u"Spelled as"_s});
    lstMissed->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Twips::place(lstMissed, At::lstMissed);

    heading(this, u"lblTricky"_s, u"Tricky words due"_s, At::lblTricky);
    lstTricky = Ui::list(this, u"lstTricky"_s, At::lstTricky);
    lstTricky->setAccessibleName(u"Tricky words due"_s);

    heading(this, u"lblKinds"_s, u"Mistakes by kind"_s, At::lblKinds);
    lstKinds = Ui::list(this, u"lstKinds"_s, At::lstKinds);
    lstKinds->setAccessibleName(u"Mistakes by kind"_s);

    Ui::label(this, u"lblPaperTest"_s, u"Paper test:"_s, At::lblPaperTest);
    cboPaperTest = comboBox(this, u"cboPaperTest"_s, u"Paper test"_s, At::cboPaperTest);
    btnPrint = Ui::button(this, u"btnPrint"_s, u"Print..."_s, At::btnPrint);
    btnExportCsv = Ui::button(this, u"btnExportCsv"_s, u"Export as CSV..."_s, At::btnExportCsv);
    prgExport = new QProgressBar(this);
    prgExport->setObjectName(u"prgExport"_s);
    prgExport->setAccessibleName(u"Export progress"_s);
    prgExport->setRange(0, 1000);
    Twips::place(prgExport, At::prgExport);
    prgExport->hide();
    btnCancelExport = Ui::button(this, u"btnCancelExport"_s, u"Cancel"_s, At::btnCancelExport);
    btnCancelExport->hide();
    m_exportTimer = new QTimer(this);
    m_exportTimer->setInterval(100);
    connect(m_exportTimer, &QTimer::timeout, this, &ProgressReport::showExportProgress);

    viwClass = new ClassReportView(this);
    Twips::place(viwClass, At::viwClass);
    viwClass->hide();
    connect(cboChild, &QComboBox::activated, this, &ProgressReport::cboChild_Click);
    connect(btnForgetChild, &QPushButton::clicked, this, &ProgressReport::btnForgetChild_Click);
    connect(btnBack, &QPushButton::clicked, this, &ProgressReport::backClicked);
    connect(btnNewHistory, &QPushButton::clicked, this, &ProgressReport::btnNewHistory_Click);
    connect(btnPrint, &QPushButton::clicked, this, &ProgressReport::btnPrint_Click);
    connect(btnExportCsv, &QPushButton::clicked, this, &ProgressReport::btnExportCsv_Click);
    connect(btnCancelExport, &QPushButton::clicked, this, &ProgressReport::btnCancelExport_Click);
}

ProgressReport::~ProgressReport()
{
    if (!m_exportThread)
        return;
    m_export->cancel = true;
    m_exportThread->wait();
    delete m_exportThread;
}

QString ProgressReport::shownChild() const
{
    const QString text = cboChild->currentText();
    return text == NoChild || classShown() ? QString() : text;
}

void ProgressReport::open()
{
    // The child chosen on the start window, when there is one.
    const QString chosen = m_ctx.history.child();
    if (!chosen.isEmpty()) {
        cboChild->clear();
        cboChild->addItem(chosen);
    }
    reload();
}

void ProgressReport::reload()
{
    const QString was = cboChild->currentText();
    cboChild->clear();
    cboChild->addItems(m_ctx.history.children());
    cboChild->addItem(NoChild);
    if (ClassTeacher::inClass(m_ctx))
        cboChild->addItem(WholeClass);
    const int keep = was == WholeClass ? -1 : cboChild->findText(was);
    cboChild->setCurrentIndex(keep >= 0 ? keep : 0);

    cboPaperTest->clear();
    cboPaperTest->addItems(TestLibrary::listTests(m_ctx.AppDir));
    showReport();
}

void ProgressReport::cboChild_Click()
{
    showReport();
}

bool ProgressReport::classShown() const
{
    return cboChild->currentText() == WholeClass && ClassTeacher::inClass(m_ctx);
}

void ProgressReport::showOneChild(bool shown)
{
    for (QWidget *w :
         {static_cast<QWidget *>(chtScores), static_cast<QWidget *>(lstMissed), static_cast<QWidget *>(lstTricky),
          static_cast<QWidget *>(lstKinds), findChild<QWidget *>(u"lblMissed"_s), findChild<QWidget *>(u"lblTricky"_s),
          findChild<QWidget *>(u"lblKinds"_s)})
        if (w)
            w->setVisible(shown);
}

bool ProgressReport::showClass()
{
    auto *window = qobject_cast<Form *>(this->window());
    if (!window)
        return false;
    ClassTests::ReportInput input;
    QElapsedTimer clock;
    const bool read = ClassTeacher::act(window, m_ctx, WholeClass, u"The whole class cannot be shown now: "_s,
                                        [&input, &clock](const ClassSettings &s, const QString &password) {
                                            clock.start();
                                            QString why;
                                            input = ClassTests::readReport(s, password, &why);
                                            return why;
                                        });
    if (!read)
        return false;
    viwClass->setReport(ClassTests::buildReport(input, m_ctx.history.today()));
    showOneChild(false);
    viwClass->setVisible(true);
    viwClass->raise();
    btnForgetChild->setEnabled(false);
    btnExportCsv->setEnabled(!m_exportThread);
    lblStatus->clear();
    m_classOpenMs = double(clock.nsecsElapsed()) / 1e6;
    return true;
}

void ProgressReport::showReport()
{
    if (cboChild->currentText() == WholeClass) {
        if (showClass())
            return;
        cboChild->setCurrentIndex(0);
    }
    viwClass->hide();
    showOneChild(true);
    HistoryStore *s = m_ctx.history.store();
    const QString child = shownChild();
    btnForgetChild->setEnabled(s && !child.isEmpty());
    btnExportCsv->setEnabled(s != nullptr && !m_exportThread);

    const QList<History::ScoreLine> lines = s ? s->scores(child) : QList<History::ScoreLine>();
    QDateTime first, last;
    for (const History::ScoreLine &line : lines) {
        if (line.points.isEmpty())
            continue;
        if (!first.isValid() || line.points.first().when < first)
            first = line.points.first().when;
        if (!last.isValid() || line.points.last().when > last)
            last = line.points.last().when;
    }
    // More runs than the chart has room for are drawn as the average of each stretch of
    // time, so that a long history opens as fast as a short one and stays readable.
    const double from = first.isValid() ? double(first.toMSecsSinceEpoch()) : 0;
    const double span = first.isValid() ? double(last.toMSecsSinceEpoch()) - from : 0;
    QList<ReportModule::Line> chartLines;
    for (const History::ScoreLine &line : lines) {
        ReportModule::Line &drawn = chartLines.emplace_back();
        drawn.name = chartLabel(line.test);
        drawn.marked = line.points.size() <= At::MaxMarkedPoints;
        QList<QPointF> &points = drawn.points;
        if (line.points.size() <= At::MaxChartPoints || span <= 0) {
            for (const History::ScorePoint &p : line.points)
                points.append(QPointF(double(p.when.toMSecsSinceEpoch()), p.percent));
        } else {
            QList<double> sumX(At::MaxChartPoints), sumY(At::MaxChartPoints);
            QList<int> count(At::MaxChartPoints);
            for (const History::ScorePoint &p : line.points) {
                const double at = double(p.when.toMSecsSinceEpoch());
                const int b = std::min(At::MaxChartPoints - 1, int((at - from) / span * At::MaxChartPoints));
                sumX[b] += at;
                sumY[b] += p.percent;
                ++count[b];
            }
            for (int b = 0; b < At::MaxChartPoints; ++b)
                if (count[b])
                    points.append(QPointF(sumX[b] / count[b], sumY[b] / count[b]));
        }
    }
    first = first.toLocalTime();
    last = last.toLocalTime();
    if (!first.isValid())
        first = last = QDateTime(m_ctx.history.today(), QTime(12, 0));
    if (ReportModule::Api *module = ReportModule::api())
        module->showLines(chtScores, chartLines, first, last);

    lstMissed->clear();
    const QList<History::MissedWord> missed = s ? s->mostMissed(child) : QList<History::MissedWord>();
    for (const History::MissedWord &m : missed) {
        auto *item = new QTreeWidgetItem(lstMissed, {m.word, QString::number(m.misses), m.spellings.join(u", "_s)});
        item->setData(0, Qt::UserRole, m.test);
        item->setToolTip(0, plainToolTip(m.test));
    }

    lstTricky->clear();
    const QList<Tricky::Word> due = m_ctx.history.trickyDue(child);
    for (const Tricky::Word &w : due)
        lstTricky->addItem(w.word + u"  ("_s + w.test + u')');

    showKinds(s, child);

    // After the reads, which find what is wrong with the file.
    const QString problem = s ? s->status() : u"The history is not available."_s;
    QString status = problem.isEmpty() ? QString() : u"The history cannot be written: "_s + problem;
    // A test of the adult's own that holds the tricky-words test's name keeps that test from being made.
    if (s && !m_ctx.AppDir.isEmpty() && TrickyFolder::owner(m_ctx.AppDir) == TrickyFolder::Owner::User)
        status += (status.isEmpty() ? QString() : u"\n"_s) + TrickyFolder::UsersOwnTest;
    // Results wait in the history until the class server has them.
    if (const qint64 waiting = s && m_ctx.history.classLink() ? s->unsentCount() : 0; waiting > 0)
        status += (status.isEmpty() ? QString() : u"\n"_s) +
                  u"%1 results are waiting to be sent to the class server."_s.arg(waiting);
    lblStatus->setText(status);
    // Only a file that is unusable itself is put aside; one in use or read-only is kept as it is.
    btnNewHistory->setVisible(s && s->canStartNew());
}

void ProgressReport::showKinds(const HistoryStore *store, const QString &child)
{
    const SpellingDictionary *dictionary = Dictionaries::forWindows();
    lstKinds->clear();
    const QDateTime since(m_ctx.history.today().addDays(1 - At::KindDays), QTime(0, 0));
    const QList<History::WrongAnswer> wrong = store ? store->wrongAnswers(child, since) : QList<History::WrongAnswer>();
    const QList<KindLine> lines = tallyKinds(wrong, dictionary);
    for (const KindLine &l : lines)
        lstKinds->addItem(u"%1: %2 (%3)"_s.arg(Alignment::kindName(l.kind)).arg(l.times).arg(l.examples.join(u", "_s)));
    if (lines.isEmpty())
        lstKinds->addItem(u"No mistakes in the last %1 days."_s.arg(At::KindDays));
    if (!dictionary)
        lstKinds->addItem(u"The %1 dictionary is not installed, so \"%2\" is left out."_s.arg(
            Dictionaries::caption(Dictionaries::chosen()), Alignment::kindName(Alignment::Kind::RealWord)));
}

void ProgressReport::btnNewHistory_Click()
{
    HistoryStore *s = m_ctx.history.store();
    if (!s)
        return;
    if (!s->startNewHistory()) {
        MsgBox(u"A new history could not be started: "_s + s->status(), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    MsgBox(u"A new history has been started. The old file was kept in the program folder."_s, MsgButtons::Ok,
           MsgIcon::Information);
    reload();
}

void ProgressReport::btnForgetChild_Click()
{
    HistoryStore *s = m_ctx.history.store();
    const QString child = shownChild();
    if (!s || child.isEmpty())
        return;
    if (MsgBox(u"Forget %1?\n\nEvery result Wordaroo remembers about %1 will be deleted."_s.arg(child),
               MsgButtons::YesNoDefaultNo, MsgIcon::Question, u"Forget This Child"_s) != MsgResult::Yes)
        return;
    const QString why = s->forgetChild(child);
    if (!why.isEmpty())
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation);
    if (m_ctx.history.child() == child)
        m_ctx.history.setChild(QString());
    reload();
    m_ctx.catalogue.changed();
}

void ProgressReport::btnExportCsv_Click()
{
    if (classShown()) {
        const auto ask = chooseCsvFile ? chooseCsvFile : askCsvFile;
        const QString path = ask(QDir::homePath() + u"/Wordaroo class.csv"_s);
        QString why;
        if (!path.isEmpty() && !SafeFile::replaceFile(path, viwClass->csv(), &why, SafeFile::Destination::UserChosen))
            MsgBox(u"The class could not be exported: "_s + why, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    HistoryStore *s = m_ctx.history.store();
    if (!s || m_exportThread)
        return;
    const auto ask = chooseCsvFile ? chooseCsvFile : askCsvFile;
    const QString path = ask(QDir::homePath() + u"/Wordaroo history.csv"_s);
    if (path.isEmpty())
        return;
    // A long history takes a while: it is written on a thread of its own, reading on a
    // connection of its own, while the panel shows how far it is and offers to cancel.
    auto job = std::make_shared<Export>();
    m_export = job;
    const HistoryStore::CsvExport csv = s->csvExport();
    const Dictionaries::Language language = Dictionaries::chosen();
    m_exportThread = QThread::create([job, csv, path, language] {
        // The export's own dictionary: a dictionary is asked on one thread only.
        const std::unique_ptr<SpellingDictionary> dictionary = SpellingDictionary::open(language);
        HistoryStore::CsvExport withKinds = csv;
        withKinds.dictionary = dictionary.get();
        job->why = withKinds.run(
            path,
            [job](qint64 done, qint64 total) {
                job->done = done;
                job->total = total;
                return !job->cancel;
            },
            &job->cancelled);
    });
    connect(m_exportThread, &QThread::finished, this, &ProgressReport::exportEnded);
    prgExport->setValue(0);
    const bool hadFocus = btnExportCsv->hasFocus();
    prgExport->show();
    btnCancelExport->setEnabled(true);
    btnCancelExport->show();
    if (hadFocus)
        btnCancelExport->setFocus();
    btnExportCsv->hide();
    btnExportCsv->setEnabled(false);
    m_exportTimer->start();
    m_exportThread->start(QThread::LowPriority);
}

void ProgressReport::btnCancelExport_Click()
{
    if (!m_exportThread)
        return;
    m_export->cancel = true;
    btnCancelExport->setEnabled(false); // until the thread has stopped
}

bool ProgressReport::exporting() const
{
    return m_exportThread != nullptr;
}

void ProgressReport::showExportProgress()
{
    if (!m_export)
        return;
    const qint64 total = m_export->total;
    prgExport->setValue(total > 0 ? int(m_export->done * 1000 / total) : 0);
}

void ProgressReport::exportEnded()
{
    m_exportThread->wait();
    delete m_exportThread;
    m_exportThread = nullptr;
    const std::shared_ptr<Export> job = std::move(m_export);
    m_exportTimer->stop();
    const bool hadFocus = btnCancelExport->hasFocus();
    btnExportCsv->show();
    btnExportCsv->setEnabled(m_ctx.history.store() != nullptr);
    if (hadFocus && isVisible())
        btnExportCsv->setFocus();
    prgExport->hide();
    btnCancelExport->hide();
    if (!job->why.isEmpty())
        MsgBox(u"The history could not be exported: "_s + job->why, MsgButtons::Ok, MsgIcon::Exclamation);
    Q_EMIT exportFinished();
}

void ProgressReport::btnPrint_Click()
{
    QString why;
    ReportModule::Api *module = ReportModule::api(&why);
    if (!module) {
        MsgBox(u"The report cannot be printed: "_s + why, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    QTextDocument doc;
    writeTo(doc);
    module->print(doc, u"Print the Progress Report"_s, choosePrinter);
}

QString ProgressReport::reportHtml() const
{
    const QString child = shownChild();
    QString h = u"<h1>How %1 is doing</h1>"_s.arg((child.isEmpty() ? NoChild : child).toHtmlEscaped());
    h += u"<p>%1</p>"_s.arg(QLocale().toString(m_ctx.history.today(), QLocale::LongFormat));
    const QSize size = chtScores->size();
    h += u"<p><img src=\"chart:scores\" width=\"%1\" height=\"%2\"></p>"_s.arg(At::PrintedChartWidth)
             .arg(At::PrintedChartWidth * size.height() / std::max(1, size.width()));
    h += u"<h2>The ten most-missed words</h2><table border=\"1\" cellpadding=\"4\" cellspacing=\"0\">"
         "<tr><th>Word</th><th>Test</th><th>Missed</th><th>Spelled as</th></tr>"_s;
    for (int i = 0; i < lstMissed->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *it = lstMissed->topLevelItem(i);
        h += u"<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>"_s.arg(
            it->text(0).toHtmlEscaped(), it->data(0, Qt::UserRole).toString().toHtmlEscaped(), it->text(1),
            it->text(2).toHtmlEscaped());
    }
    h += u"</table><h2>Tricky words due</h2><ul>"_s;
    for (int i = 0; i < lstTricky->count(); ++i)
        h += u"<li>%1</li>"_s.arg(lstTricky->item(i)->text().toHtmlEscaped());
    h += u"</ul><h2>Mistakes by kind</h2><p>In the last %1 days.</p><ul>"_s.arg(At::KindDays);
    for (int i = 0; i < lstKinds->count(); ++i)
        h += u"<li>%1</li>"_s.arg(lstKinds->item(i)->text().toHtmlEscaped());
    return h + u"</ul>"_s;
}

QString ProgressReport::paperTestHtml() const
{
    const QString test = cboPaperTest->currentText();
    if (test.isEmpty())
        return {};
    const QStringList words = TestLibrary::wordsOf(m_ctx.AppDir + test + u'/');
    const QString breakBefore = u"<div style=\"page-break-before: always\"></div>"_s;
    QString h = breakBefore + u"<h1>%1</h1><p>Name: ______________________</p>"_s.arg(test.toHtmlEscaped());
    h += u"<table cellpadding=\"10\">"_s;
    for (int i = 0; i < words.size(); ++i)
        h += u"<tr><td>%1.</td><td>________________________________</td></tr>"_s.arg(i + 1);
    h += u"</table>"_s + breakBefore + u"<h1>%1: answer key</h1><ol>"_s.arg(test.toHtmlEscaped());
    for (const QString &w : words)
        h += u"<li>%1</li>"_s.arg(w.toHtmlEscaped());
    return h + u"</ol>"_s;
}

void ProgressReport::writeTo(QTextDocument &doc) const
{
    doc.setDefaultFont(Fonts::sized(11));
    if (classShown()) {
        doc.setHtml(viwClass->html(m_ctx.history.today()));
        return;
    }
    // Drawn at twice the screen's size, so that the printed lines stay sharp.
    QImage chart(chtScores->size() * 2, QImage::Format_RGB32);
    chart.fill(Qt::white);
    {
        QPainter p(&chart);
        p.setRenderHint(QPainter::Antialiasing);
        chtScores->scene()->render(&p, QRectF(chart.rect()), chtScores->sceneRect());
    }
    doc.addResource(QTextDocument::ImageResource, QUrl(u"chart:scores"_s), chart);
    doc.setHtml(reportHtml() + paperTestHtml());
}
