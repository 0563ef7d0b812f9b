#pragma once
#include <QList>
#include <QString>

#include <utility>

// The program's settings: the file "spell.ini" in the program folder and the keys
// kept in its one section. Windows read and write settings only through here; the
// file format and its guards are IniFile's, the error box is modINIfiles'.
namespace Settings
{
inline const QString FileName = QStringLiteral("spell.ini");
// Protection of the authoring window by the configuration password: on only when
// Protect reads exactly "True"; TheWord holds the password as typed.
inline const QString Protect = QStringLiteral("Protect");
inline const QString TheWord = QStringLiteral("TheWord");
// The child last chosen on the start window.
inline const QString LastChild = QStringLiteral("LastChild");

// the program folder (ProgramFolder::path()) + FileName.
QString path();

// A value read without any box. ok is false when the file exists but could not be
// read or decoded; reason then says why, for the user.
struct Value {
    bool ok = true;
    QString text;
    QString reason;
};
Value read(const QString &key, const QString &def);

// Read and written with the settings error box on failure (GetSetting, WriteSetting).
QString get(const QString &key, const QString &def);
bool set(const QString &key, const QString &value);
bool set(const QList<std::pair<QString, QString>> &values); // all in one write

// The configuration password.
bool protectionOn(const QString &protectValue);
Value readProtect();  // Protect, default "False", no box
Value readPassword(); // TheWord, default "", no box
bool isProtected();   // Protect reads "True" (box on failure)
QString password();   // TheWord (box on failure)
// On: Protect "True" and the password; off: Protect "false", the old password kept.
bool saveProtection(bool on, const QString &password);
} // namespace Settings
