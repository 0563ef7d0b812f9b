#include "shell/placeholder.h"

#include "core/layout.h"
#include "core/widgets.h"

#include <QPushButton>

PlaceholderForm::PlaceholderForm(const QString &name, std::function<void()> onClose)
    : Form(name), m_onClose(std::move(onClose))
{
    setWindowTitle(QStringLiteral("Wordaroo"));
    setFont(Fonts::sized(8.25));
    Twips::setClientSize(this, 5400, 1800);
    Ui::label(this, QStringLiteral("lblMessage"), QStringLiteral("This part of Wordaroo is not ready yet."), 240, 240,
              4920, 600)
        ->setFont(Fonts::sized(9.75, true));
    QPushButton *back = Ui::button(this, QStringLiteral("btnBack"), QStringLiteral("&Back"), 3600, 1080, 1560, 465);
    back->setDefault(true);
    connect(back, &QPushButton::clicked, this, &QWidget::close);
}

void PlaceholderForm::Form_Unload(bool &)
{
    if (m_onClose)
        m_onClose();
}

namespace Shell
{

Form *showOrPlaceholder(const QString &name, std::function<void()> onClose)
{
    if (Forms::hasFactory(name) || Forms::find(name))
        return Forms::show(name);
    auto *f = new PlaceholderForm(name, std::move(onClose));
    if (!Program::isEnding()) {
        f->show();
        f->raise();
        f->activateWindow();
    }
    return f;
}

} // namespace Shell
