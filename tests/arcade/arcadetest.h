#pragma once
// What the arcade tests share: a stand-in start window holding the word list the
// games read in place, and the windows registered by name.
#include "arcade/register.h"
#include "core/appstate.h"
#include "core/forms.h"
#include "core/layout.h"
#include "testsupport.h"

#include <QListWidget>

// The start window as the games see it: a loaded window "frmLogin" with "lstWords".
class StubLogin : public Form
{
  public:
    explicit StubLogin(const QStringList &words) : Form(QStringLiteral("frmLogin"))
    {
        lstWords = new QListWidget(this);
        lstWords->setObjectName(QStringLiteral("lstWords"));
        lstWords->addItems(words);
    }
    QListWidget *lstWords;
};

// A test world with a selected test of these words (recordings on disk) and the
// arcade windows registered; the activity menu is a named stand-in.
struct ArcadeWorld {
    TestEnv env;
    StubLogin *login = nullptr;
    explicit ArcadeWorld(const QStringList &words, bool withRecordings = true)
    {
        Arcade::registerWindows();
        Forms::registerFactory(QStringLiteral("frmChoice"), [] { return new Form(QStringLiteral("frmChoice")); });
        env.makePrompts();
        Shared::TestName = QStringLiteral("Test_Words");
        Shared::TestDir =
            withRecordings ? env.makeTest(Shared::TestName, words) : env.appDir() + Shared::TestName + QLatin1Char('/');
        login = new StubLogin(words);
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
