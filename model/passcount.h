#pragma once

#include "model/channeltable.h"

#include <QtGlobal>

// The passes of a run, counted from its readings: the scan climbs from
// channel 0, so a reading no higher than the last begins the next pass.
class PassCount {
public:
    // The pass the reading of `channel` belongs to, the first 1.
    qint64 add(int channel)
    {
        if (channel <= m_last)
            ++m_pass;
        m_last = channel;
        return m_pass;
    }
    // The pass under way; 0 before the first reading.
    qint64 current() const { return m_pass; }

private:
    qint64 m_pass = 0;
    int m_last = kChannelCount;
};
