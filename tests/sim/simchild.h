#pragma once

// The simulator as a child process, and our end of its line driven with plain termios.

#include "clock.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

// Written out here rather than taken from the simulator, so a slip on either side shows.
inline constexpr char kCodes[] = "0123456789ABCDEFVP";

inline QByteArray replyFor(int value)
{
    return "x\r\n" + QByteArray::number(value, 16).toUpper().rightJustified(2, '0') + "\r\n>";
}

// Distinct per channel, and uses hex letters.
inline int valueFor(int channel) { return (0x0B + 0x2D * channel) & 0xFF; }

inline QStringList valueArgs()
{
    QStringList args;
    for (int channel = 0; channel < 18; ++channel)
        args << "--value" << QString("%1=%2").arg(channel).arg(valueFor(channel));
    return args;
}

// One simulator process and our end of its line, driven with plain termios.
class Sim : public SimProcess
{
public:
    using SimProcess::SimProcess;
    ~Sim() { closeDevice(); }

    int fd() const { return m_fd; }
    bool send(const QByteArray &bytes) { return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

    void closeDevice()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // The simulator's first device, unless another path is named.
    bool openDevice(const QString &path = {})
    {
        m_fd = ::open(QFile::encodeName(path.isEmpty() ? device() : path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    // Up to `count` bytes, giving up after `quietMs` without one; returns how
    // many arrived, keeping them in `sink` if given.
    qsizetype read(qsizetype count, int quietMs, QByteArray *sink)
    {
        qsizetype total = 0;
        QElapsedTimer quiet;
        quiet.start();
        while (total < count && quiet.elapsed() < quietMs) {
            pollfd p{m_fd, POLLIN, 0};
            char buffer[4096];
            if (::poll(&p, 1, 10) <= 0)
                continue;
            const ssize_t n = ::read(m_fd, buffer, size_t(std::min<qsizetype>(sizeof buffer, count - total)));
            if (n == 0 || (n < 0 && errno == EIO))
                break;
            if (n > 0 && sink)
                sink->append(buffer, n);
            total += std::max<ssize_t>(n, 0);
            quiet.restart();
        }
        return total;
    }

    QByteArray read(qsizetype count, int quietMs)
    {
        QByteArray data;
        read(count, quietMs, &data);
        return data;
    }

private:
    int m_fd = -1;
};
