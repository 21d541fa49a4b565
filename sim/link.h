#pragma once

#include <string>

namespace boardsim {

// "--link PATH": the device published as a symbolic link while we run.
class Link
{
public:
    Link() = default;
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;
    ~Link() { remove(); }

    // Refuses to replace anything but a symbolic link; complains on failure.
    bool publish(const std::string &path, const std::string &target);
    void remove();

private:
    std::string m_path;
    std::string m_target;
};

} // namespace boardsim
