#include "record/rowfile.h"

#include "wire/devicename.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RowFile::RowFile(int fd, const QString &path)
    : m_fd(fd), m_path(path),
      m_name(path.isEmpty() ? QStringLiteral("standard output") : displayDeviceName(path))
{
    struct stat info{};
    m_isFile = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    m_complete = m_isFile ? qMax<qint64>(0, ::lseek(fd, 0, SEEK_CUR)) : 0;
}

RowFile::~RowFile()
{
    if (!m_path.isEmpty())
        ::close(m_fd);
}

std::unique_ptr<RowFile> RowFile::open(const QString &path, bool force, QString *error)
{
    if (path.isEmpty())
        return std::unique_ptr<RowFile>(new RowFile(STDOUT_FILENO, path));
    const QByteArray bytes = encodeDeviceName(path);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    int fd = -1;
    do {
        fd = ::open(bytes.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const QString shown = displayDeviceName(path);
        *error = errno == EEXIST && !force
                     ? QStringLiteral("%1 exists; give --force to overwrite it").arg(shown)
                     : QStringLiteral("cannot create %1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    std::unique_ptr<RowFile> file(new RowFile(fd, path));
    file->m_made = !force;
    return file;
}

QString RowFile::failure(const QString &what, int error) const
{
    return what.arg(m_name) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

bool RowFile::append(const QByteArray &row)
{
    qsizetype done = 0;
    while (done < row.size()) {
        const ssize_t n = ::write(m_fd, row.constData() + done, size_t(row.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int reason = n < 0 ? errno : EIO;
        if (done > 0 && m_isFile && !m_path.isEmpty()) {
            [[maybe_unused]] const int ignored = ::ftruncate(m_fd, m_complete);
        }
        m_error = failure(QStringLiteral("cannot write %1"), reason);
        return false;
    }
    m_complete += row.size();
    return true;
}

int RowFile::sync() const
{
    if (!m_isFile)
        return 0;
    return ::fdatasync(m_fd) == 0 ? 0 : errno;
}

void RowFile::discard()
{
    if (m_made)
        ::unlink(encodeDeviceName(m_path).constData());
}
