#include "follow/runoffer.h"

#include "follow/runsocket.h"
#include "engine/scanengine.h"
#include "serial/commport.h"

#include <QDateTime>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <deque>

struct RunOffer::Follower {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> input;  // anything read ends it
    std::unique_ptr<QSocketNotifier> output; // on while lines wait
    std::deque<QByteArray> waiting;
    qsizetype sentOfFirst = 0;
    qint64 closeBy = -1; // once its last line is queued: when it is closed, read or not
    bool gone = false;

    qint64 readingsWaiting() const { return qint64(waiting.size()) - (closeBy >= 0 ? 1 : 0); }
};

RunOffer::RunOffer(ScanEngine *engine, Admits admits)
    : QObject(engine), m_engine(engine), m_admits(std::move(admits))
{
    if (!m_admits)
        m_admits = [own = runsocket::ownUid()](qint64 uid) { return uid == own; };
    m_reaper.setInterval(1000);
    connect(&m_reaper, &QTimer::timeout, this, &RunOffer::closeEnded);
    m_alive.start();
    m_sendSoon.setSingleShot(true);
    m_sendSoon.setInterval(kRunSendDelayMs);
    connect(&m_sendSoon, &QTimer::timeout, this, &RunOffer::flushAll);
    connect(engine, &ScanEngine::started, this, &RunOffer::offer);
    connect(engine, &ScanEngine::reading, this, &RunOffer::onReading);
    connect(engine, &ScanEngine::stopped, this, [this] { end(RunEnd::stopped()); });
    connect(engine, &ScanEngine::failed, this,
            [this](Failure kind, const QString &text) { end(RunEnd::failed(kind, text)); });
}

RunOffer::~RunOffer()
{
    // The panel is going: one last try to say so, without waiting for anyone.
    stopListening();
    const QByteArray last = formatLine(RunEnd::exited());
    for (auto &f : m_followers) {
        if (f->closeBy < 0)
            f->waiting.push_back(last);
        f->input.reset();
        f->output.reset();
        flush(*f);
        runsocket::close(f->fd);
    }
}

void RunOffer::offer()
{
    // Run pressed again during a run goes on with the same one.
    if (m_listening)
        return;
    QString why;
    int fd = -1;
    m_folder = runsocket::offerFolder(&why);
    if (!m_folder.isEmpty()) {
        m_socketName = runsocket::socketName(m_engine->OrvaneCom->device());
        m_path = m_folder + u'/' + m_socketName;
        fd = runsocket::listenAt(m_path, &m_inode, &why);
    }
    if (fd < 0) {
        m_path.clear();
        // Where the system has no such sockets there is nothing to tell.
        if (!m_toldUnoffered && !why.isEmpty())
            std::fprintf(stderr, "orvane: the run cannot be recorded alongside: %s\n", qPrintable(why));
        m_toldUnoffered = true;
        return;
    }
    m_listening = std::make_unique<QSocketNotifier>(qintptr(fd), QSocketNotifier::Read);
    connect(m_listening.get(), &QSocketNotifier::activated, this, &RunOffer::acceptWaiting);
    // A recorder whose port N is named nowhere follows the panel's Com N.
    m_port = m_engine->state.PortIdx + 1;
    runsocket::linkPort(m_folder, m_port, m_socketName);
    m_run.start();
    m_passes = {};
}

void RunOffer::stopListening()
{
    if (!m_listening)
        return;
    const int fd = int(m_listening->socket());
    m_listening.reset();
    runsocket::close(fd);
    runsocket::unlinkPort(m_folder, m_port, m_socketName);
    runsocket::remove(m_path, m_inode);
    m_path.clear();
}

void RunOffer::end(const RunEnd &how)
{
    stopListening();
    m_sendSoon.stop();
    const QByteArray line = formatLine(how);
    for (auto &f : m_followers) {
        if (f->closeBy >= 0)
            continue;
        f->waiting.push_back(line);
        f->closeBy = m_alive.elapsed() + kLastReadMs;
        flush(*f);
    }
    closeEnded();
}

void RunOffer::onReading(qint16 channel, int value)
{
    const qint64 pass = m_passes.add(channel);
    // The panel draws only the chosen channels' readings.
    if (m_followers.empty() || !m_engine->chosen()[size_t(channel)])
        return;
    const QByteArray line = formatLine(RunReading{pass, channel, value, QDateTime::currentMSecsSinceEpoch(),
                                                  m_run.elapsed()});
    for (auto &f : m_followers) {
        if (f->closeBy >= 0)
            continue;
        if (f->readingsWaiting() >= kBacklog) {
            drop(*f);
            continue;
        }
        f->waiting.push_back(line);
    }
    if (!m_sendSoon.isActive())
        m_sendSoon.start();
}

void RunOffer::flushAll()
{
    for (auto &f : m_followers)
        flush(*f);
    closeEnded();
}

void RunOffer::acceptWaiting()
{
    // A bounded number each time, so that a flood of connections cannot keep the scan waiting.
    for (int i = 0; i < kMaxFollowers; ++i) {
        runsocket::Peer peer = runsocket::accept(int(m_listening->socket()));
        if (!peer.isOpen())
            return;
        if (!m_admits(peer.uid) || int(m_followers.size()) >= kMaxFollowers) {
            runsocket::close(peer.fd);
            continue;
        }
        auto f = std::make_unique<Follower>();
        f->fd = peer.fd;
        Follower *raw = f.get();
        f->input = std::make_unique<QSocketNotifier>(qintptr(peer.fd), QSocketNotifier::Read);
        connect(f->input.get(), &QSocketNotifier::activated, this, [this, raw] {
            raw->gone = true; // a follower only reads: anything else, or its end, cuts it off
            closeEnded();
        });
        f->output = std::make_unique<QSocketNotifier>(qintptr(peer.fd), QSocketNotifier::Write);
        f->output->setEnabled(false);
        connect(f->output.get(), &QSocketNotifier::activated, this, [this, raw] {
            flush(*raw);
            closeEnded();
        });
        f->waiting.push_back(formatLine(RunHello{m_engine->state.PortIdx + 1, m_engine->state.ShldMode, m_passes.current(),
                                      m_engine->OrvaneCom->device()}));
        flush(*f);
        m_followers.push_back(std::move(f));
    }
}

void RunOffer::flush(Follower &f)
{
    while (!f.gone && !f.waiting.empty()) {
        const QByteArray &first = f.waiting.front();
        const qint64 n = runsocket::send(f.fd, QByteArrayView(first).sliced(f.sentOfFirst));
        if (n < 0)
            f.gone = true;
        if (n <= 0)
            break;
        f.sentOfFirst += n;
        if (f.sentOfFirst == first.size()) {
            f.waiting.pop_front();
            f.sentOfFirst = 0;
        }
    }
    if (f.closeBy >= 0 && f.waiting.empty())
        f.gone = true;
    if (f.output)
        f.output->setEnabled(!f.gone && !f.waiting.empty());
}

void RunOffer::drop(Follower &f)
{
    f.waiting.push_back(formatLine(RunEnd::dropped(f.readingsWaiting())));
    f.closeBy = m_alive.elapsed() + kLastReadMs;
}

void RunOffer::closeEnded()
{
    const qint64 now = m_alive.elapsed();
    const auto ended = [now](const std::unique_ptr<Follower> &f) {
        return f->gone || (f->closeBy >= 0 && now >= f->closeBy);
    };
    for (auto &f : m_followers) {
        if (!ended(f))
            continue;
        // The notifiers may be the senders of the call under way; off before their socket closes.
        for (std::unique_ptr<QSocketNotifier> *n : {&f->input, &f->output}) {
            (*n)->setEnabled(false);
            n->release()->deleteLater();
        }
        runsocket::close(f->fd);
    }
    m_followers.erase(std::remove_if(m_followers.begin(), m_followers.end(), ended), m_followers.end());
    const bool ending = std::any_of(m_followers.begin(), m_followers.end(),
                                    [](const auto &f) { return f->closeBy >= 0; });
    if (ending && !m_reaper.isActive())
        m_reaper.start();
    else if (!ending)
        m_reaper.stop();
}
