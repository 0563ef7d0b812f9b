#include "arcade/startwords.h"

#include "arcade/gamerules.h"
#include "core/platform/appstate.h"
#include "core/platform/dialogs.h"

namespace Arcade
{

QStringList startWindowWords()
{
    return Shared::TestWords;
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
