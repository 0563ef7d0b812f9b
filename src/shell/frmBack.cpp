#include "shell/frmBack.h"

#include "core/ui/backdrop.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

frmBack::frmBack(QWidget *parent) : Form(Windows::Back, parent)
{
    setWindowTitle(Caption);
    // Borderless, and kept below the program's other windows where a window manager
    // honours it.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
    const QColor navy(0, 0, 128);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, navy);
    setPalette(pal);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    Form_Load();
    // The window system fills it where it can, so the program never paints and sends
    // a screen-sized picture of one colour (at start-up, before the start window).
    Backdrop::fillByWindowSystem(this, navy);
}

void frmBack::Form_Load()
{
    // Without a window manager (a bare X server) maximizing does nothing, so the
    // window is also given the whole screen itself.
    if (QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen())
        setGeometry(s->geometry());
    else
        move(0, 0);
    setWindowState(Qt::WindowMaximized);
}

Form *frmBack::handBackTarget() const
{
    for (Form *f : Forms::loaded()) {
        if (f->windowTitle() == windowTitle())
            continue;
        if (f->isVisible())
            return f;
    }
    return nullptr;
}

void frmBack::handBack()
{
    if (Program::isEnding())
        return;
    if (Form *target = handBackTarget()) {
        target->raise();
        target->activateWindow();
    }
}

void frmBack::Form_Activate()
{
    handBack();
}
void frmBack::Form_Click()
{
    handBack();
}
void frmBack::Form_GotFocus()
{
    handBack();
}

void frmBack::changeEvent(QEvent *event)
{
    Form::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmBack::mousePressEvent(QMouseEvent *event)
{
    Form::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        Form_Click();
}

void frmBack::focusInEvent(QFocusEvent *event)
{
    Form::focusInEvent(event);
    Form_GotFocus();
}

void frmBack::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    // Whoever shows it brings it to the front; send it back behind the others.
    QTimer::singleShot(0, this, [this] { lower(); });
}
