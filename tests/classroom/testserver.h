#pragma once
// The private PostgreSQL server the "postgres" test fixture started (tests/support/postgres.sh):
// a fresh class database on it, set up as the program sets one up, with the two roles
// given passwords the test knows.
#include "classroom/classdb.h"
#include "classroom/classschema.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

struct TestServer {
    ClassSettings admin, pupil, teacher;

    // Empty when made, else why not.
    QString make()
    {
        QFile url(qEnvironmentVariable("WORDAROO_PG_DIR") + QStringLiteral("/url"));
        if (!url.open(QIODevice::ReadOnly))
            return QStringLiteral("no test server (run through ctest, which starts it)");
        QString extra, why;
        admin = ClassDb::fromUrl(QString::fromUtf8(url.readAll()).trimmed(), &extra, &why);
        const QString database = QStringLiteral("class_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        if (QString w = adminExec(QStringLiteral("CREATE DATABASE ") + database); !w.isEmpty())
            return w;
        admin.database = database;
        const QString name = QStringLiteral("test-setup");
        why = ClassDb::open(name, admin, 10);
        if (why.isEmpty()) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            why = ClassSchema::setUp(db).why;
        }
        ClassDb::drop(name);
        pupil = teacher = admin;
        pupil.user = QLatin1StringView(ClassSettings::PupilRole);
        teacher.user = QLatin1StringView(ClassSettings::TeacherRole);
        pupil.password = QStringLiteral("pupil-pw");
        teacher.password = QStringLiteral("teacher-pw");
        for (const ClassSettings *role : {&pupil, &teacher})
            why += adminExec(QStringLiteral("ALTER ROLE %1 PASSWORD '%2'").arg(role->user, role->password));
        return why;
    }

    // Runs sql as who; the server's message when it refused, else empty.
    static QString exec(const ClassSettings &who, const QString &sql, QVariant *first = nullptr)
    {
        const QString name = QStringLiteral("test-exec");
        QString why = ClassDb::open(name, who, 10);
        if (why.isEmpty()) {
            QSqlQuery q(QSqlDatabase::database(name, false));
            if (!q.exec(sql))
                why = ClassDb::reason(q.lastError());
            else if (first && q.next())
                *first = q.value(0);
        }
        ClassDb::drop(name);
        return why;
    }
    QString adminExec(const QString &sql, QVariant *first = nullptr) const { return exec(admin, sql, first); }

    // Stops or starts the server (the fixture's script).
    static bool control(const char *command)
    {
        return QProcess::execute(qEnvironmentVariable("WORDAROO_PG_SCRIPT"),
                                 {QLatin1StringView(command), qEnvironmentVariable("WORDAROO_PG_DIR")}) == 0;
    }
};
