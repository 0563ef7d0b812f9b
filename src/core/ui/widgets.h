#pragma once
#include "core/ui/layout.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QLineEdit;
class QListView;
class QListWidget;
class QTimer;
class QWidget;

// A picture control: an SVG from the resources drawn to its size, with a clicked
// signal (the professor, umbrellas, clouds...). Its tool-tip is its accessible name.
class Picture : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(Picture)
  public:
    Picture(const QString &name, const QString &svg, QWidget *parent);
    void setSvg(const QString &svg);
    QString svg() const { return m_svg; }

  Q_SIGNALS:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void render();
    QString m_svg;
};

// A push button that draws its picture (if any) centred above its caption, and wraps
// a caption too wide for one line, breaking first at a run of several blanks (a plain
// QPushButton puts the picture beside the caption and never wraps, which does not fit
// narrow buttons). It stays a QPushButton: text(), icon(), default-button and
// access-key behaviour are the same.
class IconButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(IconButton)
  public:
    IconButton(const QString &caption, const QString &svg, QWidget *parent);

  protected:
    void paintEvent(QPaintEvent *event) override;
};

// A check box whose caption wraps over the lines of its height, and which toggles on a
// click anywhere on it.
class WrappingCheckBox final : public QCheckBox
{
    Q_OBJECT
    Q_DISABLE_COPY(WrappingCheckBox)
  public:
    WrappingCheckBox(const QString &caption, QWidget *parent) : QCheckBox(caption, parent) {}

  protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// Controls made the same way in every window: named (objectName) and placed in twips,
// either as (left, top, width, height) or as a row of the window's geometry table.
// Buttons, labels and check boxes are read out by their live caption; lists, boxes
// and pictures get an accessible name (a window may give a better one). Labels show
// their text as plain text: a word or a test name from disk is shown as it is written,
// never as markup.
namespace Ui
{
QWidget *panel(QWidget *parent, const QString &name, const Twips::Box &at);
QPushButton *button(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at,
                    const QString &toolTip = {});
// A button showing a picture above its caption.
QPushButton *pictureButton(QWidget *parent, const QString &name, const QString &caption, const QString &svg,
                           const Twips::Box &at, const QString &toolTip = {});
QLabel *label(QWidget *parent, const QString &name, const QString &text, const Twips::Box &at);
QListWidget *list(QWidget *parent, const QString &name, const Twips::Box &at);
// A list that shows a model it does not own.
QListView *listView(QWidget *parent, const QString &name, QAbstractItemModel *model, const Twips::Box &at);
QLineEdit *textBox(QWidget *parent, const QString &name, const Twips::Box &at);
// A check box whose caption wraps when it is too wide.
QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at);
Picture *picture(QWidget *parent, const QString &name, const QString &svg, const Twips::Box &at,
                 const QString &toolTip = {});
// The professor picture with its tool-tip "Click on me for Help!".
Picture *professor(QWidget *parent, const QString &name, const Twips::Box &at);
// A button with a caption only, wrapped over several lines when it is too wide.
QPushButton *captionButton(QWidget *parent, const QString &name, const QString &caption, const Twips::Box &at,
                           const QString &toolTip = {});

// The same, placed by (left, top, width, height).
inline QWidget *panel(QWidget *parent, const QString &name, int left, int top, int width, int height)
{
    return panel(parent, name, {left, top, width, height});
}
inline QPushButton *button(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                           int height, const QString &toolTip = {})
{
    return button(parent, name, caption, {left, top, width, height}, toolTip);
}
inline QLabel *label(QWidget *parent, const QString &name, const QString &text, int left, int top, int width,
                     int height)
{
    return label(parent, name, text, {left, top, width, height});
}
inline QListWidget *list(QWidget *parent, const QString &name, int left, int top, int width, int height)
{
    return list(parent, name, {left, top, width, height});
}
inline QLineEdit *textBox(QWidget *parent, const QString &name, int left, int top, int width, int height)
{
    return textBox(parent, name, {left, top, width, height});
}
inline QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                           int height)
{
    return checkBox(parent, name, caption, {left, top, width, height});
}
inline Picture *picture(QWidget *parent, const QString &name, const QString &svg, int left, int top, int width,
                        int height, const QString &toolTip = {})
{
    return picture(parent, name, svg, {left, top, width, height}, toolTip);
}
inline Picture *professor(QWidget *parent, const QString &name, int left, int top, int width = 1830, int height = 2250)
{
    return professor(parent, name, {left, top, width, height});
}
inline QPushButton *captionButton(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                                  int width, int height, const QString &toolTip = {})
{
    return captionButton(parent, name, caption, {left, top, width, height}, toolTip);
}

// A named interval timer, not yet started. Precise, so short or one-shot intervals
// neither fire early nor drift.
QTimer *timer(QObject *parent, const QString &name, int ms, bool singleShot = false);
// Places a window in the middle of the screen.
void centreOnScreen(QWidget *window);
// A caption without its access-key marker ("&Help" -> "Help").
QString plainCaption(const QString &caption);

// A PNG picture read as PNG and nothing else (a reader left to guess asks every picture
// plugin first, which loads them all); a null image if it cannot be read.
QImage readPng(const QString &path);

// Calls `then` once, after the window's first frame has been drawn and what was queued
// before it has been handled, or after `latestMs` if the window is never drawn; never
// once the returned object is dropped.
std::unique_ptr<QObject> afterFirstFrame(QWidget *window, std::function<void()> then, int latestMs = 1000);
} // namespace Ui
