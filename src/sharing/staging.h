#pragma once
#include <QString>

#include <utility>

// The file-system side of adding a test: a hidden folder of the program folder that a
// new test is written into and that becomes the test folder only when complete, and
// the removals around it. Every path is opened relative to that folder without
// following links, and no file is ever replaced.
namespace Staging
{

// An open file descriptor, closed when dropped.
class Fd
{
  public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd = -1);
    // Closes now; returns the close's error (a late write failure shows here), or 0.
    int close();

  private:
    int m_fd = -1;
};

// The system's reason for an error number, as the message shows it.
QString reason(int err);

// Writes all of data to fd; returns 0 or the error number.
int writeAll(int fd, const char *data, qint64 size);

// Opens the entry name of the folder dirFd for reading when it is a regular file; a
// link, a folder or a device is not opened. Returns -1 with why set otherwise, and
// notPlain set when the entry is there but is not a regular file.
int openRegular(int dirFd, const QString &name, QString &why, bool *notPlain = nullptr);

// Removes path and, when it is a folder, everything inside it; links are removed
// themselves, never followed, and no other file system is entered.
void removeTree(const QString &path);

// Removes this user's ".import-*" entries of appDir older than maxAgeSeconds (0: all of
// them): what an import interrupted by a crash or a power cut left behind. All of them
// only when no other program can be importing into appDir now.
void removeStale(const QString &appDir, int maxAgeSeconds = 3600);

// A hidden folder appDir + ".import-XXXXXX" that is removed with all it holds when
// dropped, unless it was committed.
class Folder
{
  public:
    explicit Folder(const QString &appDir);
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // 0 when the folder was made, else the error number.
    int error() const { return m_error; }

    // Creates relativeName ("cat.wav" or ".sentences/cat.wav") as a new file, open for
    // reading and writing; never replaces anything. Returns -1 with errno set on failure.
    int create(const QString &relativeName);
    void discard(const QString &relativeName);

    // Renames the folder to appDir + folderName. Without replace an existing entry of
    // that name fails with EEXIST; with replace the two are swapped and the old one is
    // then removed, so a failure leaves the old test as it was. Returns 0 or errno.
    int commit(const QString &folderName, bool replace);

  private:
    int rename(const QString &folderName, bool replace);

    QString m_appDir;
    QString m_path;
    Fd m_dir;
    Fd m_sentences;
    int m_error = 0;
    bool m_committed = false;
};

} // namespace Staging
