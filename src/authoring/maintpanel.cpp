#include "authoring/maintpanel.h"

#include "authoring/authoringsession.h"

#include "core/ui/layout.h"
#include "core/ui/soundform.h"

#include <QListWidget>

MaintPanel::MaintPanel(SoundForm *window, AuthoringSession *session, QWidget *parent, const QString &name,
                       const Twips::Box &at)
    : QWidget(parent), m_window(window), m_session(session)
{
    setObjectName(name);
    Twips::place(this, at);
}

MMControl &MaintPanel::device() const
{
    return *m_window->MMControl1;
}

bool MaintPanel::selectedText(QListWidget *list, QString &text)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    if (items.isEmpty())
        return false;
    text = items.first()->text();
    return true;
}

QStringList MaintPanel::entries(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QString MaintArt::path(const char *name)
{
    return QStringLiteral(":/art/") + QLatin1String(name) + QStringLiteral(".svg");
}

AppContext &MaintPanel::ctx() const
{
    return m_session->context();
}
