#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace wire {

// A reading reply cut out of what the line brought.
struct Reply {
    int reading = 0;         // places 4..5, read as decodeReading reads them
    bool wellFormed = false; // places 4..5 are two hexadecimal digits
};

// Finds reading replies in the bytes as they arrive. A reply is known by its
// shape: eight characters, the last of them '>'. Bytes in front of one are
// noise and are dropped; the start of a reply not yet complete is held until
// its remaining characters come, so one glitch on the line costs at most the
// reply it hit.
class ReplyFramer {
public:
    // The replies these bytes complete, oldest first.
    QList<Reply> take(QByteArrayView bytes);
    // Characters held as the start of a reply.
    int held() const { return int(m_held.size()); }
    void reset() { m_held.clear(); }

private:
    QByteArray m_held;
};

} // namespace wire
