#include "authoring/newnamepanel.h"

#include "authoring/authoringsession.h"
#include "authoring/selecttestpanel.h"
#include "authoring/testfiles.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlNewName{0, 0, 5430, 3870};
constexpr Twips::Box Label3{465, 60, 4815, 675};
constexpr Twips::Box txtNewName{435, 750, 4800, 465};
constexpr Twips::Box btnNewNext{3870, 3000, 1440, 420};

constexpr double ButtonPoints = 9.75; // bold
constexpr double PromptPoints = 12;
} // namespace At
} // namespace

NewNamePanel::NewNamePanel(SoundForm *window, AuthoringSession *session, SelectTestPanel *tests, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlNewName"), At::pnlNewName), m_tests(tests)
{
    const QFont promptFont = Fonts::sized(At::PromptPoints);
    Label3 = Ui::label(this, QStringLiteral("Label3"),
                       QStringLiteral("Please type the new test name below and then press ENTER"), At::Label3);
    Label3->setFont(promptFont);
    txtNewName = Ui::textBox(this, QStringLiteral("txtNewName"), At::txtNewName);
    txtNewName->setAccessibleName(QStringLiteral("New test name"));
    txtNewName->setFont(promptFont);
    btnNewNext = Ui::button(this, QStringLiteral("btnNewNext"), QStringLiteral("Next"), At::btnNewNext);
    btnNewNext->setFont(Fonts::sized(At::ButtonPoints, true));
    connect(btnNewNext, &QPushButton::clicked, this, &NewNamePanel::btnNewNext_Click);
}

QWidget *NewNamePanel::focusOnShow() const
{
    return txtNewName;
}

void NewNamePanel::btnNewNext_Click()
{
    const QString name = TestFiles::trimBlanks(txtNewName->text());
    const QStringList listed = m_tests->listedTests();

    if (const QString why = TestFiles::reservedNameReason(name); !why.isEmpty()) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const QString folder = TestLibrary::TestPrefix + name;
    const TestFiles::Check check = TestFiles::checkTestName(ctx().AppDir, name, listed);
    switch (check.verdict) {
    case TestFiles::Verdict::Empty:
        MsgBox(QStringLiteral("A test name is required for creating a new spelling test."), MsgButtons::Ok,
               MsgIcon::Information);
        return;
    case TestFiles::Verdict::Listed:
        MsgBox(QStringLiteral("The test: ") + name + QStringLiteral(" already exists.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::Unsafe:
        MsgBox(QStringLiteral("The test name \"") + TestFiles::printable(name) +
                   QStringLiteral("\" cannot be used.\n") + check.reason +
                   QStringLiteral("\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::OnDisk:
        MsgBox(QStringLiteral("The program folder already holds \"") + folder +
                   QStringLiteral("\", which is not listed as a test.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    case TestFiles::Verdict::Ok:
        break;
    }

    const QString path = ctx().AppDir + folder;
    if (!QDir(ctx().AppDir).mkdir(folder)) {
        MsgBox(QStringLiteral("The test \"") + name +
                   QStringLiteral("\" could not be created in the program folder.\nPlease try a different name."),
               MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    ctx().setTestDir(path + QLatin1Char('/'));
    session().setTest(folder);
    m_tests->addTest(folder);
    Q_EMIT testMade();
    Q_EMIT switchTo(MaintPage::TypeWord);
}
