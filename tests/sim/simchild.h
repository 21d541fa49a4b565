#pragma once

// The simulator as a child process, and our end of its line driven with plain termios.

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

inline double monotonic()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The binary to run; the benchmark may point it elsewhere.
inline QString &boardsimPath()
{
    static QString path = QStringLiteral(BOARDSIM_PATH);
    return path;
}

// One simulator process and our end of its line, driven with plain termios.
class Sim
{
public:
    explicit Sim(QStringList args, const QString &log = {})
        : logPath_(log.isEmpty() ? dir_.filePath("sim.log") : log)
    {
        process_.start(boardsimPath(), args << "--log" << logPath_);
        QElapsedTimer timer;
        timer.start();
        while (!process_.canReadLine() && process_.state() != QProcess::NotRunning && timer.elapsed() < 5000)
            process_.waitForReadyRead(100);
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }

    ~Sim()
    {
        closeDevice();
        process_.kill();
        process_.waitForFinished();
    }

    QString device() const { return device_; }
    int fd() const { return fd_; }
    QProcess &process() { return process_; }
    bool send(const QByteArray &bytes) { return ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

    void closeDevice()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    bool openDevice()
    {
        fd_ = ::open(QFile::encodeName(device_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (fd_ < 0 || tcgetattr(fd_, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        return tcsetattr(fd_, TCSANOW, &tio) == 0;
    }

    // Up to `count` bytes, giving up after `quietMs` without one; returns how
    // many arrived, keeping them in `sink` if given.
    qsizetype read(qsizetype count, int quietMs, QByteArray *sink)
    {
        qsizetype total = 0;
        QElapsedTimer quiet;
        quiet.start();
        while (total < count && quiet.elapsed() < quietMs) {
            pollfd p{fd_, POLLIN, 0};
            char buffer[4096];
            if (::poll(&p, 1, 10) <= 0)
                continue;
            const ssize_t n = ::read(fd_, buffer, size_t(std::min<qsizetype>(sizeof buffer, count - total)));
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

    QStringList log()
    {
        QFile file(logPath_);
        const bool toStdout = logPath_ == "-";
        if (!toStdout && !file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(toStdout ? process_.readAllStandardOutput() : file.readAll())
            .split('\n', Qt::SkipEmptyParts);
    }

    QStringList events()
    {
        QStringList out;
        for (const QString &line : log())
            out << line.section(' ', 1);
        return out;
    }

    // When each `event` was logged, in seconds.
    QList<double> timesOf(const QString &event)
    {
        QList<double> out;
        for (const QString &line : log()) {
            if (line.section(' ', 1) == event)
                out << line.section(' ', 0, 0).toDouble();
        }
        return out;
    }

    bool waitForEvent(const QString &event, int count = 1)
    {
        QElapsedTimer timer;
        for (timer.start(); events().count(event) < count; QTest::qWait(10)) {
            if (timer.elapsed() > 5000)
                return false;
        }
        return true;
    }

    int stop(int signal = SIGTERM)
    {
        ::kill(pid_t(process_.processId()), signal);
        const bool exited = process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit;
        return exited ? process_.exitCode() : -1;
    }

    long cpuMs()
    {
        const QList<QByteArray> fields = statFields();
        if (fields.isEmpty())
            return -1;
        return (fields.value(12).toLong() + fields.value(13).toLong()) * 1000 / sysconf(_SC_CLK_TCK);
    }

    double residentMb()
    {
        return double(statFields().value(22).toLong()) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
    }

private:
    // /proc/PID/stat after the command name: the state is [1].
    QList<QByteArray> statFields()
    {
        QFile stat(QString("/proc/%1/stat").arg(process_.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return {};
        return stat.readAll().split(')').last().split(' ');
    }

    QTemporaryDir dir_;
    QString logPath_;
    QProcess process_;
    QString device_;
    int fd_ = -1;
};
