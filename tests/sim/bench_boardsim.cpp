// Timing and cost of the simulator's line, as a reader on the device sees them:
//   boardsim-bench [SIMULATOR]     (default: the one built beside it)
#include "simchild.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

void print(const char *what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty()) {
        std::printf("%-44s  no samples\n", what);
        return;
    }
    const auto at = [&](double p) {
        return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
    };
    std::printf("%-44s %8.3f %8.3f %8.3f %8.3f %5zu\n", what, values.front(), at(0.5), at(0.99), values.back(),
                values.size());
}

// How late "opened", the first command after an open, and "closed" are logged.
void openAndClose(int cycles)
{
    Sim sim(QStringList{});
    std::vector<double> opened, rx, closed;
    for (int i = 0; i < cycles; ++i) {
        QTest::qWait(3 + (i * 7) % 19); // at every phase of any polling the simulator might do
        const double openAt = monotonicSeconds();
        sim.openDevice();
        const double sentAt = monotonicSeconds();
        sim.send("d 1\r");
        if (!sim.waitForEvent("rx d 1", i + 1))
            break;
        const double closeAt = monotonicSeconds();
        sim.closeDevice();
        if (!sim.waitForEvent("closed", i + 1))
            break;
        opened.push_back((sim.timesOf("opened").value(i) - openAt) * 1e3);
        rx.push_back((sim.timesOf("rx d 1").value(i) - sentAt) * 1e3);
        closed.push_back((sim.timesOf("closed").value(i) - closeAt) * 1e3);
    }
    print("open to \"opened\" logged", opened);
    print("first command after an open to its \"rx\"", rx);
    print("close to \"closed\" logged", closed);
}

// From "x" to the reply's last byte at the reader, and from "tx" to that byte.
void replies(const char *what, QStringList args, int samples)
{
    Sim sim(args << "--value" << "all=0x5A");
    sim.openDevice();
    std::vector<double> reply, fromTx;
    for (int i = 0; i < samples; ++i) {
        QTest::qWait(5 + (i * 7) % 23);
        const double sentAt = monotonicSeconds();
        sim.send("x\r");
        if (sim.read(8, 1000).size() != 8)
            break;
        const double readAt = monotonicSeconds();
        sim.waitForEvent("tx 0 5A", i + 1);
        reply.push_back((readAt - sentAt) * 1e3);
        fromTx.push_back((readAt - sim.timesOf("tx 0 5A").value(i)) * 1e3);
    }
    print(qPrintable(QString("x to reply, %1").arg(what)), reply);
    print(qPrintable(QString("  \"tx\" to reply, %1").arg(what)), fromTx);
}

// Processor share while stalled (topping up), while flooding at the line's pace, and
// memory when answers with 64 KiB of garbage pile up faster than the line carries them.
void cost(double seconds)
{
    const auto share = [&](Sim &sim, bool drain) {
        if (sim.device().isEmpty())
            return std::nan("");
        const long before = sim.cpuMs();
        QElapsedTimer clock;
        for (clock.start(); clock.elapsed() < seconds * 1000;)
            drain ? void(sim.read(96, 50)) : QTest::qWait(50);
        return double(sim.cpuMs() - before) / (seconds * 10.0);
    };
    Sim stalled({"--stall-after", "0"});
    stalled.openDevice();
    std::printf("%-44s %8.2f %%\n", "processor, stalled", share(stalled, false));

    Sim flood({"--flood", "3600"});
    flood.openDevice();
    flood.send("x\r");
    std::printf("%-44s %8.2f %%\n", "processor, flood at 9600 baud", share(flood, true));

    Sim piling({"--garbage", "65536"});
    piling.openDevice();
    for (int i = 0; i < int(seconds * 10); ++i) {
        piling.send("x\r");
        piling.read(96, 100);
    }
    std::printf("%-44s %8.2f MB\n", "resident, 10 x/s with --garbage 65536", piling.residentMb());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        SimProcess::program() = QString::fromLocal8Bit(argv[1]);
    std::printf("%s\n%-44s %8s %8s %8s %8s %5s\n", qPrintable(SimProcess::program()), "ms", "min", "median", "p99", "max",
                "n");
    openAndClose(100);
    replies("instant line", {"--line-rate", "0"}, 100);
    replies("9600 baud", {}, 100);
    replies("9600 baud, latency 16", {"--latency", "16"}, 100);
    replies("9600 baud, split 10", {"--split", "10"}, 100);
    cost(5.0);
    return 0;
}
