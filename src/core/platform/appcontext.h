#pragma once
#include "core/platform/testlibrary.h"

#include <QString>
#include <QStringList>

class DialogService;
class ProgramHistory;
class SoundEngine;

// The program folder ("AppDir"), always ending in "/". It is fixed once when the program
// starts (App::run; a test's TestEnv fixes its temporary folder) and only read after
// that: by the context and by the services below the windows that must keep to it
// (settings, safe file writes, the file boxes, the sound devices).
namespace ProgramFolder
{
QString path();
// The folder of the running executable, with a trailing separator.
QString ofExecutable();
// Fixes the folder, appending the separator when it is missing.
void fix(const QString &folder);
} // namespace ProgramFolder

// The one application context: App::run makes it and hands it to every window factory,
// and the windows reach the program's services and the chosen test only through it.
// A window that opens another passes what the other needs in a typed request; it never
// leaves it here for the other to pick up.
class AppContext
{
    Q_DISABLE_COPY(AppContext)
  public:
    AppContext(SoundEngine *sound, DialogService *dialogs, ProgramHistory &history);

    // The program folder, fixed at start-up.
    const QString AppDir;
    // The sound engine and the dialog service installed for the program (the sound and
    // platform libraries reach them through Sound::engine() and dialogs()).
    SoundEngine *const sound;
    DialogService *const dialogs;
    // The program's history and the chosen child.
    ProgramHistory &history;
    // Says that test folders were made, changed or deleted.
    TestCatalogue catalogue;

    // The chosen test as the start window lists it ("Test_Animals"); empty: none.
    const QString &TestName() const { return m_testName; }
    // Its folder, AppDir + TestName + "/"; the authoring window points it at the test it
    // creates or edits.
    const QString &TestDir() const { return m_testDir; }
    // The chosen test's words as the start window lists them, in listing order; the
    // games start from them.
    const QStringList &TestWords() const { return m_testWords; }

    // The start window chooses a test (an empty name: none): TestName and TestDir; the
    // words stay as they were listed until setTestWords.
    void selectTest(const QString &name);
    // The same, with the words it lists.
    void selectTest(const QString &name, const QStringList &words);
    // The start window lists the chosen test's words.
    void setTestWords(const QStringList &words) { m_testWords = words; }
    // The authoring window works on the test in folder dir (with the trailing "/").
    void setTestDir(const QString &dir) { m_testDir = dir; }

  private:
    QString m_testName;
    QString m_testDir;
    QStringList m_testWords;
};
