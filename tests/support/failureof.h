#pragma once

#include "serial/commport.h"

#include <functional>

// The failure a call to the serial component threw, in its words; empty when it threw none.
inline QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const CommError &e) {
        return e.text();
    }
    return {};
}
