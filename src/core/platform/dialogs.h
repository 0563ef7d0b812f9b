#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Message boxes, the text input box and the help viewer, behind one injectable
// service: the program shows real Qt dialogs, tests answer them from a script.
enum class MsgIcon { None, Information, Question, Critical, Exclamation };
enum class MsgButtons {
    Ok,
    YesNo,          // Yes is the default button
    YesNoDefaultNo, // No is the default button: before something that cannot be undone
    YesNoCancel,    // Yes is the default button; Escape answers Cancel
};
enum class MsgResult { Ok, Yes, No, Cancel };

class DialogService
{
  public:
    virtual ~DialogService() = default;
    // A title left empty shows the program's title, "Wordaroo".
    virtual MsgResult message(QWidget *parent, const QString &text, MsgButtons buttons, MsgIcon icon,
                              const QString &title) = 0;
    // An ordinary (unmasked) text prompt; Cancel yields the empty text.
    virtual QString input(QWidget *parent, const QString &prompt, const QString &title, const QString &def) = 0;
    // A prompt whose answer is not shown as it is typed (a password); Cancel yields the
    // empty text. A service without one asks as input() does.
    virtual QString password(QWidget *parent, const QString &prompt, const QString &title)
    {
        return input(parent, prompt, title, {});
    }
    // Opens a help file at its contents page.
    virtual void showHelp(QWidget *parent, const QString &file) = 0;
    // A file chooser: Save asks for a new or existing file (start: the suggested file),
    // Open for an existing one (start: a folder). filter is as Qt writes it
    // ("Shared tests (*.wordaroo)"). Cancel yields the empty text.
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) = 0;
    virtual QString openFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) = 0;
};

inline const QString ProgramTitle = QStringLiteral("Wordaroo");
// The title a box shows: its own, or the program's when it has none.
QString shownTitle(const QString &title);

// The service the program uses now (the real one unless a test installed another).
DialogService &dialogs();
void setDialogs(DialogService *service); // nullptr restores the real service

// Shorthands used by every window.
MsgResult MsgBox(const QString &text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                 const QString &title = {});
QString InputBox(const QString &prompt, const QString &title = {}, const QString &def = {});
QString PasswordBox(const QString &prompt, const QString &title = {});
QString SaveFileBox(const QString &title, const QString &start, const QString &filter);
QString OpenFileBox(const QString &title, const QString &start, const QString &filter);

// The real service: QMessageBox, QInputDialog and a help window.
class QtDialogService final : public DialogService
{
  public:
    MsgResult message(QWidget *parent, const QString &text, MsgButtons buttons, MsgIcon icon,
                      const QString &title) override;
    QString input(QWidget *parent, const QString &prompt, const QString &title, const QString &def) override;
    QString password(QWidget *parent, const QString &prompt, const QString &title) override;
    void showHelp(QWidget *parent, const QString &file) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) override;
    QString openFile(QWidget *parent, const QString &title, const QString &start, const QString &filter) override;
    // Where a bare help file name is found: the current folder, then the program folder.
    static QString resolveHelpFile(const QString &file);
};
