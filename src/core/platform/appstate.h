#pragma once
#include <QString>
#include <QStringList>

// The program-wide selection that every window reads: where the program lives and
// which test is chosen. Written by the start window (and TestDir by the authoring
// window while it creates or edits a test).
namespace Shared
{
inline QString AppDir;   // program folder, always ending in "/"
inline QString TestName; // selected test list entry exactly as listed ("Test_Animals")
inline QString TestDir;  // AppDir + TestName + "/"
// The selected test's words as the start window lists them, in listing order; the
// games read them from here.
inline QStringList TestWords;

// The folder of the running executable, with a trailing separator.
QString programFolder();
// Sets AppDir from a folder path, appending the separator when it is missing.
void setAppDir(const QString &folder);
} // namespace Shared
