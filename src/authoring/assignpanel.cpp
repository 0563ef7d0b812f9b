#include "authoring/assignpanel.h"

#include "authoring/classteacher.h"
#include "classroom/classtests.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlAssign{0, 30, 5700, 3315};
constexpr Twips::Box lblAssignTest{120, 180, 1000, 255};
constexpr Twips::Box cboAssignTest{1140, 120, 4440, 360};
constexpr Twips::Box lblAssignChildren{120, 600, 1900, 255};
constexpr Twips::Box lstAssignChildren{120, 870, 1900, 1920};
constexpr Twips::Box lblDue{2160, 600, 1200, 255};
constexpr Twips::Box calDue{2160, 870, 3420, 1920};
constexpr Twips::Box btnAssignOK{4200, 2900, 1380, 360};
constexpr Twips::Box btnCancelAssign{2700, 2900, 1380, 360};
} // namespace At
} // namespace

AssignPanel::AssignPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlAssign"), At::pnlAssign)
{
    lblAssignTest = Ui::label(this, QStringLiteral("lblAssignTest"), QStringLiteral("Class test:"), At::lblAssignTest);
    cboAssignTest = new QComboBox(this);
    cboAssignTest->setObjectName(QStringLiteral("cboAssignTest"));
    cboAssignTest->setAccessibleName(QStringLiteral("Class test"));
    Twips::place(cboAssignTest, At::cboAssignTest);
    lblAssignTest->setBuddy(cboAssignTest);
    lblAssignChildren =
        Ui::label(this, QStringLiteral("lblAssignChildren"), QStringLiteral("Children:"), At::lblAssignChildren);
    lstAssignChildren = Ui::list(this, QStringLiteral("lstAssignChildren"), At::lstAssignChildren);
    lstAssignChildren->setAccessibleName(QStringLiteral("Children"));
    lblAssignChildren->setBuddy(lstAssignChildren);
    lblDue = Ui::label(this, QStringLiteral("lblDue"), QStringLiteral("Due:"), At::lblDue);
    calDue = new QCalendarWidget(this);
    calDue->setObjectName(QStringLiteral("calDue"));
    calDue->setAccessibleName(QStringLiteral("Due"));
    calDue->setGridVisible(false);
    calDue->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Twips::place(calDue, At::calDue);
    lblDue->setBuddy(calDue);
    btnAssignOK = Ui::button(this, QStringLiteral("btnAssignOK"), QStringLiteral("Assign"), At::btnAssignOK);
    btnCancelAssign =
        Ui::button(this, QStringLiteral("btnCancelAssign"), QStringLiteral("Cancel"), At::btnCancelAssign);

    connect(btnAssignOK, &QPushButton::clicked, this, &AssignPanel::btnAssignOK_Click);
    connect(btnCancelAssign, &QPushButton::clicked, this, &AssignPanel::btnCancelAssign_Click);
}

QWidget *AssignPanel::focusOnShow() const
{
    return cboAssignTest;
}

void AssignPanel::reload()
{
    cboAssignTest->clear();
    lstAssignChildren->clear();
    calDue->setMinimumDate(ctx().history.today());
    calDue->setSelectedDate(ctx().history.today().addDays(7));
    ClassTests::Catalogue found;
    const bool read = ClassTeacher::act(form(), ctx(), QStringLiteral("Assign"),
                                        QStringLiteral("The class's tests cannot be read now: "),
                                        [&found](const ClassSettings &s, const QString &password) {
                                            found = ClassTests::catalogue(s, password);
                                            return found.why;
                                        });
    if (read && found.tests.isEmpty())
        MsgBox(QStringLiteral("No test is published to the class yet: publish one first."), MsgButtons::Ok,
               MsgIcon::Information, QStringLiteral("Assign"));
    if (!read || found.tests.isEmpty()) {
        // Back to the test list once this panel has been shown.
        QTimer::singleShot(0, this, [this] { Q_EMIT switchTo(MaintPage::SelectTest); });
        return;
    }
    cboAssignTest->addItems(found.tests);
    for (const QString &child : found.children) {
        auto *item = new QListWidgetItem(child, lstAssignChildren);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

QStringList AssignPanel::chosenChildren() const
{
    QStringList out;
    for (int i = 0; i < lstAssignChildren->count(); ++i) {
        if (lstAssignChildren->item(i)->checkState() == Qt::Checked)
            out << lstAssignChildren->item(i)->text();
    }
    return out;
}

void AssignPanel::btnAssignOK_Click()
{
    const QString test = cboAssignTest->currentText();
    const QStringList children = chosenChildren();
    const QDate due = calDue->selectedDate();
    const QString title = QStringLiteral("Assign");
    if (test.isEmpty() || children.isEmpty()) {
        MsgBox(QStringLiteral("Please choose a class test and at least one child."), MsgButtons::Ok,
               MsgIcon::Information, title);
        return;
    }
    if (!ClassTeacher::act(form(), ctx(), title, QStringLiteral("The test was not assigned now: "),
                           [=](const ClassSettings &s, const QString &password) {
                               return ClassTests::assign(s, password, test, children, due);
                           }))
        return;
    Q_EMIT switchTo(MaintPage::SelectTest);
}

void AssignPanel::btnCancelAssign_Click()
{
    Q_EMIT switchTo(MaintPage::SelectTest);
}
