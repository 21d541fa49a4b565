#include "follow/runfollower.h"

#include "follow/runsocket.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSocketNotifier>

namespace {
// The first line, read within the hello's time; what came after it is left in `rest`.
std::optional<RunHello> readHello(int fd, QByteArray *rest)
{
    QDeadlineTimer deadline(RunFollower::kHelloMs);
    QByteArray bytes;
    char chunk[512];
    while (!bytes.contains('\n') && bytes.size() < RunFollower::kLongestLine) {
        if (!runsocket::waitReadable(fd, int(deadline.remainingTime())))
            return std::nullopt;
        const qint64 n = runsocket::receive(fd, chunk, sizeof chunk);
        if (n < 0)
            return std::nullopt;
        bytes.append(chunk, n);
    }
    const qsizetype end = bytes.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    const auto line = parseRunLine(QByteArrayView(bytes).first(end));
    if (!line || !std::holds_alternative<RunHello>(*line))
        return std::nullopt;
    *rest = bytes.mid(end + 1);
    return std::get<RunHello>(*line);
}
} // namespace

std::unique_ptr<RunFollower> RunFollower::follow(const QString &device)
{
    return followNamed(runsocket::socketName(device));
}

std::unique_ptr<RunFollower> RunFollower::followPort(int port)
{
    return followNamed(runsocket::portName(port));
}

std::unique_ptr<RunFollower> RunFollower::followNamed(const QString &name)
{
    for (const QString &folder : runsocket::folders()) {
        const QString path = folder + u'/' + name;
        if (!QFileInfo::exists(path))
            continue;
        if (auto follower = followAt(path))
            return follower;
    }
    return nullptr;
}

std::unique_ptr<RunFollower> RunFollower::followAt(const QString &path)
{
    const runsocket::Peer peer = runsocket::connectTo(path);
    if (!peer.isOpen())
        return nullptr;
    // Only a panel of this user's own is followed.
    QByteArray rest;
    const std::optional<RunHello> hello =
        peer.uid == runsocket::ownUid() ? readHello(peer.fd, &rest) : std::nullopt;
    if (!hello) {
        runsocket::close(peer.fd);
        return nullptr;
    }
    return std::unique_ptr<RunFollower>(new RunFollower(peer.fd, {peer.pid, runsocket::programOf(peer.pid), *hello}, rest));
}

RunFollower::RunFollower(int fd, Panel panel, QByteArray rest)
    : m_fd(fd), m_panel(std::move(panel)), m_buffer(std::move(rest))
{
}

RunFollower::~RunFollower()
{
    runsocket::close(m_fd);
}

void RunFollower::begin()
{
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &RunFollower::readWaiting);
    handLines();
}

void RunFollower::readWaiting()
{
    char chunk[16384];
    qint64 n = 0;
    while (!m_ended && (n = runsocket::receive(m_fd, chunk, sizeof chunk)) > 0) {
        m_buffer.append(chunk, n);
        handLines();
    }
    if (!m_ended && n < 0) {
        handLines();
        finish(RunEnd::exited());
    }
}

void RunFollower::handLines()
{
    qsizetype start = 0;
    for (qsizetype end; !m_ended && (end = m_buffer.indexOf('\n', start)) >= 0; start = end + 1) {
        const auto line = parseRunLine(QByteArrayView(m_buffer).sliced(start, end - start));
        if (!line)
            continue; // a line of a later panel's, unknown here
        if (const auto *r = std::get_if<RunReading>(&*line))
            emit reading(*r);
        else if (const auto *e = std::get_if<RunEnd>(&*line))
            finish(*e);
    }
    m_buffer.remove(0, start);
    if (!m_ended && m_buffer.size() > kLongestLine)
        finish(RunEnd::exited());
}

void RunFollower::finish(const RunEnd &end)
{
    m_ended = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    runsocket::close(m_fd);
    m_fd = -1;
    emit ended(end);
}
