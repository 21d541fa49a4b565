#include "scheduling/scheduling.h"
#include "scheduling/schedattr_linux.h"

#include <sched.h>
#include <sys/prctl.h>

#include <cstdint>

namespace {
constexpr std::uint64_t kSliceNs = 100'000;
} // namespace

void requestPreciseScheduling()
{
    // The kernel may defer a sleeping thread's wake by 50 us by default; ask for none.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // On a busy machine a woken thread waits for the running one to finish its
    // time slice, up to a scheduler tick (4 ms at 250 Hz). Since Linux 6.12 a
    // thread that asks for a short slice may cut in at once instead.
    SchedAttr attr{};
    if (!readSchedAttr(attr) || attr.policy != SCHED_OTHER)
        return;
    attr.runtime = kSliceNs;
    writeSchedAttr(attr);
}
