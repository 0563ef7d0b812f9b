#pragma once
// Shared by the authoring window's tests: open it as the program does, drive it
// with the keyboard, and read its state.
#include "authoring/frmMaint.h"
#include "authoring/newnamepanel.h"
#include "authoring/optionspanel.h"
#include "authoring/recordpanel.h"
#include "authoring/register.h"
#include "authoring/reviewsoundpanel.h"
#include "authoring/selecttestpanel.h"
#include "authoring/startpanel.h"
#include "authoring/typewordpanel.h"
#include "authoring/wordlistpanel.h"
#include "authoring/wordlistspanel.h"
#include "core/platform/appcontext.h"
#include "core/ui/layout.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Maint
{

inline frmMaint *open()
{
    Authoring::registerWindows();
    auto *w = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
    QApplication::setActiveWindow(w);
    if (!QTest::qWaitForWindowActive(w))
        qWarning("frmMaint is not active");
    return w;
}

// Keys go to the focused control of the window, or to the window itself.
inline QWidget *keyTarget(QWidget *w)
{
    QWidget *f = QApplication::focusWidget();
    return f && f->window() == w ? f : w;
}
inline void enter(QWidget *w)
{
    QTest::keyClick(keyTarget(w), Qt::Key_Return);
}
inline void type(QWidget *w, const QString &text)
{
    QTest::keyClicks(keyTarget(w), text);
}

inline QString shownPanel(frmMaint *w)
{
    QStringList shown;
    for (QWidget *p :
         std::initializer_list<QWidget *>{w->pnlStart, w->pnlNewName, w->pnlSelectTest, w->pnlWordList, w->pnlTypeWord,
                                          w->pnlRecord, w->pnlReviewSound, w->pnlOptions, w->pnlWordLists})
        if (Panels::isShown(p))
            shown << p->objectName();
    return shown.join(u'+');
}

inline QString enterName(frmMaint *w)
{
    return w->enterButton() ? w->enterButton()->objectName() : QString();
}

inline QStringList items(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QString selected(QListWidget *list)
{
    return list->selectedItems().isEmpty() ? QString() : list->selectedItems().first()->text();
}

inline bool select(QListWidget *list, const QString &text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
    return !found.isEmpty();
}

// What a refused name must leave untouched: everything below the program folder,
// and the entries of its parent named with the marker "zqx" the test names carry.
inline QStringList snapshot(const QString &appDir)
{
    QStringList out;
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (QDirIterator it(appDir, filters, QDirIterator::Subdirectories); it.hasNext();)
        out << it.next();
    QDir parent(appDir);
    parent.cdUp();
    for (const QString &n : parent.entryList(filters))
        if (n.contains(u"zqx"_s))
            out << n;
    out.sort();
    return out;
}

inline void makeTest(frmMaint *w, const QString &name)
{
    w->pnlStart->btnMake_Click();
    w->pnlNewName->txtNewName->setText(name);
    w->pnlNewName->btnNewNext_Click();
}

// From pnlTypeWord: record a word and save it.
inline void recordWord(frmMaint *w, const QString &word)
{
    w->pnlTypeWord->txtWord->setText(word);
    w->pnlTypeWord->btnRecordWord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlReviewSound->btnSaveWord_Click();
}

} // namespace Maint
