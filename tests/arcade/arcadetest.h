#pragma once
// What the arcade tests share: a selected test whose words the games read, and the
// windows registered by name.
#include "arcade/register.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/ui/layout.h"
#include "testsupport.h"

// A test world with a selected test of these words (recordings on disk) and the
// arcade windows registered; the activity menu is a named stand-in.
struct ArcadeWorld {
    TestEnv env;
    explicit ArcadeWorld(const QStringList &words, bool withRecordings = true)
    {
        Arcade::registerWindows();
        Forms::registerFactory(Windows::Choice, [] { return new Form(Windows::Choice); });
        env.makePrompts();
        if (withRecordings)
            env.makeTest(QStringLiteral("Test_Words"), words);
        env.context.selectTest(QStringLiteral("Test_Words"), words);
    }
    // Messages shown so far, as text.
    QStringList messages() const
    {
        QStringList out;
        for (const ScriptedDialogs::Box &b : env.dialogs.boxes)
            out << b.text;
        return out;
    }
};
