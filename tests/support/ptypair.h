#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// Fills a line from a non-blocking descriptor until it takes nothing more: the
// kernel moves bytes along after a first EAGAIN, so it tries again until two
// rounds in a row find no room.
inline void fillLine(int fd)
{
    for (int idle = 0; idle < 2;) {
        qsizetype written = 0;
        for (const int chunk : {4096, 64, 1}) {
            const QByteArray bytes(chunk, 'z');
            ssize_t n = 0;
            while ((n = ::write(fd, bytes.constData(), size_t(chunk))) > 0)
                written += n;
        }
        idle = written == 0 ? idle + 1 : 0;
        ::usleep(20'000);
    }
}

// A pseudo-terminal whose far end plays the board.
class Pty {
public:
    Pty()
    {
        int slave = -1;
        char name[256] = {};
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
        m_path = QString::fromLocal8Bit(name);
    }
    ~Pty() { hangUp(); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0; }
    // Makes this line the device Com1 opens.
    void beCom1() const { qputenv("ORVANE_COM1", m_path.toLocal8Bit()); }
    QString path() const { return m_path; }

    void send(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                return;
            if (n > 0)
                done += n;
        }
    }

    // Everything the panel sends within the time given, stopping early once `want` bytes came.
    QByteArray receive(qsizetype want, int ms) const
    {
        QByteArray got;
        QDeadlineTimer deadline(ms);
        while (got.size() < want && !deadline.hasExpired()) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }

    void hangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_path;
};
