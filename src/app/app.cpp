#include "app/app.h"

#include "arcade/register.h"
#include "authoring/register.h"
#include "core/platform/forms.h"
#include "core/sound/realengine.h"
#include "core/ui/layout.h"
#include "learning/register.h"
#include "shell/register.h"

#include <QApplication>
#include <QIcon>

namespace App
{
namespace
{
std::function<void(Form *)> &startObserver()
{
    static std::function<void(Form *)> observer;
    return observer;
}
} // namespace

void setStartObserver(std::function<void(Form *startWindow)> observer)
{
    startObserver() = std::move(observer);
}

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wordaroo"));
    QApplication::setApplicationVersion(QStringLiteral(WORDAROO_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/art/icon.svg")));
    QApplication::setFont(Fonts::sized(Fonts::DefaultPoints));

    RealSoundEngine sound;
    Sound::setEngine(&sound);

    Shell::registerWindows();
    Learning::registerWindows();
    Authoring::registerWindows();
    Arcade::registerWindows();

    Form *login = Forms::show(Windows::Login);
    if (!login)
        return 1;
    if (startObserver())
        startObserver()(login);
    const int code = QApplication::exec();
    Sound::setEngine(nullptr);
    return code;
}
} // namespace App
