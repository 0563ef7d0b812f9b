#include "arcade/startwords.h"

#include "arcade/gamerules.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/ui/layout.h"

namespace Arcade
{

QStringList startWindowWords(const AppContext &context)
{
    return context.TestWords();
}

bool startWordsPlayable(const AppContext &context)
{
    if (hasPlayableWord(startWindowWords(context)))
        return true;
    MsgBox(QStringLiteral("This test has no words yet, so there is nothing to play.\n"
                          "Please choose a test with words."),
           MsgButtons::Ok, MsgIcon::Information);
    return false;
}

QFont scoreFont()
{
    return Fonts::font(QStringLiteral("Wide Latin"), 14.25);
}

} // namespace Arcade
