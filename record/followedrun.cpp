#include "record/followedrun.h"

#include "follow/runfollower.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
QString shieldWord(qint16 mode)
{
    return mode == 0 ? QStringLiteral("on") : QStringLiteral("off");
}
} // namespace

FollowedRun *FollowedRun::find(const QString &device, int unnamedPort, QObject *parent)
{
    std::unique_ptr<RunFollower> follower = RunFollower::follow(device);
    if (!follower && unnamedPort > 0)
        follower = RunFollower::followPort(unnamedPort);
    return follower ? new FollowedRun(std::move(follower), parent) : nullptr;
}

FollowedRun::FollowedRun(std::unique_ptr<RunFollower> follower, QObject *parent)
    : QObject(parent), m_follower(std::move(follower))
{
    connect(m_follower.get(), &RunFollower::reading, this, &FollowedRun::onReading);
    connect(m_follower.get(), &RunFollower::ended, this, &FollowedRun::onEnded);
}

FollowedRun::~FollowedRun() = default;

QString FollowedRun::port() const
{
    return QStringLiteral("Com%1").arg(m_follower->panel().hello.port);
}

QString FollowedRun::panelProcess() const
{
    const RunFollower::Panel &panel = m_follower->panel();
    return QStringLiteral("%1 (process %2)")
        .arg(panel.program.isEmpty() ? QStringLiteral("a panel") : panel.program)
        .arg(panel.pid);
}

QString FollowedRun::following() const
{
    return QStringLiteral("recording the run of %1 on %2 (%3)")
        .arg(panelProcess(), port(), m_follower->panel().hello.device);
}

QString FollowedRun::refusal(const RecordOptions &options) const
{
    const qint16 shield = m_follower->panel().hello.shield;
    if (!options.shieldGiven || options.shieldMode == shield)
        return {};
    return QStringLiteral("%1: the panel's run has the shield driver %2, and --shield %3 cannot change it; "
                          "leave --shield out to record it as it is")
        .arg(port(), shieldWord(shield), shieldWord(options.shieldMode));
}

void FollowedRun::begin()
{
    m_follower->begin();
}

void FollowedRun::endNow()
{
    if (m_last.isValid())
        return;
    m_last = QDateTime::currentDateTimeUtc();
    // The panel sends a reading a while after it took it; a little more for the way.
    QTimer::singleShot(kRunSendDelayMs + 100, this, [this] { emit ended(kRecorded, {}); });
}

void FollowedRun::onReading(const RunReading &r)
{
    const QDateTime taken = QDateTime::fromMSecsSinceEpoch(r.utcMs).toUTC();
    if (m_last.isValid() && taken > m_last)
        return;
    emit reading(r.pass - m_follower->panel().hello.pass, r.channel, r.value, taken, r.elapsedMs);
}

void FollowedRun::onEnded(const RunEnd &end)
{
    const QString app = QCoreApplication::applicationName() + QStringLiteral(": ") + port();
    switch (end.how) {
    case RunEnd::How::Stopped:
        emit ended(kRecorded, app + QStringLiteral(": the panel's run ended"));
        return;
    case RunEnd::How::Exited:
        emit ended(kRecorded, app + QStringLiteral(": the panel's run ended: %1 has exited").arg(panelProcess()));
        return;
    case RunEnd::How::Failed:
        emit ended(exitStatusOf(end.kind), end.text);
        return;
    case RunEnd::How::Dropped:
        emit ended(kPortFailure, app + QStringLiteral(": this recording fell %1 readings behind the panel's "
                                                      "run and was cut off; the rows after that are missing")
                                           .arg(end.backlog));
        return;
    }
}
