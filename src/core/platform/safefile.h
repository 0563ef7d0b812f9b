#pragma once
#include <QByteArray>
#include <QString>

// Guarded reading and writing of the program's own small files (settings, word
// files, anything kept in the program folder). Only plain files are read or
// written: a symbolic link, folder, FIFO or device is refused without being opened
// in a way that could block or follow it. Writes go to a temporary file in the same
// folder that is flushed to disk and renamed over the destination, so a crash or a
// full disk never leaves a half-written file, and they stay inside the program
// folder unless the user chose the destination. Every failure comes back as a
// sentence for the user, with the system's own reason where the system gave one.
namespace SafeFile
{
enum class ReadStatus {
    Ok,      // bytes hold the whole file
    Missing, // there is no file at path (a missing file is not an error)
    Failed,  // the file exists but was not read: error says why
};

// Reads the whole of a plain file of at most maxBytes. A bigger file is refused,
// never read into memory. systemError receives errno for a system failure, else 0.
ReadStatus readPlainFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *error,
                         int *systemError = nullptr);

enum class Destination {
    ProgramFolder, // the path must resolve inside the program folder (ProgramFolder::path())
    UserChosen,    // the user picked the path in a file dialog: any folder will do
};

// What may stand at the destination's name besides nothing or a plain file.
enum class AtName {
    PlainFileOnly, // anything else is refused
    ReplaceLink,   // a symbolic link too (not one to a folder): the link itself is replaced
                   // by the new file, never what it leads to
};

// Replaces (or creates) the file at path with bytes, atomically. Refuses when path
// exists and is not a plain file (or, with AtName::ReplaceLink, a link), and, for a
// ProgramFolder destination, when its folder resolves outside the program folder.
// Returns false and fills error on any failure; the old file is then left as it was.
// systemError receives errno when the system refused (a full disk, a missing
// folder), else 0.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error,
                 Destination where = Destination::ProgramFolder, AtName atName = AtName::PlainFileOnly,
                 int *systemError = nullptr);

// Why path cannot be read or written as a plain file ("... is a symbolic link, not a
// plain file"), or an empty text when it is a plain file or does not exist.
QString notPlainFileReason(const QString &path);
} // namespace SafeFile
