#pragma once
#include <QString>

// The program's windows by name. Windows are created, found and shown through these
// ids; a window's objectName is its name below.
namespace Windows
{
enum Id { Login, Back, Choice, Test, Review, Maint, ArcadeSelect, Rain, Scramble, Practice };

inline QString name(Id id)
{
    switch (id) {
    case Login:
        return QStringLiteral("frmLogin");
    case Back:
        return QStringLiteral("frmBack");
    case Choice:
        return QStringLiteral("frmChoice");
    case Test:
        return QStringLiteral("frmTest");
    case Review:
        return QStringLiteral("frmReview");
    case Maint:
        return QStringLiteral("frmMaint");
    case ArcadeSelect:
        return QStringLiteral("frmArcadeSelect");
    case Rain:
        return QStringLiteral("frmRain");
    case Scramble:
        return QStringLiteral("frmScramble");
    case Practice:
        return QStringLiteral("frmPractice");
    }
    return {};
}
} // namespace Windows
