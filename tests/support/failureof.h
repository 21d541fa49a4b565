#pragma once

#include "serial/commport.h"

#include <functional>

// What a call to the serial component threw: its kind and its words; Harmless
// and empty when it threw nothing.
struct Caught {
    Failure kind = Failure::Harmless;
    QString text;
};

inline Caught caught(const std::function<void()> &call)
{
    try {
        call();
    } catch (const CommError &e) {
        return {e.kind(), e.text()};
    }
    return {};
}

// The words alone.
inline QString failureOf(const std::function<void()> &call)
{
    return caught(call).text;
}
