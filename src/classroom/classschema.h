#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The class database: its tables in the schema "wordaroo", brought up to date by numbered
// migrations, and the two roles the machines and the teacher connect as.
namespace ClassSchema
{
inline constexpr int Version = 2;

struct Outcome {
    QString why; // empty: done
    int fromVersion = 0;
    QStringList lines; // what was done, for the person setting it up (passwords included)
};
// Creates or upgrades the schema and the roles on an open connection of a role that may
// create roles; safe to run again (existing roles keep their passwords).
Outcome setUp(QSqlDatabase &db);

// "wordaroo --set-up-class-server URL": runs without a display when asked to and returns
// the exit status; -1 when the command line asks for something else.
int runIfAsked(int argc, char **argv);
} // namespace ClassSchema
