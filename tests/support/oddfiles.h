#pragma once
// Things a test puts where a plain file is expected, to check that they are refused:
// a FIFO, a folder, links (to a device, to a file outside the program folder), a
// huge sparse file, a file just over 64 kB, bytes that are not the text they claim.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class OddFile
{
  public:
    enum Shape { Fifo, Folder, LinkToDevZero, LinkOutside, Sparse100MB, JustTooBig, BadUtf16 };

    // What LinkOutside points at: a valid settings file in another folder.
    static inline const QByteArray OutsideContents = "[SETTINGS]\nProtect=false\n";

    OddFile(const QString &path, Shape shape) : m_path(path)
    {
        const QByteArray name = QFile::encodeName(path);
        switch (shape) {
        case Fifo:
            m_ok = ::mkfifo(name.constData(), 0600) == 0;
            break;
        case Folder:
            m_ok = QDir().mkdir(path);
            break;
        case LinkToDevZero:
            m_ok = ::symlink("/dev/zero", name.constData()) == 0;
            break;
        case LinkOutside:
            m_ok = write(outsideTarget(), OutsideContents) &&
                   ::symlink(QFile::encodeName(outsideTarget()).constData(), name.constData()) == 0;
            break;
        case Sparse100MB: {
            QFile f(path);
            m_ok = f.open(QIODevice::WriteOnly) && f.write("[SETTINGS]\nProtect=false\n") > 0 &&
                   f.resize(100 * 1024 * 1024);
            break;
        }
        case JustTooBig:
            m_ok = write(path, "[SETTINGS]\nProtect=false\n" + QByteArray(64 * 1024, ';'));
            break;
        case BadUtf16:
            m_ok = write(path, QByteArray("\xFF\xFE[\0S", 5)); // an odd number of bytes
            break;
        }
    }
    bool ok() const { return m_ok; }
    QString outsideTarget() const { return m_outside.filePath(QStringLiteral("spell.ini")); }
    // What is at the path now, for "nothing was written": kind, size and contents of a
    // plain file, the link's target for a link.
    QByteArray state() const
    {
        struct stat st {
        };
        if (::lstat(QFile::encodeName(m_path).constData(), &st) != 0)
            return "missing";
        QByteArray s = QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(qint64(st.st_size));
        if (S_ISLNK(st.st_mode))
            s += " -> " + QFile::encodeName(QFile::symLinkTarget(m_path));
        else if (S_ISREG(st.st_mode) && st.st_size < 1024 * 1024) {
            QFile f(m_path);
            if (f.open(QIODevice::ReadOnly))
                s += ' ' + f.readAll();
        }
        return s;
    }

  private:
    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QString m_path;
    QTemporaryDir m_outside;
    bool m_ok = false;
};
