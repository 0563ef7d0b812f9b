#pragma once
// Shared by the authoring window's tests: open the window the way the program does
// and drive it with the keyboard and mouse.
#include "authoring/frmMaint.h"
#include "authoring/register.h"
#include "core/forms.h"
#include "core/layout.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace Maint {

inline frmMaint *open()
{
    Authoring::registerWindows();
    auto *w = qobject_cast<frmMaint *>(Forms::show(QStringLiteral("frmMaint")));
    if (w) {
        QApplication::setActiveWindow(w);
        if (!QTest::qWaitForWindowActive(w))
            qWarning("frmMaint did not become active");
    }
    return w;
}

// Keys go where the keyboard sends them: to the focused control of the window, or
// to the window itself when nothing in it has the focus.
inline QWidget *keyTarget(QWidget *w)
{
    QWidget *f = QApplication::focusWidget();
    return f && f->window() == w ? f : w;
}

inline void enter(QWidget *w) { QTest::keyClick(keyTarget(w), Qt::Key_Return); }
inline void type(QWidget *w, const QString &text) { QTest::keyClicks(keyTarget(w), text); }

// The one panel on screen, by name.
inline QString shownPanel(frmMaint *w)
{
    QStringList shown;
    for (QWidget *p : {w->pnlStart, w->pnlNewName, w->pnlSelectTest, w->pnlWordList, w->pnlTypeWord, w->pnlRecord,
                       w->pnlReviewSound, w->pnlOptions})
        if (Panels::isShown(p))
            shown << p->objectName();
    return shown.join(QLatin1Char('+'));
}

inline QString enterName(frmMaint *w)
{
    QPushButton *b = w->enterButton();
    return b ? b->objectName() : QString();
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
    const auto sel = list->selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

inline bool select(QListWidget *list, const QString &text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    list->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
    return true;
}

// What a refused name must leave untouched: everything below the program folder,
// and the entries of its parent whose names carry the marker the test names use.
inline const QString Marker = QStringLiteral("zqx");
inline QStringList snapshot(const QString &appDir)
{
    QStringList out;
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QDirIterator it(appDir, filters, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    QDir parent(appDir);
    parent.cdUp();
    for (const QString &n : parent.entryList(filters))
        if (n.contains(Marker))
            out << QStringLiteral("parent:") + n;
    out.sort();
    return out;
}

// New test by the handlers: Make, name, Next.
inline void makeTest(frmMaint *w, const QString &name)
{
    w->btnMake_Click();
    w->txtNewName->setText(name);
    w->btnNewNext_Click();
}

// From pnlTypeWord: type a word, record, stop, save.
inline void recordWord(frmMaint *w, const QString &word)
{
    w->txtWord->setText(word);
    w->btnRecordWord_Click();
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    w->btnSaveWord_Click();
}

} // namespace Maint
