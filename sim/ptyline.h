#pragma once

#include <string>
#include <vector>

namespace boardsim {

// The pseudo-terminal, made to behave like a USB-serial adapter: its driver
// holds the line for the simulator's whole life, so the line never hangs up
// between the panel's opens, and it notices the panel's opens and closes.
class PtyLine
{
public:
    enum class Change { Opened, Closed }; // the panel's openers went 0 -> 1, 1 -> 0

    PtyLine() = default;
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;
    ~PtyLine();

    // false with a message in error.
    bool open(std::string &error);

    const std::string &path() const { return m_path; }
    int master() const { return m_master; }
    int watch() const { return m_watch; } // readable when changes() has news

    std::vector<Change> changes();

    // As a driver does when its last user closes: what was on its way to the
    // panel is dropped, and exclusive mode (TIOCEXCL) ends, even when that
    // user was killed and could not end it.
    void release();

    // Fills the line towards the board to the last byte, so that the panel's
    // next write finds no room; repeat now and then, as the kernel moves
    // bytes along and frees some.
    void fill();

    void hangUp();

private:
    int m_master = -1;
    int m_keeper = -1;
    int m_watch = -1;
    int m_users = 0;
    std::string m_path;
};

} // namespace boardsim
