#pragma once
#include "core/platform/appcontext.h"
#include "history/programhistory.h"
#include "scripteddialogs.h"
#include "testengine.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QWidget;
class QAbstractButton;

// One test's world: a fresh temporary program folder as AppDir, the scripted
// dialog service, the test sound engine, a history without a store (a test installs
// one), the application context made of them and handed to every window factory, a
// fixed random state, and a program end that is recorded instead of quitting.
// Destroying it closes every window.
class TestEnv
{
    QTemporaryDir m_dir; // first: the program folder the context is made on

  public:
    TestEnv();
    ~TestEnv();

    QString appDir() const; // with the trailing "/"
    // Makes AppDir + folder with one valid wave file per word ("<word>.wav"), in order.
    QString makeTest(const QString &folder, const QStringList &words);
    // Writes a valid 16-bit mono wave file of the given length.
    static void writeWave(const QString &path, int ms = 100, int rate = 22050);
    // Every prompt file of the program, as short wave files in AppDir.
    void makePrompts();
    static QStringList promptFiles();

    ScriptedDialogs dialogs;
    TestSoundEngine sound;
    ProgramHistory history;
    AppContext context;
    bool ended = false;
    int exitCode = -1;

  private:
    static QString fixFolder(const QTemporaryDir &dir);
};

namespace TestUi
{
// Every loaded window is closed and deleted (between test cases).
void closeAllWindows();
// A child of a window by objectName; fails the test when missing.
template <typename T> T *child(QWidget *window, const QString &name);
// Presses a key on a widget, the way the keyboard does.
void key(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
// Clicks a button with the mouse.
void click(QAbstractButton *button);
// Runs the event loop briefly (deferred deletes included).
void settle(int ms = 0);
} // namespace TestUi

#include <QTest>
#include <QWidget>

template <typename T> T *TestUi::child(QWidget *window, const QString &name)
{
    T *c = window ? window->findChild<T *>(name) : nullptr;
    if (!c)
        qWarning("no child %s", qPrintable(name));
    return c;
}
