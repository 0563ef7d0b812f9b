#include "shell/register.h"

#include "core/forms.h"

#include <QLabel>
#include <QVBoxLayout>

namespace Shell {
void registerWindows()
{
    // Until the start window exists: a minimal window that ends the program when closed.
    Forms::registerFactory(QStringLiteral("frmLogin"), [] {
        auto *f = new Form(QStringLiteral("frmLogin"));
        f->setWindowTitle(QStringLiteral("Wordaroo"));
        auto *l = new QVBoxLayout(f);
        l->addWidget(new QLabel(QStringLiteral("Welcome Wordaroo"), f));
        QObject::connect(f, &QObject::destroyed, [] { Program::end(0); });
        return f;
    });
}
} // namespace Shell
