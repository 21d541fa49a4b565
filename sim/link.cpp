#include "link.h"

#include "sysio.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace boardsim {

bool Link::publish(const std::string &path, const std::string &target)
{
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        complain("--link: '" + path + "' exists and is not a symbolic link; not replacing it");
        return false;
    }
    // Build beside it and rename over, so the path never dangles.
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        complain("--link: cannot create '" + path + "': " + std::strerror(errno));
        ::unlink(temp.c_str());
        return false;
    }
    m_path = path;
    m_target = target;
    return true;
}

// Leave the path alone if someone else has taken it over meanwhile.
void Link::remove()
{
    if (m_path.empty())
        return;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(m_path.c_str(), buffer, sizeof buffer);
    if (n >= 0 && std::string_view(buffer, static_cast<std::size_t>(n)) == m_target)
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace boardsim
