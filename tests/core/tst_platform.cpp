// The platform layer the windows stand on: the window registry and the end of the
// program, panels that take no input when hidden, boxes, help lookup, twips and the
// program-wide random generator.
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "core/platform/rnd.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace
{
// A window that counts its unload handler and can refuse to close.
class CountingForm : public Form
{
  public:
    explicit CountingForm(Windows::Id id) : Form(id) {}
    int unloads = 0;
    bool refuse = false;

  protected:
    void Form_Unload(bool &keepOpen) override
    {
        ++unloads;
        keepOpen = refuse;
    }
};
} // namespace

class TstPlatform : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void registryKeepsLoadOrder()
    {
        TestEnv env;
        auto *a = new CountingForm(Windows::Login);
        auto *b = new CountingForm(Windows::Back);
        auto *c = new CountingForm(Windows::Choice);
        QCOMPARE(Forms::loaded(), (QList<Form *>{a, b, c}));
        b->close();
        QCOMPARE(Forms::loaded(), (QList<Form *>{a, c}));
        QCOMPARE(b->isLoaded(), false);
        TestUi::settle();
        // A window loaded again goes to the end.
        Forms::registerFactory(Windows::Back, [] { return new CountingForm(Windows::Back); });
        Form *b2 = Forms::show(Windows::Back);
        QCOMPARE(Forms::loaded(), (QList<Form *>{a, c, b2}));
        // show() of a loaded window brings back the same one.
        QCOMPARE(Forms::show(Windows::Back), b2);
        QCOMPARE(Forms::find(Windows::Login), a);
        QVERIFY(!Forms::find(Windows::Scramble));
        QVERIFY(!Forms::show(Windows::Scramble));
    }

    void closeRunsUnloadAndMayBeRefused()
    {
        TestEnv env;
        auto *f = new CountingForm(Windows::Login);
        f->show();
        f->refuse = true;
        QVERIFY(!f->close());
        QCOMPARE(f->unloads, 1);
        QVERIFY(f->isLoaded());
        f->refuse = false;
        QVERIFY(f->close());
        QCOMPARE(f->unloads, 2);
    }

    void escapeDoesNotCloseAWindow()
    {
        TestEnv env;
        auto *f = new CountingForm(Windows::Login);
        f->show();
        QTest::keyClick(f, Qt::Key_Escape);
        QVERIFY(f->isVisible());
        QVERIFY(f->isLoaded());
    }

    void endClosesEverythingWithoutHandlers()
    {
        TestEnv env;
        auto *a = new CountingForm(Windows::Login);
        auto *b = new CountingForm(Windows::Back);
        a->show();
        b->show();
        MMControl control(b);
        env.sound.setDuration(QStringLiteral("/long.wav"), 60000);
        control.FileName = QStringLiteral("/long.wav");
        control.setCommand(QStringLiteral("Open"));
        control.setCommand(QStringLiteral("Play"));
        QVERIFY(control.isPlaying());

        Program::end(0);
        QVERIFY(env.ended);
        QCOMPARE(env.exitCode, 0);
        QVERIFY(Forms::loaded().isEmpty());
        QCOMPARE(a->unloads + b->unloads, 0);
        QVERIFY(!control.isPlaying());
        // Nothing sounds after the end.
        env.sound.clear();
        control.setCommand(QStringLiteral("Play"));
        QVERIFY(env.sound.log.isEmpty());
        // And no further box is shown.
        MsgBox(QStringLiteral("late"));
        QVERIFY(env.dialogs.boxes.isEmpty());
    }

    void endLeavesAWaitingPlayAtOnce()
    {
        TestEnv env;
        auto *f = new CountingForm(Windows::Login);
        f->show();
        MMControl control(f);
        env.sound.setDuration(QStringLiteral("/long.wav"), 60000);
        control.FileName = QStringLiteral("/long.wav");
        control.setCommand(QStringLiteral("Open"));
        QTimer::singleShot(50, [] { Program::end(0); });
        QElapsedTimer t;
        t.start();
        control.Wait = true;
        control.setCommand(QStringLiteral("Play"));
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(env.ended);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void windowClosedDuringAWaitOutlivesTheHandler()
    {
        TestEnv env;
        QPointer<CountingForm> f = new CountingForm(Windows::Login);
        f->show();
        auto *control = new MMControl(f);
        env.sound.setDuration(QStringLiteral("/a.wav"), 5000);
        env.sound.setDuration(QStringLiteral("/b.wav"), 5000);
        control->FileName = QStringLiteral("/a.wav");
        control->setCommand(QStringLiteral("Open"));
        QTimer::singleShot(50, f, [f] { f->close(); });
        control->Wait = true;
        control->setCommand(QStringLiteral("Play"));
        // The handler that waited may go on touching its window.
        QVERIFY(f);
        QVERIFY(!f->isLoaded());
        QCOMPARE(f->unloads, 1);
        // A closed window makes no more sound.
        env.sound.clear();
        control->FileName = QStringLiteral("/b.wav");
        control->setCommand(QStringLiteral("Open"));
        control->setCommand(QStringLiteral("Play"));
        QVERIFY(env.sound.log.isEmpty());
        TestUi::settle();
        QVERIFY(!f);
    }

    void hiddenPanelTakesNoInput()
    {
        TestEnv env;
        auto *f = new CountingForm(Windows::Login);
        Twips::setClientSize(f, 6000, 4000);
        QWidget *shown = Ui::panel(f, QStringLiteral("pnlA"), 0, 0, 6000, 4000);
        QWidget *hidden = Ui::panel(f, QStringLiteral("pnlB"), 0, 0, 6000, 4000);
        QPushButton *ok = Ui::button(hidden, QStringLiteral("btnHidden"), QStringLiteral("&Hidden"), 0, 0, 1500, 400);
        QLineEdit *box = Ui::textBox(hidden, QStringLiteral("txtHidden"), 0, 600, 1500, 400);
        QPushButton *other = Ui::button(shown, QStringLiteral("btnShown"), QStringLiteral("Shown"), 0, 0, 1500, 400);
        ok->setDefault(true);
        QSignalSpy clicks(ok, &QPushButton::clicked);
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        box->setFocus();
        Panels::hide(hidden);
        Panels::show(shown);
        QVERIFY(!Panels::isShown(hidden));
        QVERIFY(Panels::isShown(shown));
        QVERIFY(hidden->x() < -1000);
        other->setFocus();
        QTest::keyClick(f, Qt::Key_Return);
        QTest::keyClick(f, Qt::Key_H, Qt::AltModifier);
        QTest::keyClicks(f, QStringLiteral("typed"));
        QTest::qWait(250); // an access key clicks a button after a short animation
        QCOMPARE(clicks.count(), 0);
        QVERIFY(box->text().isEmpty());
        // Shown again, the same controls work.
        Panels::show(hidden);
        QTest::keyClick(f, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 1);
    }

    // A picture is drawn ahead once placed; whatever changes before it is first shown,
    // it shows the drawing of its final picture at its final size.
    void picturesShowTheirFinalDrawing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("as placed") << QString();
        QTest::newRow("resized before shown") << QStringLiteral("resize");
        QTest::newRow("other picture before shown") << QStringLiteral("svg");
        QTest::newRow("resized after shown") << QStringLiteral("resize after");
    }
    void picturesShowTheirFinalDrawing()
    {
        QFETCH(QString, change);
        const QString abc = QStringLiteral(":/art/menu_abc.svg");
        const QString professor = QStringLiteral(":/art/professor.svg");
        QWidget window;
        window.resize(600, 600);
        Picture *p = Ui::picture(&window, QStringLiteral("Image1"), abc, Twips::Box{0, 0, 1500, 1500});
        if (change == QLatin1String("resize"))
            p->resize(150, 90);
        if (change == QLatin1String("svg"))
            p->setSvg(professor);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (change == QLatin1String("resize after"))
            p->resize(150, 90);

        // The same picture made directly, at the size and with the picture it ends with.
        QWidget other;
        other.resize(600, 600);
        auto *direct = new Picture(QStringLiteral("direct"), p->svg(), &other);
        direct->setGeometry(p->geometry());
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));

        const QImage shown = p->pixmap().toImage();
        QCOMPARE(shown.deviceIndependentSize().toSize(), p->size());
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, direct->pixmap().toImage());
    }

    // A picture shown at a size it was drawn at in the build shows that drawing, and it
    // is the same picture as its SVG drawn there (no stale or misnamed drawing).
    void picturesDrawnInTheBuildMatchTheirSvg_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("professor") << QStringLiteral("professor") << QSize(122, 150);
        QTest::newRow("letter blocks") << QStringLiteral("menu_abc") << QSize(32, 32);
    }
    void picturesDrawnInTheBuildMatchTheirSvg()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        if (!QFile::exists(QStringLiteral(":/art/drawn/%1-%2x%3.png").arg(name).arg(size.width()).arg(size.height())))
            QSKIP("built without rsvg-convert: every picture is drawn from its SVG");
        QWidget window;
        auto *p = new Picture(name, QStringLiteral(":/art/%1.svg").arg(name), &window);
        p->setGeometry(QRect(QPoint(0, 0), size));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shown = p->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), size);

        QImageReader reader(QStringLiteral(":/art/%1.svg").arg(name), "svg");
        reader.setScaledSize(size);
        const QImage svg = reader.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(svg.size(), size);
        qint64 difference = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb a = shown.pixel(x, y), b = svg.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
            }
        // Two rasterizers differ only at the edges: well under two levels a channel.
        QVERIFY2(difference < 8LL * size.width() * size.height(), qPrintable(QString::number(difference)));
    }

    // What waits for a window's first frame comes after that frame and the events
    // queued with it; a window never drawn lets it run after the time limit; nothing
    // runs once it is dropped.
    void afterFirstFrameWaitsForTheFrame_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("shown") << QStringLiteral("shown");
        QTest::newRow("never shown") << QStringLiteral("hidden");
        QTest::newRow("dropped") << QStringLiteral("dropped");
    }
    void afterFirstFrameWaitsForTheFrame()
    {
        QFETCH(QString, window);
        QWidget w;
        w.resize(200, 100);
        QStringList seen;
        struct Paints : QObject {
            QStringList *seen;
            explicit Paints(QStringList *s) : seen(s) {}
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    QMetaObject::invokeMethod(
                        this, [this] { *seen << QStringLiteral("queued by the paint"); }, Qt::QueuedConnection);
                return false;
            }
        } paints(&seen);
        w.installEventFilter(&paints);
        QElapsedTimer t;
        t.start();
        auto waiting = Ui::afterFirstFrame(
            &w, [&] { seen << QStringLiteral("called"); }, 300);
        if (window == QLatin1String("dropped"))
            waiting.reset();
        if (window != QLatin1String("hidden"))
            w.show();
        QTest::qWait(500);
        if (window == QLatin1String("shown")) {
            QCOMPARE(seen.value(0), QStringLiteral("queued by the paint"));
            QCOMPARE(seen.count(QStringLiteral("called")), 1);
        } else if (window == QLatin1String("hidden")) {
            QCOMPARE(seen, QStringList{QStringLiteral("called")});
            QVERIFY(t.elapsed() >= 300);
        } else {
            QVERIFY(!seen.contains(QStringLiteral("called")));
        }
    }

    void boxesGetTheProgramsTitle()
    {
        TestEnv env;
        env.dialogs.answers << MsgResult::Yes;
        QCOMPARE(MsgBox(QStringLiteral("Sure?"), MsgButtons::YesNo, MsgIcon::Question), MsgResult::Yes);
        QCOMPARE(MsgBox(QStringLiteral("Again?"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("T")),
                 MsgResult::No); // an empty script answers No
        QCOMPARE(env.dialogs.boxes[0].title, QStringLiteral("Wordaroo"));
        QCOMPARE(env.dialogs.boxes[1].title, QStringLiteral("T"));
        env.dialogs.inputAnswers << QStringLiteral("typed");
        QCOMPARE(InputBox(QStringLiteral("p"), QStringLiteral("PASSWORD")), QStringLiteral("typed"));
        QCOMPARE(InputBox(QStringLiteral("p")), QString()); // Cancel
        QCOMPARE(env.dialogs.prompts[0].title, QStringLiteral("PASSWORD"));
    }

    void helpFileLookedUpInCurrentThenProgramFolder()
    {
        TestEnv env;
        QFile f(env.appDir() + QStringLiteral("Spell.HLP"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString old = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        QCOMPARE(QtDialogService::resolveHelpFile(QStringLiteral("Spell.HLP")), QFileInfo(f).absoluteFilePath());
        QVERIFY(QtDialogService::resolveHelpFile(QStringLiteral("Missing.HLP")).isEmpty());
        QDir::setCurrent(env.appDir());
        QCOMPARE(QtDialogService::resolveHelpFile(QStringLiteral("Spell.HLP")), QFileInfo(f).absoluteFilePath());
        QDir::setCurrent(old);
    }

    void helpWindowClosesByButtonAndEscape_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Close button") << false;
        QTest::newRow("Escape") << true;
    }
    void helpWindowClosesByButtonAndEscape()
    {
        QFETCH(bool, escape);
        TestEnv env;
        QFile f(env.appDir() + QStringLiteral("Spell.HLP"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<h1>Help</h1>");
        f.close();
        QtDialogService().showHelp(nullptr, f.fileName());
        QPointer<QWidget> help;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("HelpWindow") && w->isVisible())
                help = w;
        QVERIFY(help);
        if (escape) {
            QApplication::setActiveWindow(help);
            QVERIFY(QTest::qWaitForWindowActive(help));
            QTest::keyClick(help->focusWidget() ? help->focusWidget() : help.data(), Qt::Key_Escape);
        } else {
            help->findChild<QPushButton *>(QStringLiteral("btnClose"))->click();
        }
        TestUi::settle();
        QVERIFY(!help);
    }

    void twipsConvertAt96Dpi()
    {
        QCOMPARE(Twips::px(15), 1);
        QCOMPARE(Twips::px(6800), 453);
        QCOMPARE(Twips::px(-30000), -2000);
        QCOMPARE(Twips::rect(1440, -15, 3795, 1305), QRect(96, -1, 253, 87));
    }

    void randomIsRepeatableAndInRange()
    {
        Rnd::reset();
        QList<float> first;
        for (int i = 0; i < 100; ++i)
            first << Rnd::next();
        Rnd::reset();
        for (int i = 0; i < 100; ++i)
            QCOMPARE(Rnd::next(), first[i]);
        Rnd::seed(7);
        QList<int> counts(3, 0);
        for (int i = 0; i < 30000; ++i) {
            const float r = Rnd::next();
            QVERIFY(r >= 0.0f && r < 1.0f);
            const int p = Rnd::pick(3);
            QVERIFY(p >= 0 && p < 3);
            ++counts[p];
        }
        for (int c : counts)
            QVERIFY(c > 9000 && c < 11000);
        QCOMPARE(Rnd::pick(1), 0);
    }

    void appDirAlwaysEndsWithSeparator()
    {
        const QString was = ProgramFolder::path();
        ProgramFolder::fix(QStringLiteral("/opt/w"));
        QCOMPARE(ProgramFolder::path(), QStringLiteral("/opt/w/"));
        ProgramFolder::fix(QStringLiteral("/opt/w/"));
        QCOMPARE(ProgramFolder::path(), QStringLiteral("/opt/w/"));
        ProgramFolder::fix(was);
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
