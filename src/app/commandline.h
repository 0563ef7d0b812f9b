#pragma once
#include <QString>
#include <QStringList>

// The program's command line: nothing, or one shared test file to add
// ("wordaroo Animals.wordaroo", as the desktop opens one).
namespace CommandLine
{
struct Parsed {
    QString file;  // the shared test file, as an absolute path; empty: none given
    QString error; // what is wrong with the arguments, for standard error; empty: none
};

// Exit status of a program started with arguments it does not take.
inline constexpr int UsageStatus = 2;

// arguments: those after the program's name, once Qt has taken its own options out.
Parsed parse(const QStringList &arguments);
} // namespace CommandLine
