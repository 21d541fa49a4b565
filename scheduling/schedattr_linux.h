#pragma once

// The calling thread's scheduling attributes. glibc wraps these calls only
// since 2.41, so they go through syscall(). Linux only.

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

struct SchedAttr {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;
    std::uint64_t deadline;
    std::uint64_t period;
    std::uint32_t utilMin;
    std::uint32_t utilMax;
};
// The kernel's second version of the block; a wrong layout would be refused silently.
static_assert(sizeof(SchedAttr) == 56);

inline bool readSchedAttr(SchedAttr &attr)
{
    return syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) == 0;
}

inline bool writeSchedAttr(SchedAttr attr)
{
    attr.size = sizeof attr;
    return syscall(SYS_sched_setattr, 0, &attr, 0) == 0;
}
