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
    if (answers.isEmpty())
        return buttons == MsgButtons::YesNoCancel ? MsgResult::Cancel : MsgResult::No;
    return answers.takeFirst();
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

QString ScriptedDialogs::saveFile(QWidget *, const QString &title, const QString &start, const QString &)
{
    files << Box{start, shownTitle(title), MsgButtons::Ok, MsgIcon::None};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedDialogs::openFile(QWidget *parent, const QString &title, const QString &start, const QString &filter)
{
    return saveFile(parent, title, start, filter);
}
