#pragma once
#include <QString>

// How this machine reaches its class's server, kept in "class.ini" in the program folder
// (mode 0600: it holds the pupil role's password). No file: the machine is in no class.
struct ClassSettings {
    QString server;
    int port = 5432;
    QString database;
    QString user;
    QString password;
    QString sslMode = QStringLiteral("prefer"); // libpq's sslmode

    static constexpr auto FileName = "class.ini";
    static constexpr auto TeacherRole = "wordaroo_teacher";
    static constexpr auto PupilRole = "wordaroo_pupil";

    bool isSet() const { return !server.isEmpty() && !database.isEmpty(); }
    // The settings in the program folder appDir; none when there is no file (or it cannot
    // be read: why says so).
    static ClassSettings load(const QString &appDir, QString *why = nullptr);
    // Writes them through the safe-write path, readable by the user alone.
    bool save(const QString &appDir, QString *why) const;
    // Leaves the class: the file is removed.
    static bool remove(const QString &appDir, QString *why);
};
