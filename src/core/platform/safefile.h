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

// Whether a symbolic link at the name is read through.
enum class Links {
    Refuse, // the program's own files: a link is refused
    Follow, // a file the user picked: what the link leads to is read, when it is a plain file
};

// Reads the whole of a plain file of at most maxBytes. A bigger file is refused,
// never read into memory. systemError receives errno for a system failure, else 0.
ReadStatus readPlainFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *error,
                         int *systemError = nullptr, Links links = Links::Refuse);

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

// A file written a piece at a time with the guards of replaceFile: the pieces go to a
// temporary file in the destination's folder, and nothing shows at the destination until
// commit() renames the finished file over it. A writer discarded, or destroyed before its
// commit, removes its temporary file and leaves the destination as it was. Use one writer
// from one thread at a time.
class Writer
{
  public:
    Writer() = default;
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Checks the destination as replaceFile does and makes the temporary file.
    bool open(const QString &path, QString *error, Destination where = Destination::ProgramFolder,
              AtName atName = AtName::PlainFileOnly, int *systemError = nullptr);
    // Adds bytes to the file; false once a write failed (commit() then says why).
    bool write(const QByteArray &bytes);
    // Flushes the file to disk and renames it over the destination.
    bool commit(QString *error, int *systemError = nullptr);
    // Removes the temporary file; the destination is not touched.
    void discard();

  private:
    QString m_path;
    QByteArray m_temp;
    AtName m_atName = AtName::PlainFileOnly;
    int m_fd = -1;
    int m_writeError = 0; // errno of the first failed write
};

// Why path cannot be read or written as a plain file ("... is a symbolic link, not a
// plain file"), or an empty text when it is a plain file or does not exist.
QString notPlainFileReason(const QString &path);
} // namespace SafeFile
