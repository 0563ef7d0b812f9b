#include "arcade/startwords.h"

#include "arcade/gamerules.h"
#include "core/dialogs.h"
#include "core/forms.h"

#include <QListWidget>

namespace Arcade
{

QStringList startWindowWords()
{
    QStringList words;
    Form *login = Forms::find(QStringLiteral("frmLogin"));
    const QListWidget *list = login ? login->findChild<QListWidget *>(QStringLiteral("lstWords")) : nullptr;
    if (!list)
        return words;
    words.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        words << list->item(i)->text();
    return words;
}

bool startWordsPlayable()
{
    if (hasPlayableWord(startWindowWords()))
        return true;
    MsgBox(QStringLiteral("This test has no words yet, so there is nothing to play.\n"
                          "Please choose a test with words."),
           MsgButtons::Ok, MsgIcon::Information);
    return false;
}

} // namespace Arcade
