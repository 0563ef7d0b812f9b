#include "scripteddialogs.h"

MsgResult ScriptedDialogs::message(QWidget *, const QString &text, MsgButtons buttons, MsgIcon icon,
                                   const QString &title)
{
    const Box box{text, shownTitle(title), buttons, icon};
    boxes << box;
    if (onMessage)
        onMessage(box);
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return answers.isEmpty() ? MsgResult::No : answers.takeFirst();
}

QString ScriptedDialogs::input(QWidget *, const QString &prompt, const QString &title, const QString &)
{
    prompts << Box{prompt, shownTitle(title), MsgButtons::Ok, MsgIcon::None};
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void ScriptedDialogs::showHelp(QWidget *, const QString &file)
{
    helpOpened << file;
}
