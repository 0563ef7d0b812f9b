#pragma once
#include <QPushButton>

// A push button that draws its picture centred above its caption (a plain
// QPushButton puts it beside the caption, which does not fit narrow buttons).
// It stays a QPushButton: text(), default-button and access-key behaviour are the same.
class IconButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(IconButton)
public:
    IconButton(const QString &caption, const QString &svg, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

namespace Shell {
// Like Ui::button, with the picture above the caption.
IconButton *iconButton(QWidget *parent, const QString &name, const QString &caption, const QString &svg, int left,
                       int top, int width, int height, const QString &toolTip);
} // namespace Shell
