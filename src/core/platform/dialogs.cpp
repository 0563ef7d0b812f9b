#include "core/platform/dialogs.h"

#include "core/platform/appcontext.h"
#include "core/platform/forms.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace
{
QtDialogService &realService()
{
    static QtDialogService service;
    return service;
}
DialogService *current = nullptr;
} // namespace

QString shownTitle(const QString &title)
{
    return title.isEmpty() ? ProgramTitle : title;
}

DialogService &dialogs()
{
    return current ? *current : realService();
}
void setDialogs(DialogService *service)
{
    current = service;
}

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title)
{
    // Once the program is ending no window of it may appear any more.
    if (Program::isEnding())
        return buttons == MsgButtons::Ok            ? MsgResult::Ok
               : buttons == MsgButtons::YesNoCancel ? MsgResult::Cancel
                                                    : MsgResult::No;
    return dialogs().message(QApplication::activeWindow(), text, buttons, icon, title);
}

QString PasswordBox(const QString &prompt, const QString &title)
{
    if (Program::isEnding())
        return {};
    return dialogs().password(QApplication::activeWindow(), prompt, title);
}

QString InputBox(const QString &prompt, const QString &title, const QString &def)
{
    if (Program::isEnding())
        return {};
    return dialogs().input(QApplication::activeWindow(), prompt, title, def);
}

QString SaveFileBox(const QString &title, const QString &start, const QString &filter)
{
    if (Program::isEnding())
        return {};
    return dialogs().saveFile(QApplication::activeWindow(), title, start, filter);
}

QString OpenFileBox(const QString &title, const QString &start, const QString &filter)
{
    if (Program::isEnding())
        return {};
    return dialogs().openFile(QApplication::activeWindow(), title, start, filter);
}

MsgResult QtDialogService::message(QWidget *parent, const QString &text, MsgButtons buttons, MsgIcon icon,
                                   const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(shownTitle(title));
    // Texts name words and tests from disk: shown as written, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    const int r = box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    if (r == QMessageBox::Yes)
        return MsgResult::Yes;
    return r == QMessageBox::Cancel ? MsgResult::Cancel : MsgResult::No;
}

namespace
{
QString askText(QWidget *parent, const QString &prompt, const QString &title, const QString &def,
                QLineEdit::EchoMode echo)
{
    QInputDialog box(parent);
    box.setWindowTitle(shownTitle(title));
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(echo);
    box.setLabelText(prompt);
    box.setTextValue(def);
    // The prompt is shown as written, like a message box's text.
    for (QLabel *label : box.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}
} // namespace

QString QtDialogService::input(QWidget *parent, const QString &prompt, const QString &title, const QString &def)
{
    return askText(parent, prompt, title, def, QLineEdit::Normal);
}

QString QtDialogService::password(QWidget *parent, const QString &prompt, const QString &title)
{
    return askText(parent, prompt, title, {}, QLineEdit::Password);
}

QString QtDialogService::resolveHelpFile(const QString &file)
{
    const QFileInfo here(QDir::current(), file);
    if (here.isFile())
        return here.absoluteFilePath();
    const QFileInfo inProgram(QDir(ProgramFolder::path()), file);
    if (inProgram.isFile())
        return inProgram.absoluteFilePath();
    return {};
}

void QtDialogService::showHelp(QWidget *parent, const QString &file)
{
    const QString path = resolveHelpFile(file);
    if (path.isEmpty()) {
        message(parent, QStringLiteral("Cannot find the help file \"%1\".").arg(file), MsgButtons::Ok,
                MsgIcon::Exclamation, QStringLiteral("Help"));
        return;
    }
    // One help window for the whole run, brought back to its contents on every request.
    // It closes by its Close button and by Escape, as well as by its frame.
    static QPointer<QWidget> window;
    static QPointer<QTextBrowser> viewer;
    if (!window) {
        window = new QWidget;
        window->setObjectName(QStringLiteral("HelpWindow"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Wordaroo Help"));
        viewer = new QTextBrowser(window);
        viewer->setObjectName(QStringLiteral("HelpViewer"));
        viewer->setOpenExternalLinks(false);
        auto *close = new QPushButton(QStringLiteral("Close"), window);
        close->setObjectName(QStringLiteral("btnClose"));
        QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
        auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
        auto *layout = new QVBoxLayout(window);
        layout->addWidget(viewer);
        layout->addWidget(close, 0, Qt::AlignRight);
        window->resize(640, 600);
    }
    viewer->setSearchPaths({QFileInfo(path).absolutePath()});
    viewer->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    window->show();
    window->raise();
    window->activateWindow();
}

QString QtDialogService::saveFile(QWidget *parent, const QString &title, const QString &start, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, shownTitle(title), start, filter);
}

QString QtDialogService::openFile(QWidget *parent, const QString &title, const QString &start, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, shownTitle(title), start, filter);
}
