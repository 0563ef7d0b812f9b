#pragma once
#include <QProxyStyle>

// The program's style: the desktop's own, except that the pictures of a tool bar's
// extension button are read when the button is first drawn. A menu bar asks for that
// button's icon as soon as it is made, though the button shows only when the bar is
// too narrow for its menus; reading the icon's pictures by their content loads every
// picture-format plugin (and the JPEG library), which would delay the start window.
class ProgramStyle final : public QProxyStyle
{
    Q_OBJECT
    Q_DISABLE_COPY(ProgramStyle)
  public:
    ProgramStyle() = default;

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
