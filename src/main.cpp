// Wordaroo: a spelling game for children. Builds the program-wide services and
// opens the start window; every window after that is opened by another.
#include "arcade/register.h"
#include "authoring/register.h"
#include "core/platform/appstate.h"
#include "core/platform/forms.h"
#include "core/sound/realengine.h"
#include "core/ui/layout.h"
#include "learning/register.h"
#include "shell/register.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wordaroo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/art/icon.svg")));
    QApplication::setFont(Fonts::sized(8.25));

    RealSoundEngine sound;
    Sound::setEngine(&sound);

    Shell::registerWindows();
    Learning::registerWindows();
    Authoring::registerWindows();
    Arcade::registerWindows();

    if (!Forms::show(Windows::Login))
        return 1;
    const int code = QApplication::exec();
    Sound::setEngine(nullptr);
    return code;
}
