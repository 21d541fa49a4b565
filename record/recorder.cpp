#include "record/recorder.h"

#include "serial/systemport.h"
#include "wire/portdevice.h"
#include "record/adapterwait.h"
#include "record/csv.h"
#include "record/followedrun.h"
#include "record/periodicsync.h"
#include "record/progress.h"
#include "record/rowfile.h"
#include "timing/precisewake.h"
#include "engine/scanengine.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <unistd.h>

namespace {
// The ports as the panel sees them; --device names what the chosen port opens,
// and an adapter back under another name is opened where it is now.
PortSource portsFor(const RecordOptions &options, std::shared_ptr<const QString> reopenAt)
{
    PortSource source = PortSource::system();
    const QString variable = portVariable(options.port);
    source.env = [variable, device = options.device, reopenAt, env = source.env](const QString &name) {
        if (name != variable)
            return env(name);
        if (!reopenAt->isEmpty())
            return *reopenAt;
        return device.isEmpty() ? env(name) : device;
    };
    return source;
}

ScanEngine *makeEngine(Startup &state, const PortSource &ports, ScanEngine::Chosen chosen, QObject *parent)
{
    return new ScanEngine(state, new SystemCommPort(ports), makePreciseWake().release(), std::move(chosen),
                          parent);
}

constexpr qint64 kUntoldFailureMs = 5000;

bool waitsForAdapter(Failure kind, bool resumed)
{
    // A board that does not answer on an adapter just back may be one that came back half plugged.
    return kind == Failure::Lost || (resumed && (kind == Failure::BoardSilent || kind == Failure::BoardUnreadable));
}

int highest(const ChannelSet &channels)
{
    int c = kChannelCount - 1;
    while (c > 0 && !channels[size_t(c)])
        --c;
    return c;
}

QString appText(const QString &text)
{
    return QCoreApplication::applicationName() + QStringLiteral(": ") + text;
}

QString syncFailure(const RowFile &file, int error)
{
    return file.failure(QStringLiteral("cannot put %1 on the disk"), error);
}

// A QTimer waits at most 24 days at a time, so a long wait is taken a day at a
// time; false once nothing is left of it.
bool rearm(QTimer &timer, qint64 leftMs)
{
    if (leftMs <= 0)
        return false;
    timer.start(int(qMin<qint64>(leftMs, 86'400'000)));
    return true;
}

void tell(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}
} // namespace

Recorder::Recorder(const RecordOptions &options, QObject *parent) : QObject(parent), m_options(options)
{
    m_ports = portsFor(options, m_reopenAt);
    m_engine = makeEngine(m_state, m_ports, [this] { return m_options.channels; }, this);
    if (options.reconnect)
        m_wait = new AdapterWait(m_ports.ports, [this](const QString &device) { reopen(device); }, this);
    m_state.PortIdx = qint16(options.port - 1);
    m_state.ShldMode = options.shieldMode;
    connect(m_engine, &ScanEngine::reading, this, &Recorder::onReading);
    connect(m_engine, &ScanEngine::failed, this, &Recorder::onFailed);
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, this, [this] {
        if (rearm(m_giveUp, qint64(*m_options.reconnectTimeout * 1000) - (m_clock.elapsed() - m_lostAtMs)))
            return;
        finish(kPortFailure, QStringLiteral("Com%1: the adapter did not come back in %2 s (%3)")
                                 .arg(m_options.port)
                                 .arg(*m_options.reconnectTimeout)
                                 .arg(m_adapter.describe()));
    });
    m_end.setTimerType(Qt::PreciseTimer);
    m_end.setSingleShot(true);
    connect(&m_end, &QTimer::timeout, this, [this] {
        if (rearm(m_end, qint64(*m_options.seconds * 1000) - m_clock.elapsed()))
            return;
        if (m_followed)
            m_followed->endNow();
        else
            finish(kRecorded);
    });
}

Recorder::~Recorder() = default;

bool Recorder::start()
{
    QString why;
    m_file = RowFile::open(m_options.output, m_options.force, &why);
    if (!m_file) {
        finish(kOutputFailure, appText(why));
        return false;
    }
    if (!m_file->append(csvHeader())) {
        outputFailed(m_file->error());
        return false;
    }
    if (m_file->isFile()) {
        m_sync = std::make_unique<PeriodicSync>(*m_file, this, [this](int error) {
            outputFailed(syncFailure(*m_file, error));
        });
    }
    const bool shown = !m_options.quiet && ::isatty(STDERR_FILENO);
    const auto count = [this] {
        return Progress::Count{m_clock.isValid() ? m_clock.elapsed() : 0, m_readings, m_phase != Phase::Recording};
    };
    m_progress = new Progress(shown, m_file->name(), count, this);
    if (m_options.follow) {
        const QString device = deviceForPort(m_options.port, m_ports.env, m_ports.ports());
        // A port whose device nobody named here is the panel's port of that number.
        const bool named = !m_ports.env(portVariable(m_options.port)).isEmpty();
        if (FollowedRun *run = FollowedRun::find(device, named ? 0 : m_options.port, this))
            return follow(run);
    }
    // A port that cannot be opened has been told through failed() already.
    if (!m_engine->start())
        return false;
    // The shield-driver command has just gone out, after the opening, which may take long.
    startClock();
    if (m_wait)
        m_adapter = m_wait->identify(m_engine->OrvaneCom->device());
    return true;
}

void Recorder::startClock()
{
    m_clock.start();
    if (m_options.seconds)
        m_end.start(0);
}

bool Recorder::follow(FollowedRun *run)
{
    if (const QString why = run->refusal(m_options); !why.isEmpty()) {
        finish(kUsageError, appText(why));
        return false;
    }
    m_followed = run;
    m_progress->say(appText(run->following()));
    connect(run, &FollowedRun::reading, this,
            [this](qint64 pass, qint16 channel, int value, const QDateTime &time, qint64 elapsedMs) {
                m_pass = pass;
                // --sweeps counts whole passes: the one under way at the start is not kept.
                if (!m_options.sweeps || pass > 0)
                    keep(channel, value, time, elapsedMs);
            });
    connect(run, &FollowedRun::ended, this, [this](ExitStatus status, const QString &message) {
        finish(status, message);
    });
    startClock();
    run->begin();
    return true;
}

void Recorder::onReading(qint16 channel, int value)
{
    // The board answers on the adapter that came back: from now on its silence ends the run.
    m_resumed = false;
    m_pass = m_passes.add(channel);
    keep(channel, value, QDateTime::currentDateTimeUtc(), m_clock.elapsed());
}

void Recorder::keep(qint16 channel, int value, const QDateTime &time, qint64 elapsedMs)
{
    if (m_status >= 0)
        return;
    if (m_options.sweeps && m_pass > *m_options.sweeps) {
        finish(kRecorded);
        return;
    }
    // The scan reads channel 0 at the start, and may between passes, whether or not it is chosen.
    if (m_options.channels[size_t(channel)]) {
        if (!m_file->append(csvRow(time, elapsedMs, channelName(channel), value))) {
            outputFailed(m_file->error());
            return;
        }
        ++m_readings;
        if (m_sync)
            m_sync->written();
    }
    if (m_options.sweeps && m_pass == *m_options.sweeps && channel == highest(m_options.channels))
        finish(kRecorded);
}

void Recorder::onFailed(Failure kind, const QString &text)
{
    if (m_phase == Phase::Reopening) {
        m_reopenFailure = text; // reopen() goes on waiting
        return;
    }
    // Lost while the first opening is under way, there is no adapter known to wait for.
    if (!m_wait || !m_clock.isValid() || !waitsForAdapter(kind, m_resumed)) {
        finish(exitStatusOf(kind), text);
        return;
    }
    awaitAdapter(text, kind != Failure::Lost);
}

void Recorder::awaitAdapter(const QString &text, bool away)
{
    m_phase = Phase::Away;
    m_lostAtMs = m_clock.elapsed();
    m_progress->say(QStringLiteral("%1 (at %2 UTC, %3 s in); waiting for the adapter to come back (%4)")
             .arg(text, QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
             .arg(m_lostAtMs / 1000.0, 0, 'f', 1)
             .arg(m_adapter.describe()));
    m_wait->start(m_adapter, away);
    if (m_options.reconnectTimeout)
        m_giveUp.start(0);
}

void Recorder::reopen(const QString &device)
{
    m_phase = Phase::Reopening;
    *m_reopenAt = device;
    if (!m_engine->start()) {
        // Not ready yet (its owner not yet set, say): it is looked at again soon,
        // and the user told if it lasts.
        m_phase = Phase::Away;
        const qint64 now = m_clock.elapsed();
        if (m_failingSinceMs < 0)
            m_failingSinceMs = now;
        else if (now - m_failingSinceMs > kUntoldFailureMs && !m_failingTold) {
            m_progress->say(m_reopenFailure + QStringLiteral("; still waiting for the adapter"));
            m_failingTold = true;
        }
        m_wait->again();
        return;
    }
    m_failingSinceMs = -1;
    m_failingTold = false;
    m_phase = Phase::Recording;
    m_resumed = true;
    m_giveUp.stop();
    m_progress->say(appText(QStringLiteral("Com%1: resumed on %2 after %3 s")
                     .arg(m_options.port)
                     .arg(device)
                     .arg((m_clock.elapsed() - m_lostAtMs) / 1000.0, 0, 'f', 1)));
}

void Recorder::outputFailed(const QString &message)
{
    finish(kOutputFailure, appText(message));
}

void Recorder::finish(int status, const QString &message)
{
    if (m_status >= 0)
        return;
    m_status = status;
    m_end.stop();
    m_giveUp.stop();
    if (m_wait)
        m_wait->stop();
    m_engine->stop();
    if (m_progress)
        m_progress->end();
    m_sync.reset();
    if (!message.isEmpty())
        tell(message);
    if (m_file && (status == kUsageError || (status == kPortFailure && m_readings == 0))) {
        m_file->discard();
    } else if (m_file && status != kOutputFailure) {
        if (const int error = m_file->sync()) {
            m_status = kOutputFailure;
            tell(appText(syncFailure(*m_file, error)));
        }
    }
    m_file.reset();
    QCoreApplication::exit(m_status);
}
