#include "scheduling/scheduling.h"

#include <QTest>

#ifdef Q_OS_LINUX
#include "scheduling/schedattr_linux.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/utsname.h>

#include <cerrno>
#include <cstdio>

namespace {
bool kernelAtLeast(int major, int minor)
{
    utsname u{};
    int ma = 0, mi = 0;
    return uname(&u) == 0 && std::sscanf(u.release, "%d.%d", &ma, &mi) == 2
        && (ma > major || (ma == major && mi >= minor));
}
} // namespace
#endif

class TestTiming : public QObject {
    Q_OBJECT
private slots:
    void asksForShortSlice_data();
    void asksForShortSlice();
};

void TestTiming::asksForShortSlice_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<bool>("sliced");
#ifdef Q_OS_LINUX
    QTest::newRow("default policy") << int(SCHED_OTHER) << true;
    QTest::newRow("batch chosen by the user") << int(SCHED_BATCH) << false;
#endif
}

// The request is silently ignored when it fails, so only reading the attributes back shows it took.
void TestTiming::asksForShortSlice()
{
#ifdef Q_OS_LINUX
    QFETCH(int, policy);
    QFETCH(bool, sliced);
    if (!kernelAtLeast(6, 12))
        QSKIP("per-thread time slices need Linux 6.12");
    SchedAttr saved{};
    QVERIFY(readSchedAttr(saved));
    SchedAttr start = saved;
    start.policy = std::uint32_t(policy);
    start.runtime = 0;
    if (!writeSchedAttr(start))
        QSKIP(qPrintable(QStringLiteral("scheduling attributes refused here: %1").arg(qt_error_string(errno))));
    const int nice = getpriority(PRIO_PROCESS, 0);
    SchedAttr before{};
    QVERIFY(readSchedAttr(before));

    requestPreciseScheduling();
    SchedAttr after{};
    const bool read = readSchedAttr(after);
    writeSchedAttr(saved);

    QVERIFY(read);
    QCOMPARE(after.policy, std::uint32_t(policy));
    QCOMPARE(after.nice, nice);
    QCOMPARE(after.runtime, sliced ? std::uint64_t(100'000) : before.runtime);
#else
    QSKIP("Linux only");
#endif
}

QTEST_APPLESS_MAIN(TestTiming)
#include "tst_timing.moc"
