#include "authoring/classserverpanel.h"

#include "classroom/classdb.h"
#include "classroom/classroom.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"

#include <QFile>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlClassServer{0, 0, 5340, 3300};
constexpr int LabelLeft = 180, LabelWidth = 1200, BoxLeft = 1440, BoxWidth = 3600, RowHeight = 360, RowStep = 420;
constexpr Twips::Box label(int row)
{
    return {LabelLeft, 180 + row * RowStep + 60, LabelWidth, 255};
}
constexpr Twips::Box box(int row)
{
    return {BoxLeft, 180 + row * RowStep, BoxWidth, RowHeight};
}
constexpr Twips::Box btnConnect{3540, 2460, 1500, 600};
constexpr Twips::Box btnDisconnect{1920, 2460, 1500, 600};
constexpr Twips::Box btnCancelClass{300, 2460, 1500, 600};
} // namespace At
} // namespace

ClassServerPanel::ClassServerPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlClassServer"), At::pnlClassServer)
{
    const auto row = [this](int n, const char *label, const char *box, const char *caption, QLabel *&l, QLineEdit *&t) {
        l = Ui::label(this, QLatin1StringView(label), QLatin1StringView(caption), At::label(n));
        t = Ui::textBox(this, QLatin1StringView(box), At::box(n));
        t->setAccessibleName(QString(QLatin1StringView(caption)).chopped(1));
        l->setBuddy(t);
    };
    row(0, "lblServer", "txtServer", "Server:", lblServer, txtServer);
    row(1, "lblPort", "txtPort", "Port:", lblPort, txtPort);
    row(2, "lblDatabase", "txtDatabase", "Database:", lblDatabase, txtDatabase);
    row(3, "lblUser", "txtUser", "User:", lblUser, txtUser);
    row(4, "lblClassPassword", "txtClassPassword", "Password:", lblClassPassword, txtClassPassword);
    txtPort->setValidator(new QIntValidator(1, 65535, txtPort));
    txtClassPassword->setEchoMode(QLineEdit::Password);
    btnConnect = Ui::button(this, QStringLiteral("btnConnect"), QStringLiteral("Connect"), At::btnConnect);
    btnDisconnect = Ui::button(this, QStringLiteral("btnDisconnect"), QStringLiteral("Disconnect"), At::btnDisconnect);
    btnCancelClass = Ui::button(this, QStringLiteral("btnCancelClass"), QStringLiteral("Cancel"), At::btnCancelClass);
    enterOnlyPressesEnterButton();

    connect(btnConnect, &QPushButton::clicked, this, &ClassServerPanel::btnConnect_Click);
    connect(btnDisconnect, &QPushButton::clicked, this, &ClassServerPanel::btnDisconnect_Click);
    connect(btnCancelClass, &QPushButton::clicked, this, &ClassServerPanel::btnCancelClass_Click);
}

QWidget *ClassServerPanel::focusOnShow() const
{
    return txtServer;
}

void ClassServerPanel::reload()
{
    const auto *classroom = dynamic_cast<const Classroom *>(ctx().history.classLink());
    const ClassSettings s = classroom ? classroom->settings() : ClassSettings();
    txtServer->setText(s.server);
    txtPort->setText(QString::number(s.port));
    txtDatabase->setText(s.database);
    txtUser->setText(s.user.isEmpty() ? QLatin1StringView(ClassSettings::PupilRole) : s.user);
    txtClassPassword->setText(s.password);
    btnDisconnect->setEnabled(classroom != nullptr);
}

void ClassServerPanel::btnConnect_Click()
{
    ClassSettings s;
    s.server = txtServer->text().trimmed();
    s.port = txtPort->text().toInt();
    s.database = txtDatabase->text().trimmed();
    s.user = txtUser->text().trimmed();
    s.password = txtClassPassword->text();
    if (const auto *now = dynamic_cast<const Classroom *>(ctx().history.classLink()))
        s.sslMode = now->settings().sslMode;
    // The connection line the set-up printed may be pasted whole, its sslmode with it.
    if (s.server.startsWith(QStringLiteral("postgres"))) {
        QString extra, why;
        s = ClassDb::fromUrl(s.server, &extra, &why);
        if (!why.isEmpty()) {
            MsgBox(QStringLiteral("Could not reach the class server: ") + why, MsgButtons::Ok, MsgIcon::Exclamation);
            return;
        }
    }
    if (s.server.isEmpty() || s.database.isEmpty() || s.port <= 0) {
        MsgBox(QStringLiteral("Could not reach the class server: please type the server, port and database."),
               MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    // The driver's own limit, with a little to spare for the thread to report back.
    QString why = Classroom::runWaiting(
        form(), [s] { return Classroom::tryConnection(s); }, (Classroom::ConnectSeconds + 1) * 1000);
    if (!form()->alive())
        return;
    if (why.isEmpty() && !s.save(ctx().AppDir, &why))
        why = why.isEmpty() ? QStringLiteral("class.ini cannot be written.") : why;
    if (!why.isEmpty()) {
        MsgBox(QStringLiteral("Could not reach the class server: ") + why, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    Classroom::join(ctx(), s);
    MsgBox(QStringLiteral("Connected to the class ") + s.database + QStringLiteral(" on ") + s.server +
               QLatin1Char('.'),
           MsgButtons::Ok, MsgIcon::Information);
    Q_EMIT ctx().catalogue.changed();
    Q_EMIT switchTo(MaintPage::Options);
}

void ClassServerPanel::btnDisconnect_Click()
{
    QString why;
    if (!ClassSettings::remove(ctx().AppDir, &why)) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    QFile::remove(ctx().AppDir + QLatin1StringView(Classroom::RosterFile));
    Classroom::join(ctx(), ClassSettings());
    Q_EMIT ctx().catalogue.changed();
    Q_EMIT switchTo(MaintPage::Options);
}

void ClassServerPanel::btnCancelClass_Click()
{
    Q_EMIT switchTo(MaintPage::Options);
}
