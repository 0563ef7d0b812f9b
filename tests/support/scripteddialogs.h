#pragma once
#include "core/platform/dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// A scripted answerer for tests: records every box and answers from queues.
class ScriptedDialogs final : public DialogService
{
  public:
    struct Box {
        QString text;
        QString title; // as shown (empty titles become "Wordaroo")
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
    };
    QList<Box> boxes;            // every message box shown, in order
    QList<MsgResult> answers;    // answers to Yes/No boxes; No (Cancel where offered) when empty
    QList<Box> prompts;          // every input box (text = prompt)
    QList<QString> inputAnswers; // answers to input boxes; "" (Cancel) when empty
    QStringList helpOpened;      // help files asked for
    QList<Box> files;            // every file chooser (text = its start, icon unused)
    QStringList fileAnswers;     // chosen files, in order; "" (Cancel) when empty
    // Called while a box is "open", so tests can check what happens during it.
    std::function<void(const Box &)> onMessage;

    MsgResult message(QWidget *parent, const QString &text, MsgButtons buttons, MsgIcon icon,
                      const QString &title) override;
    QString input(QWidget *parent, const QString &prompt, const QString &title, const QString &def) override;
    void showHelp(QWidget *parent, const QString &file) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) override;
    QString openFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) override;
};
